// Fixture of the trace tests: each test starts from the trace state of a
// freshly loaded module, on a workstation whose Zx_TraQV.ini it writes.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

#include <quorvel/sim/Workstation.h>

#include "Zx_trace.h"

// Lines as the trace file holds them, each ended by CR LF.
inline std::string TraceLines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTrace();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = (std::filesystem::temp_directory_path() / "quorvel-trace-tests" /
                (std::string(info->test_suite_name()) + "." + info->name())).string();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        out_ = dir_ + "/trace.out";
    }
    void TearDown() override {
        ResetTrace();
        qvsim::UseDefault();
    }

    // The trace state and settings as they are at module load.
    static void ResetTrace() {
        TraceClose();
        TraceResetState();
        std::memset(&g_TraceSettings, 0, sizeof g_TraceSettings);
        std::strcpy(g_TraceSettings.szPath, "zx_trace.out");
    }

    void UseIni(const std::string& ini, nlohmann::json ws = nlohmann::json::object()) {
        if (!ws.contains("computer_name")) ws["computer_name"] = "WS042";
        ws["profiles"]["Zx_TraQV.ini"] = ini;
        std::string error;
        ASSERT_TRUE(qvsim::UseText(ws.dump(), "trace-test.json", dir_, error)) << error;
    }

    // Opens a trace into out_ with tracing on, further [Settings] lines and
    // the given [Options] lines.
    WORD Open(const std::string& settings, const std::string& options = "",
              nlohmann::json ws = nlohmann::json::object()) {
        UseIni("[Settings]\r\ntrace_flag=1\r\ntracepath=" + out_ + "\r\n" + settings +
                   "[Options]\r\n" + options, std::move(ws));
        return TraceOpen("Zx_TraQV.ini");
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    // Closes the trace and returns what follows the header.
    std::string Records() {
        TraceClose();
        std::string all = ReadFile(out_);
        std::size_t pos = all.find("with errors             = ");
        pos = pos == std::string::npos ? pos : all.find("\r\n\r\n", pos);
        EXPECT_NE(pos, std::string::npos) << "no header in:\n" << all;
        return pos == std::string::npos ? all : all.substr(pos + 4);
    }

    std::string dir_;
    std::string out_;
};
