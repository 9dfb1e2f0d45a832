// Load and unload of the real shared library: a child process loads it with
// dlopen over a workstation file of the test, then unloads it with dlclose or
// simply exits; the test reads the trace file the child leaves.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "TestFiles.h"

namespace {

namespace fs = std::filesystem;

enum class Unload { Dlclose, ProcessExit };

const std::string kHeaderEnd = "with errors             = NO\r\n\r\n";

class ModuleLoad : public ::testing::TestWithParam<Unload> {
protected:
    void SetUp() override {
        dir_ = qvtest::FreshTestDir("quorvel-module-tests");
    }

    // Loads and unloads the library in a child over a trace INI with the given
    // gate line (no INI when empty); returns the trace file.
    std::string LoadAndUnload(const std::string& gate) {
        std::string out = (dir_ / "trace.out").string(), wsFile = (dir_ / "ws.json").string();
        nlohmann::json ws = {{"computer_name", "WS042"}};
        if (!gate.empty())
            ws["profiles"]["Zx_TraQV.ini"] = "[Settings]\r\n" + gate + "\r\ntracepath=" + out +
                                             "\r\nprim_level=c0000001\r\nsec_level_low=f\r\n";
        std::ofstream(wsFile) << ws.dump();
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir_.c_str()) != 0) _exit(4);
            setenv("QUORVEL_WORKSTATION", wsFile.c_str(), 1);
            void* lib = dlopen(QUORVEL_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
            if (lib == nullptr) _exit(3);
            if (GetParam() == Unload::ProcessExit) std::exit(0);
            dlclose(lib);
            _exit(0);  // no exit handlers: only dlclose can have unloaded it
        }
        int status = -1;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
        return qvtest::ReadFile(out);
    }

    fs::path dir_;
};

// Opened at load; at unload ClearLists writes the last records (nothing else
// ran), then the trace is closed.
TEST_P(ModuleLoad, ClearListsRecordsEndTheTrace) {
    std::string file = LoadAndUnload("trace_flag=1");
    ASSERT_EQ(file.rfind("Zentrix - TRACING\r\n", 0), 0u) << file;
    std::size_t pos = file.find(kHeaderEnd);
    ASSERT_NE(pos, std::string::npos) << file;
    std::string records = file.substr(pos + kHeaderEnd.size());
    EXPECT_EQ(records.rfind("->CNetResConvert::ClearLists()\r\n", 0), 0u) << records;
    EXPECT_EQ(records.find("\r\n->"), std::string::npos) << records;
    EXPECT_TRUE(records.ends_with("\r\n<- END METHODE\r\n")) << records;
}

INSTANTIATE_TEST_SUITE_P(Unload, ModuleLoad, ::testing::Values(Unload::Dlclose, Unload::ProcessExit),
                         [](const auto& info) { return info.param == Unload::Dlclose ? "Dlclose" : "ProcessExit"; });

}  // namespace
