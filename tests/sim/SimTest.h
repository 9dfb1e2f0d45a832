// Fixture of the simulated workstation's tests: each test puts its own
// workstation in force and gets the default one back afterwards.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include <quorvel/Win32Api.h>
#include <quorvel/sim/Workstation.h>

#include "TestFiles.h"
#include "WorkstationJson.h"

class SimTest : public ::testing::Test {
protected:
    void TearDown() override {
        qvsim::UseDefault();
        if (!tempDir_.empty()) std::filesystem::remove_all(tempDir_);
    }

    void Use(const nlohmann::json& ws) { UseDump(ws.dump()); }
    // The same, keeping the order of members (the listing order of files).
    void UseOrdered(const nlohmann::ordered_json& ws) { UseDump(ws.dump()); }
    void UseDump(const std::string& text) {
        std::string error;
        ASSERT_TRUE(qvsim::UseText(text, "test.json", TempDir(), error)) << error;
    }

    // The error of a description that must be refused.
    static std::string LoadError(const std::string& text) {
        std::string normalised, error;
        EXPECT_FALSE(qvsim::CheckText(text, "ws.json", "", normalised, error)) << text;
        return error;
    }

    const std::string& TempDir() {
        if (tempDir_.empty()) tempDir_ = qvtest::FreshTestDir("quorvel-sim-tests");
        return tempDir_;
    }

private:
    std::string tempDir_;
};

// A copy of one enumerated record, strings owned.
struct Res {
    DWORD scope = 0, type = 0, display = 0, usage = 0;
    std::string local, remote, comment, provider;  // "<null>" for a null pointer

    static std::string Str(const char* s) { return s ? s : "<null>"; }
    explicit Res(const NETRESOURCEA& r)
        : scope(r.dwScope), type(r.dwType), display(r.dwDisplayType), usage(r.dwUsage), local(Str(r.lpLocalName)),
          remote(Str(r.lpRemoteName)), comment(Str(r.lpComment)), provider(Str(r.lpProvider)) {}
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
