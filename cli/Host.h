// What the tool needs of the system besides the library: the conversions
// between its UTF-8 arguments and output and the ANSI code page the library
// speaks, and whether a simulated workstation is present (every build but
// the Windows build on the system's own Win32 functions).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qvcli::host {

#if defined(QUORVEL_CLI_REAL_PLATFORM)
inline constexpr bool kSimulated = false;
#else
inline constexpr bool kSimulated = true;
#endif

// What --workstation and the workstation command answer without a simulation.
inline constexpr const char* kNoSimulation =
    "not available: this quorvel runs on the system's own functions, without a simulated workstation";

// The ANSI code page the library speaks.
unsigned CodePage();

// Without replacement: false at the first sequence that is not valid UTF-8 or
// that the code page lacks, bad then being the offset of its first byte.
bool Utf8ToAnsiExact(std::string_view utf8, std::string& ansi, std::size_t& bad);
std::string AnsiToUtf8(const std::string& ansi);

// The program's arguments (argv[0] included) in UTF-8.
std::vector<std::string> Arguments(int argc, char** argv);

}  // namespace qvcli::host
