// Running the commands against the library, one at a time or as a shell.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "Args.h"
#include "Output.h"

namespace qvcli {

// A name the library is not given, and why: a status as Windows would name
// the failure, and a message that says what in the name is wrong.
struct Refused {
    std::string input;
    std::uint32_t status;
    std::string message;
};

class Session {
public:
    // bufferSize: the --size given to the tool (or the default); progress:
    // --progress (shown only when standard error is a terminal).
    Session(Reporter& reporter, std::uint32_t bufferSize, std::FILE* in, bool progress = false);

    // Runs one parsed command. A UsageError leaves it before anything ran.
    void Run(const Invocation& inv);

    // Reads commands from the input, one per line, until its end.
    void RunShell();

    // The names handed to the library so far (to-dnc, from-dnc).
    unsigned long long NamesConverted() const { return names_; }

private:
    void RunOne(const Invocation& inv, const std::string& command, const std::string& arg);
    // A name of to-dnc or from-dnc: as given (input), in the code page of the
    // library (ansi; null for an empty line and a refused name), or why it
    // cannot be handed over (refused); streamed when read from standard input.
    struct Name {
        std::string_view input;
        const char* ansi;
        const Refused* refused;
        bool streamed;
    };
    template <class OnName>
    void ForEachName(const Invocation& inv, OnName onName);
    template <class OnName>
    void StreamNames(const CommandSpec& spec, OnName onName);
    void ToDnc(const Invocation& inv);
    void FromDnc(const Invocation& inv);
    void Volumes(const Invocation& inv);
    void Workstation(const Invocation& inv);
    // text in the code page of the library, checked (see Commands.cpp).
    std::string ToLibrary(const CommandSpec& spec, const std::string& text);
    // A name to convert, checked and counted: the name in the library's code
    // page (text itself or ansi), or null with refused filled.
    const char* Admit(const CommandSpec& spec, std::string_view text, std::string& ansi, Refused& refused);

    Reporter& reporter_;
    std::uint32_t bufferSize_;
    std::FILE* in_;
    bool progress_;
    bool inShell_ = false;
    unsigned long long names_ = 0;  // names handed to the library
};

}  // namespace qvcli
