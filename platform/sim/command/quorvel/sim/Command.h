// What the quorvel command (and the benchmarks) need of the simulated
// workstation besides choosing it (<quorvel/sim/Workstation.h>): the code
// page the library speaks there, the conversions between it and the
// command's UTF-8, and the count of the platform calls. Not installed: the
// command links the simulation in.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qvsim::command {

// The ANSI code page of the workstation in force.
unsigned CodePage();

// Without replacement: false at the first sequence that is not valid UTF-8 or
// that the code page lacks, badOffset then being the offset of its first byte.
bool Utf8ToAnsiExact(std::string_view utf8, std::string& ansi, std::size_t& badOffset);
// A byte that is not valid in the code page becomes '?'.
std::string AnsiToUtf8(std::string_view ansi);
// Whether two names of the code page are equal without regard to letter case,
// as the workstation's network compares them.
bool SameName(std::string_view a, std::string_view b);

// The simulated Win32 functions and how often each was called in this
// process so far.
struct CallCount {
    const char* function;
    unsigned long long calls;
};
std::vector<CallCount> CallCounts();

}  // namespace qvsim::command
