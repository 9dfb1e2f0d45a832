// The quorvel command: every public operation of the library as a command.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

#include <vector>

#if !defined(QUORVEL_CLI_REAL_PLATFORM)
#include <quorvel/sim/Workstation.h>
#endif

#include "Args.h"
#include "Commands.h"
#include "Host.h"
#include "Output.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kWorkstationVariable = "QUORVEL_WORKSTATION";

void Fail(const std::string& message) { std::fprintf(stderr, "quorvel: %s\n", message.c_str()); }

#if !defined(QUORVEL_CLI_REAL_PLATFORM)

bool SameFile(const char* named, const fs::path& file) {
    std::error_code ec;
    if (fs::equivalent(named, file, ec) && !ec) return true;
    const fs::path absolute = fs::absolute(named, ec);
    return !ec && absolute.lexically_normal() == file;
}

// --workstation FILE must act exactly as QUORVEL_WORKSTATION=FILE, and the
// library reads the workstation (its trace INI) as it is loaded, before main.
// So the file is checked, named in the variable, and the program started
// again, unless the variable already names it. Returns false after reporting
// why the file cannot be used.
bool SelectWorkstation(const std::string& file, char** argv) {
    std::string normalised;
    std::string error;
    if (!qvsim::CheckFile(file, normalised, error)) {
        Fail(error);
        return false;
    }
    std::error_code ec;
    const fs::path absolute = fs::absolute(file, ec).lexically_normal();
    if (ec) {
        Fail(file + ": " + ec.message());
        return false;
    }
    const char* current = std::getenv(kWorkstationVariable);
    if (current && SameFile(current, absolute)) return true;

    if (::setenv(kWorkstationVariable, absolute.c_str(), 1) != 0) {
        Fail(std::string("cannot set ") + kWorkstationVariable + ": " + std::strerror(errno));
        return false;
    }
    std::fflush(nullptr);
    ::execv("/proc/self/exe", argv);
    Fail(std::string("cannot start again with workstation ") + absolute.string() + ": " +
         std::strerror(errno));
    return false;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    try {
        qvcli::GlobalOptions options;
        try {
            const std::vector<std::string> args = qvcli::host::Arguments(argc, argv);
            std::vector<const char*> pointers;
            for (const std::string& arg : args) pointers.push_back(arg.c_str());
            options = qvcli::ParseGlobalOptions(static_cast<int>(pointers.size()), pointers.data());
        } catch (const qvcli::UsageError& e) {
            Fail(e.what());
            return 2;
        }
        if (options.exitText) {
            std::fputs(options.exitText->c_str(), stdout);
            return 0;
        }
#if !defined(QUORVEL_CLI_REAL_PLATFORM)
        if (options.workstation && !SelectWorkstation(*options.workstation, argv)) return 2;

        const std::string startupError = qvsim::StartupError();
        if (!startupError.empty()) {
            Fail(startupError);
            return 2;
        }
#endif

        qvcli::Reporter reporter(options.json, stdout, stderr);
        qvcli::Session session(reporter, options.size, stdin);
        try {
            session.Run(qvcli::ParseCommand(options.command));
        } catch (const qvcli::UsageError& e) {
            reporter.Usage("", e.what());
        }
        reporter.Flush();
        return reporter.ExitStatus();
    } catch (const std::exception& e) {
        Fail(e.what());
        return 2;
    }
}
