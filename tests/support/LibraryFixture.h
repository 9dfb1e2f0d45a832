// The fixture of the library's behaviour tests: every test starts from the
// state of a freshly loaded module on a workstation of its own, and can
// capture the trace file that the library writes.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <string>

#include <quorvel/sim/Workstation.h>

#include "LibraryAccess.h"
#include "TestFiles.h"
#include "TraceSupport.h"
#include "WorkstationJson.h"

class LibraryFixture : public ::testing::Test {
protected:
    using A = qvtest::Library;

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

    // Adds the trace INI to a workstation description and puts it in force,
    // then opens the trace as a module load would. The trace goes to
    // TempDir()/trace.out.
    void UseWorkstationWithTrace(nlohmann::json ws, const std::string& options = "") {
        tracePath_ = TempDir() + "/trace.out";
        ws["profiles"]["Zx_TraQV.ini"] = "[Settings]\r\ntrace_flag=1\r\ntracepath=" + tracePath_ +
                                        "\r\nprim_level=c0000001\r\nsec_level_low=f\r\n[Options]\r\n" + options;
        UseWorkstation(ws);
        OpenTrace();
    }

    // Opens the trace from the workstation's Zx_TraQV.ini as a fresh module load.
    static void OpenTrace() {
        StopTrace();
        qvlib::TraceOpen("Zx_TraQV.ini");
    }

    // Closes the trace and forgets its settings.
    static void StopTrace() { qvtest::ResetTraceToLoadState(); }

    // Closes the trace and returns the records written after the header
    // (the header ends with the first empty line after the settings).
    std::string TraceRecords() {
        StopTrace();
        const std::string all = qvtest::ReadFile(tracePath_);
        const std::size_t begin = qvtest::TraceRecordsBegin(all);
        return begin == std::string::npos ? all : all.substr(begin);
    }

    std::string tracePath_;

private:
    std::string tempDir_;
};
