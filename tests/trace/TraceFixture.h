// Fixture of the trace tests: each test starts from the trace state of a
// freshly loaded module, on a workstation whose Zx_TraQV.ini it writes.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <initializer_list>
#include <string>

#include <quorvel/sim/Workstation.h>

#include "TestFiles.h"
#include "TraceSupport.h"

// Lines as the trace file holds them, each ended by CR LF.
inline std::string TraceLines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

class TraceFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTrace();
        dir_ = qvtest::FreshTestDir("quorvel-trace-tests");
        out_ = dir_ + "/trace.out";
    }
    void TearDown() override {
        ResetTrace();
        qvsim::UseDefault();
    }

    // The trace state and settings as they are at module load.
    static void ResetTrace() { qvtest::ResetTraceToLoadState(); }

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
        return qvlib::TraceOpen("Zx_TraQV.ini");
    }

    static std::string ReadFile(const std::string& path) { return qvtest::ReadFile(path); }

    // Closes the trace and returns what follows the header.
    std::string Records() {
        qvlib::TraceClose();
        const std::string all = ReadFile(out_);
        const std::size_t begin = qvtest::TraceRecordsBegin(all);
        EXPECT_NE(begin, std::string::npos) << "no header in:\n" << all;
        return begin == std::string::npos ? all : all.substr(begin);
    }

    std::string dir_;
    std::string out_;
};
