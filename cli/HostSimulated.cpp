// The tool on the simulated workstation: its code page, and arguments that
// are UTF-8 already.
#include "Host.h"

#include <quorvel/sim/Workstation.h>

namespace qvcli::host {

std::string Utf8ToAnsi(const std::string& utf8) { return qvsim::Utf8ToAnsi(utf8); }
std::string AnsiToUtf8(const std::string& ansi) { return qvsim::AnsiToUtf8(ansi); }

std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }

}  // namespace qvcli::host
