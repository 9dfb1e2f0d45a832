// What the quorvel command needs of the simulated workstation besides
// choosing it (<quorvel/sim/Workstation.h>): the code page the library
// speaks there, and the conversions between it and the command's UTF-8. Not
// installed: the command links the simulation in.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

}  // namespace qvsim::command
