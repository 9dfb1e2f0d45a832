// The fixture of the library's behaviour tests: every test starts from the
// state of a freshly loaded module on a workstation of its own, and can
// capture the trace file that the library writes.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <string>

#include <quorvel/sim/Workstation.h>

#include "TestAccess.h"
#include "TestFiles.h"
#include "TraceSupport.h"
#include "WorkstationJson.h"

class LibTest : public ::testing::Test {
protected:
    using A = CNetResConvertTestAccess;

    void SetUp() override {
        StopTrace();
        qvsim::UseDefault();
        A::ResetToLoadState();
    }
    void TearDown() override {
        StopTrace();
        A::ResetToLoadState();
        qvsim::UseDefault();
    }

    // The NetWare provider as detection leaves it on the given platform.
    static void DetectNetWare(DWORD platform, DWORD client) {
        _Networks& n = A::Net();
        n.dwPlatformId = platform;
        n.tNwProvider = {1, WNNC_NET_NETWARE, client, {}, 0, nullptr, 0, nullptr};
        std::strcpy(n.tNwProvider.szName, qvtest::kNetWare);
    }

    static bool TraceHas(const std::string& trace, const std::string& line) {
        return trace.find(line + "\r\n") != std::string::npos;
    }

    // Puts a workstation description in force (relative paths inside it are
    // relative to the test's temporary folder).
    void UseWorkstation(const nlohmann::json& ws) {
        std::string error;
        ASSERT_TRUE(qvsim::UseText(ws.dump(), "test.json", TempDir(), error)) << error;
    }

    // A temporary folder of this test, empty at first use.
    const std::string& TempDir() {
        if (tempDir_.empty()) tempDir_ = qvtest::FreshTestDir("quorvel-tests");
        return tempDir_;
    }

    // The text of a Zx_TraQV.ini that switches tracing on and lets every
    // record of the library pass into outPath (a host path beginning with /).
    static std::string TraceIni(const std::string& outPath, const std::string& options = "") {
        return "[Settings]\r\ntrace_flag=1\r\ntracepath=" + outPath +
               "\r\nprim_level=c0000001\r\nsec_level_low=f\r\n[Options]\r\n" + options;
    }

    // Adds the trace INI to a workstation description and puts it in force,
    // then opens the trace as a module load would. The trace goes to
    // TempDir()/trace.out.
    void UseWorkstationWithTrace(nlohmann::json ws, const std::string& options = "") {
        tracePath_ = TempDir() + "/trace.out";
        ws["profiles"]["Zx_TraQV.ini"] = TraceIni(tracePath_, options);
        UseWorkstation(ws);
        OpenTrace();
    }

    // Opens the trace from the workstation's Zx_TraQV.ini as a fresh module load.
    static void OpenTrace() {
        StopTrace();
        TraceOpen("Zx_TraQV.ini");
    }

    // Closes the trace and forgets its settings.
    static void StopTrace() { qvtest::ResetTraceToLoadState(); }

    // Closes the trace and returns the records written after the header
    // (the header ends with the first empty line after the settings).
    std::string TraceRecords() {
        const std::string all = TraceFile();
        const std::size_t begin = qvtest::TraceRecordsBegin(all);
        return begin == std::string::npos ? all : all.substr(begin);
    }

    // Closes the trace and returns the whole trace file.
    std::string TraceFile() {
        StopTrace();
        return qvtest::ReadFile(tracePath_);
    }

    std::string tracePath_;

private:
    std::string tempDir_;
};
