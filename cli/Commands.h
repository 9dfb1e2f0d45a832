// Running the commands against the library, one at a time or as a shell.
#pragma once

#include <cstdint>
#include <cstdio>

#include "Args.h"
#include "Output.h"

namespace qvcli {

class Session {
public:
    // bufferSize: the --size given to the tool (or the default).
    Session(Reporter& reporter, std::uint32_t bufferSize, std::FILE* in);

    // Runs one parsed command. A UsageError leaves it before anything ran.
    void Run(const Invocation& inv);

    // Reads commands from the input, one per line, until its end.
    void RunShell();

private:
    void ToDnc(const Invocation& inv);
    void ConvertStream(std::uint32_t size);
    void Volumes(const Invocation& inv);
    void Workstation(const Invocation& inv);

    Reporter& reporter_;
    std::uint32_t bufferSize_;
    std::FILE* in_;
    bool inShell_ = false;
};

}  // namespace qvcli
