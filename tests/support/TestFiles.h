// Files of the tests: an empty folder per running test, whole-file reads.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <stdexcept>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace qvtest {

inline long Pid() {
#if defined(_WIN32)
    return ::_getpid();
#else
    return ::getpid();
#endif
}

// This process's own folder below <temp>, made once with mkdtemp so that two
// test runs at the same time never share files. It is removed at exit when
// every test passed, and kept for a look when one failed.
inline const std::filesystem::path& ProcessTestRoot() {
    // Never destroyed: the exit handler below still needs it.
    static const std::filesystem::path* const root = [] {
        const std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-tests.XXXXXX").string();
#if defined(_WIN32)
        std::filesystem::path made = pattern;
        made.replace_filename("quorvel-tests." + std::to_string(Pid()));
        std::filesystem::create_directories(made);
#else
        std::string buf = pattern;
        const char* dir = ::mkdtemp(buf.data());
        if (dir == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
        std::filesystem::path made = dir;
#endif
        // A forked child that exits runs this too; only the maker removes.
        static const auto maker = Pid();
        std::atexit([] {
            auto* unit = ::testing::UnitTest::GetInstance();
            std::error_code ec;
            if (Pid() == maker && unit != nullptr && unit->Passed())
                std::filesystem::remove_all(ProcessTestRoot(), ec);
        });
        return new std::filesystem::path(made);
    }();
    return *root;
}

// <process root>/<area>/<suite>.<test>, emptied.
inline std::string FreshTestDir(const std::string& area) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path dir =
        ProcessTestRoot() / area / (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace qvtest
