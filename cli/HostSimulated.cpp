// The command on the simulated workstation: it chooses the description
// itself, and the code page is the workstation's.
#include "Host.h"

#include <cstdlib>

#include <quorvel/sim/Command.h>
#include <quorvel/sim/Workstation.h>

namespace qvcli::host {

bool Simulated() { return true; }

bool ChooseWorkstation(const std::optional<std::string>& file, std::string& error,
                       std::vector<std::string>& warnings) {
    if (file && file->empty()) {
        error = "--workstation: the file name is empty";
        return false;
    }
    const char* variable = std::getenv("QUORVEL_WORKSTATION");
    const std::string chosen = file ? *file : variable != nullptr ? variable : "";
    if (chosen.empty()) return true;  // the embedded default, at first use
    return qvsim::UseFile(chosen, error, &warnings);
}

bool DescribeWorkstation(const std::optional<std::string>& file, std::string& text, std::string& error,
                         std::vector<std::string>& warnings) {
    if (!file) {
        text = qvsim::DefaultWorkstationJson();
        return true;
    }
    return qvsim::CheckFile(*file, text, error, &warnings);
}

unsigned CodePage() { return qvsim::command::CodePage(); }

bool Utf8ToAnsiExact(std::string_view utf8, std::string& ansi, std::size_t& bad) {
    return qvsim::command::Utf8ToAnsiExact(utf8, ansi, bad);
}

std::string AnsiToUtf8(std::string_view ansi) { return qvsim::command::AnsiToUtf8(ansi); }

bool SameName(const char* a, const char* b) { return qvsim::command::SameName(a, b); }

std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }

std::optional<std::vector<CallCount>> PlatformCalls() {
    std::vector<CallCount> calls;
    for (const qvsim::command::CallCount& c : qvsim::command::CallCounts()) calls.push_back({c.function, c.calls});
    return calls;
}

}  // namespace qvcli::host
