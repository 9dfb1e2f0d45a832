// Every input of the fuzz corpora (the seeds and each crash input the fuzz
// campaign found) run through its target once, in the normal test build.
// A target checks its own invariants; here a broken one is a test failure.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "LibraryFixture.h"

#define QV_FUZZ_TARGETS(X) \
    X(fuzz_res2dnc) X(fuzz_dnc2unc) X(fuzz_dnc_parts) X(fuzz_trace_ini) X(fuzz_domain_ini) X(fuzz_workstation)
#define QV_DECLARE_ENTRY(name) extern "C" int FuzzEntry_##name(const std::uint8_t* data, std::size_t size);
QV_FUZZ_TARGETS(QV_DECLARE_ENTRY)

namespace {

using FuzzReplay = LibraryFixture;

TEST_F(FuzzReplay, EveryCorpusInputPasses) {
#define QV_TARGET(name) {#name, FuzzEntry_##name},
    const std::pair<const char*, int (*)(const std::uint8_t*, std::size_t)> targets[] = {QV_FUZZ_TARGETS(QV_TARGET)};
    for (const auto& [name, entry] : targets) {
        const std::filesystem::path dir = std::filesystem::path(QUORVEL_FUZZ_CORPUS) / name;
        std::size_t inputs = 0;
        qvfuzz::ForgetEnvironment();
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            if (!e.is_regular_file()) continue;
            SCOPED_TRACE(e.path().string());
            std::ifstream in(e.path(), std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
        EXPECT_GT(inputs, 0u) << "no seeds in " << dir;
        TearDown();  // the next target starts from a freshly loaded module
        SetUp();
    }
}

}  // namespace
