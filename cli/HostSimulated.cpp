// The tool on the simulated workstation: its code page, and arguments that
// are UTF-8 already.
#include "Host.h"

#include <quorvel/sim/Workstation.h>

namespace qvcli::host {

unsigned CodePage() { return qvsim::CodePage(); }

bool Utf8ToAnsiExact(std::string_view utf8, std::string& ansi, std::size_t& bad) {
    return qvsim::Utf8ToAnsiExact(utf8, ansi, bad);
}

std::string AnsiToUtf8(const std::string& ansi) { return qvsim::AnsiToUtf8(ansi); }

std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace qvcli::host
