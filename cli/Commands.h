// Running the commands against the library, one at a time or as a shell.
#pragma once

#include <cstdint>
#include <cstdio>

#include "Args.h"
#include "Output.h"

namespace qvcli {

class Session {
public:
    // bufferSize: the --size given to the tool (or the default); progress:
    // --progress (shown only when standard error is a terminal).
    Session(Reporter& reporter, std::uint32_t bufferSize, std::FILE* in, bool progress = false);

    // Runs one parsed command. A UsageError leaves it before anything ran.
    void Run(const Invocation& inv);

    // Reads commands from the input, one per line, until its end.
    void RunShell();

private:
    void RunOne(const Invocation& inv, const std::string& command, const std::string& arg);
    void ToDnc(const Invocation& inv);
    void ConvertStream(const CommandSpec& spec, std::uint32_t size);
    void Volumes(const Invocation& inv);
    void Workstation(const Invocation& inv);
    // text in the code page of the library, checked (see Commands.cpp).
    std::string ToLibrary(const CommandSpec& spec, const std::string& text);

    Reporter& reporter_;
    std::uint32_t bufferSize_;
    std::FILE* in_;
    bool progress_;
    bool inShell_ = false;
};

}  // namespace qvcli
