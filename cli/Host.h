// What the command needs of the system it runs on, besides the library: the
// one place where the command's builds differ.
//
// Two halves stand behind the workstation and code-page part: the simulated
// workstation (HostSimulated.cpp: every build but the Windows build on the
// system's own functions) and the system (HostWindows.cpp). The streams part
// (HostStreams.cpp) follows the operating system the command runs on.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvcli::host {

// ---- the workstation ------------------------------------------------------------

// Whether a simulated workstation stands behind the library.
bool Simulated();

// What --workstation and the workstation command answer without a simulation.
inline constexpr const char* kNoSimulation =
    "not available: this quorvel runs on the system's own functions, without a simulated workstation";

// Chooses the workstation the library will run on, before the library is
// attached: the file given with --workstation, else the file that
// QUORVEL_WORKSTATION names, else the system's (or the embedded default).
// False with the reason in error when it cannot be used; warnings receives
// what is valid but cannot work.
bool ChooseWorkstation(const std::optional<std::string>& file, std::string& error,
                       std::vector<std::string>& warnings);

// The workstation command: the embedded default, or FILE checked and
// normalised, as JSON text. False with the reason in error.
bool DescribeWorkstation(const std::optional<std::string>& file, std::string& text, std::string& error,
                         std::vector<std::string>& warnings);

// ---- names in the code page of the library ------------------------------------------

// The ANSI code page the library speaks.
unsigned CodePage();

// Without replacement: false at the first sequence that is not valid UTF-8 or
// that the code page lacks, bad then being the offset of its first byte.
bool Utf8ToAnsiExact(std::string_view utf8, std::string& ansi, std::size_t& bad);
std::string AnsiToUtf8(std::string_view ansi);

// Whether two network names of the code page are equal, letter case aside,
// as the system compares them.
bool SameName(const char* a, const char* b);

// The program's arguments (argv[0] included) in UTF-8.
std::vector<std::string> Arguments(int argc, char** argv);

// The platform functions the library called so far, each with its number of
// calls; none where they are not counted (the system's own functions).
struct CallCount {
    std::string function;
    unsigned long long calls;
};
std::optional<std::vector<CallCount>> PlatformCalls();

// ---- streams ----------------------------------------------------------------------

bool IsTerminal(std::FILE* stream);
// Reads what is there, up to size bytes, from the stream's descriptor (a
// stream without one through stdio): the number of bytes, 0 at the end, -1
// with errno on failure.
long ReadSome(std::FILE* stream, char* buffer, std::size_t size);
// Writes a block to the stream without taking its lock for each byte: the
// number of bytes written.
std::size_t WriteBlock(std::FILE* stream, const char* data, std::size_t size);

}  // namespace qvcli::host
