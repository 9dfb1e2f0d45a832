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
#include "LibTest.h"

#define QV_DECLARE_ENTRY(name) \
    extern "C" int FuzzEntry_##name(const std::uint8_t* data, std::size_t size);
QV_DECLARE_ENTRY(fuzz_res2dnc)
QV_DECLARE_ENTRY(fuzz_dnc2unc)
QV_DECLARE_ENTRY(fuzz_dnc_parts)
QV_DECLARE_ENTRY(fuzz_trace_ini)
QV_DECLARE_ENTRY(fuzz_domain_ini)
QV_DECLARE_ENTRY(fuzz_workstation)

namespace {

struct Target {
    const char* name;
    int (*entry)(const std::uint8_t*, std::size_t);
};

const Target kTargets[] = {
    {"fuzz_res2dnc", FuzzEntry_fuzz_res2dnc},       {"fuzz_dnc2unc", FuzzEntry_fuzz_dnc2unc},
    {"fuzz_dnc_parts", FuzzEntry_fuzz_dnc_parts},   {"fuzz_trace_ini", FuzzEntry_fuzz_trace_ini},
    {"fuzz_domain_ini", FuzzEntry_fuzz_domain_ini}, {"fuzz_workstation", FuzzEntry_fuzz_workstation},
};

class FuzzReplay : public LibTest, public ::testing::WithParamInterface<Target> {};

TEST_P(FuzzReplay, EveryCorpusInputPasses) {
    const std::filesystem::path dir = std::filesystem::path(QUORVEL_FUZZ_CORPUS) / GetParam().name;
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.is_regular_file()) files.push_back(e.path());
    ASSERT_FALSE(files.empty()) << "no seeds in " << dir;

    qvfuzz::ForgetEnvironment();
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        GetParam().entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    qvfuzz::ForgetEnvironment();
}

INSTANTIATE_TEST_SUITE_P(Corpus, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
