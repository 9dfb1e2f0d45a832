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

constexpr const char* kWorkstationVariable = "QUORVEL_WORKSTATION";

void Fail(const std::string& message) { std::fprintf(stderr, "quorvel: %s\n", message.c_str()); }

#if !defined(QUORVEL_CLI_REAL_PLATFORM)
#if defined(__ELF__)
// --workstation FILE must act exactly as QUORVEL_WORKSTATION=FILE, and the
// library reads the workstation (its trace INI) while it is loaded, before
// main. The executable's pre-initialisers run before the initialisers of any
// shared library (the C library's included), once the dynamic linker has
// relocated every object, and they receive argv. This one finds the option
// as the parser will and hands the file to the simulation, which only keeps
// the pointer and reads the file, once, at its first use. (Setting the
// variable here would not do: the C library's initialiser resets the
// environment to the one the process started with.)
const char* g_workstationAtLoad = nullptr;

void SelectWorkstationAtLoad(int argc, char** argv, char** /*envp*/) {
    const qvcli::EarlyOptions early = qvcli::ScanGlobalOptions(argc, argv);
    if (early.workstation == nullptr || *early.workstation == '\0') return;
    qvsim::SelectFileAtFirstUse(early.workstation);
    g_workstationAtLoad = early.workstation;
}

[[gnu::section(".preinit_array"), gnu::used]] void (*const kSelectWorkstationAtLoad)(int, char**, char**) =
    &SelectWorkstationAtLoad;

// Returns false after reporting why the file cannot be used.
bool SelectWorkstation(const std::string& file, char** /*argv*/) {
    if (file.empty()) {
        Fail("--workstation: the file name is empty");
        return false;
    }
    if (g_workstationAtLoad == nullptr || file != g_workstationAtLoad) {
        Fail("--workstation " + file + ": not in force (give it before COMMAND)");
        return false;
    }
    return true;
}
#else
namespace fs = std::filesystem;

bool SameFile(const char* named, const fs::path& file) {
    std::error_code ec;
    if (fs::equivalent(named, file, ec) && !ec) return true;
    const fs::path absolute = fs::absolute(named, ec);
    return !ec && absolute.lexically_normal() == file;
}

// Without pre-initialisers (the Windows test build): the file is checked,
// named in the variable, and the program started again, unless the variable
// already names it. Returns false after reporting why the file cannot be used.
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
#endif  // __ELF__
#endif  // !QUORVEL_CLI_REAL_PLATFORM

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
            qvcli::Reporter reporter(qvcli::ScanGlobalOptions(argc, argv).json, stdout, stderr);
            reporter.Usage("", e.what());
            return reporter.Finish();
        }
        if (options.exitText) {
            qvcli::Reporter reporter(false, stdout, stderr);
            reporter.Text(*options.exitText);
            return reporter.Finish();
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
#if !defined(QUORVEL_CLI_REAL_PLATFORM)
        for (const std::string& warning : qvsim::StartupWarnings()) reporter.Warning(warning);
#endif
        qvcli::Session session(reporter, options.size, stdin, options.progress);
        try {
            session.Run(qvcli::ParseCommand(options.command));
        } catch (const qvcli::UsageError& e) {
            reporter.Usage("", e.what());
        }
        return reporter.Finish();
    } catch (const std::exception& e) {
        Fail(e.what());
        return 2;
    }
}
