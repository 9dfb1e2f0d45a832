// The quorvel command: every public operation of the library as a command.
//
// It starts as a client of the library does: it reads its command line,
// chooses the workstation, and only then attaches the library (the work a
// Windows client's LoadLibrary sets off), runs the command and detaches it.
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Args.h"
#include "Commands.h"
#include "Host.h"
#include "Module.h"
#include "Output.h"

namespace {

// The library's load and unload work, around the commands.
class Attached {
public:
    Attached() { qvmodule::Attach(); }
    ~Attached() { qvmodule::Detach(); }
    Attached(const Attached&) = delete;
    Attached& operator=(const Attached&) = delete;
};

int Run(int argc, char** argv) {
    const qvcli::GlobalOptions options = qvcli::ParseGlobalOptions(qvcli::host::Arguments(argc, argv));
    qvcli::Reporter reporter(options.json, stdout, stderr);
    if (options.usageError) {
        reporter.Usage("", *options.usageError);
        return reporter.Finish();
    }
    if (options.exitText) {
        reporter.Text(*options.exitText);
        return reporter.Finish();
    }

    std::string error;
    std::vector<std::string> warnings;
    if (!qvcli::host::ChooseWorkstation(options.workstation, error, warnings)) {
        reporter.Failure(error);
        return 2;
    }
    const Attached library;
    for (const std::string& warning : warnings) reporter.Warning(warning);
    const auto start = std::chrono::steady_clock::now();
    qvcli::Session session(reporter, options.size, stdin, options.progress);
    try {
        session.Run(qvcli::ParseCommand(options.command));
    } catch (const qvcli::UsageError& e) {
        reporter.Usage("", e.what());
    }
    if (options.stats) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        reporter.Stats(session.NamesConverted(), seconds.count(), qvcli::host::PlatformCalls());
    }
    return reporter.Finish();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvel: %s\n", e.what());
        return 2;
    }
}
