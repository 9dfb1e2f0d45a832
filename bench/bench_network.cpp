// What an NDS name costs in network calls and in time, one by one and in a
// batch, on the default workstation with tracing off: the counter
// "calls/name" is the simulation's count of WNet calls per conversion (on a
// real network each is a round trip), the time is the library's own work.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include <quorvel/quorvel.h>
#include <quorvel/sim/Command.h>
#include <quorvel/sim/Workstation.h>

#include "LibraryAccess.h"
#include "TraceSupport.h"

namespace {

unsigned long long NetworkCalls() {
    unsigned long long n = 0;
    for (const qvsim::command::CallCount& c : qvsim::command::CallCounts())
        if (std::string(c.function).starts_with("WNet")) n += c.calls;
    return n;
}

// Names below the four NetWare volume objects of the default tree, each in a
// folder of its own.
std::vector<std::string> NdsNames(int n) {
    const char* const volumes[] = {"Sales\\NW1_DATA", "Engineering\\NW2_PROJ", "Sales\\NW1_SYS",
                                   "Engineering\\NW2_SYS"};
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) {
        char name[128];
        std::snprintf(name, sizeof name, "\\\\ACME_TREE\\Acme\\%s\\d%d\\f.doc", volumes[i % 4], i);
        names.emplace_back(name);
    }
    return names;
}

enum class Mode { OneByOne, BatchCold, BatchWarm };

// Converts the names in turn, one name an iteration. BatchCold begins and
// ends a batch around every name; BatchWarm converts within one batch whose
// memory already holds the containers.
void ConvertNds(benchmark::State& state, Mode mode) {
    qvtest::ResetTraceToLoadState();
    qvsim::UseDefault();
    qvtest::Library::ResetToLoadState();
    const std::vector<std::string> names = NdsNames(1024);
    char dnc[QUORVEL_PATH_SIZE];
    auto convert = [&](const std::string& name) {
        uint32_t size = sizeof dnc;
        return quorvel_res_to_dnc(name.c_str(), dnc, &size);
    };
    if (convert(names[0]) != QUORVEL_OK) {  // builds the lists
        state.SkipWithError("an NDS name of the default workstation failed");
        return;
    }
    if (mode == Mode::BatchWarm) {
        quorvel_batch_begin();
        for (const std::string& name : names) convert(name);
    }
    const unsigned long long before = NetworkCalls();
    std::size_t i = 0;
    for (auto _ : state) {
        if (mode == Mode::BatchCold) quorvel_batch_begin();
        const uint32_t status = convert(names[i++ % names.size()]);
        if (mode == Mode::BatchCold) quorvel_batch_end();
        if (status != QUORVEL_OK) {
            state.SkipWithError("conversion failed");
            break;
        }
        benchmark::DoNotOptimize(dnc);
    }
    state.counters["calls/name"] =
        benchmark::Counter(static_cast<double>(NetworkCalls() - before), benchmark::Counter::kAvgIterations);
    if (mode == Mode::BatchWarm) quorvel_batch_end();
    state.SetItemsProcessed(state.iterations());
}

void BM_Network_NdsOneByOne(benchmark::State& state) { ConvertNds(state, Mode::OneByOne); }
void BM_Network_NdsBatchCold(benchmark::State& state) { ConvertNds(state, Mode::BatchCold); }
void BM_Network_NdsBatchWarm(benchmark::State& state) { ConvertNds(state, Mode::BatchWarm); }

BENCHMARK(BM_Network_NdsOneByOne);
BENCHMARK(BM_Network_NdsBatchCold);
BENCHMARK(BM_Network_NdsBatchWarm);

}  // namespace
