// Fixture of the simulated workstation's tests: each test puts its own
// workstation in force and gets the default one back afterwards.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

#include <quorvel/Win32Api.h>
#include <quorvel/sim/Testing.h>
#include <quorvel/sim/Workstation.h>

#include "TestFiles.h"
#include "WorkstationJson.h"

using nlohmann::json;

class SimFixture : public ::testing::Test {
protected:
    void TearDown() override {
        qvsim::UseDefault();
        if (!tempDir_.empty()) std::filesystem::remove_all(tempDir_);
    }
    // nlohmann::ordered_json keeps the order of members (the listing order of files).
    template <class Json>
    void Use(const Json& ws) {
        std::string error;
        ASSERT_TRUE(qvsim::UseText(ws.dump(), "test.json", TempDir(), error)) << error;
    }
    const std::string& TempDir() {
        if (tempDir_.empty()) tempDir_ = qvtest::FreshTestDir("quorvel-sim-tests");
        return tempDir_;
    }

private:
    std::string tempDir_;
};

// A container record as the library builds it.
inline NETRESOURCEA Container(const char* remote, const char* provider) {
    NETRESOURCEA r{};
    r.dwScope = RESOURCE_GLOBALNET;
    r.dwType = RESOURCETYPE_DISK;
    r.lpRemoteName = const_cast<char*>(remote);
    r.lpProvider = const_cast<char*>(provider);
    return r;
}
