// Conversions per second on a workstation with 25 mapped drives, tracing off:
// mapped-drive paths to DNC names, UNC paths to DNC names, and DNC names back
// to their mapped-drive paths.
#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include <quorvel/sim/Workstation.h>

#include <quorvel/NetResConvert.h>
#include "LibraryAccess.h"
#include "TraceSupport.h"

namespace {

using nlohmann::json;

// NT with the vendor's NetWare client. Drives B: to Z: (25): the first 12 on
// volumes of the NetWare servers NW1..NW4, the others on shares of the
// Microsoft servers FS1..FS4; every server also has volumes no drive maps.
std::string BenchWorkstation() {
    json nwServers = json::array();
    json msServers = json::array();
    json drives = json::array();
    for (int s = 1; s <= 4; ++s) {
        json nwVolumes = json::array();
        json msShares = json::array();
        for (int v = 1; v <= 8; ++v) {
            nwVolumes.push_back({{"remote", "\\\\NW" + std::to_string(s) + "\\VOL" + std::to_string(v)},
                                 {"display", "share"}});
            msShares.push_back({{"remote", "\\\\FS" + std::to_string(s) + "\\SHARE" + std::to_string(v)},
                                {"display", "share"}});
        }
        nwServers.push_back({{"remote", "\\\\NW" + std::to_string(s)}, {"display", "server"}, {"children", nwVolumes}});
        msServers.push_back({{"remote", "\\\\FS" + std::to_string(s)}, {"display", "server"}, {"children", msShares}});
    }
    for (int i = 0; i < 25; ++i) {
        const std::string local = std::string(1, static_cast<char>('B' + i)) + ":";
        const bool nw = i < 12;
        const std::string remote = nw ? "\\\\NW" + std::to_string(i % 4 + 1) + "\\VOL" + std::to_string(i / 4 + 1)
                                      : "\\\\FS" + std::to_string(i % 4 + 1) + "\\SHARE" + std::to_string(i / 4 + 1);
        drives.push_back({{"local", local},
                          {"remote", remote},
                          {"provider", nw ? "NetWare Services" : "Microsoft Windows Network"}});
    }
    json ws = {
        {"os", {{"platform_id", 2}, {"major", 4}, {"minor", 0}, {"build", 1381}}},
        {"providers", {{"netware", "NetWare Services"}, {"lanman", "Microsoft Windows Network"}}},
        {"connections", drives},
    };
    ws["network"] = json::array(
        {{{"remote", "NetWare Services"}, {"display", "network"}, {"provider", "NetWare Services"}, {"children", nwServers}},
         {{"remote", "Microsoft Windows Network"},
          {"display", "network"},
          {"provider", "Microsoft Windows Network"},
          {"children", {{{"remote", "SALES"}, {"display", "domain"}, {"children", msServers}}}}}});
    return ws.dump();
}

// Tracing off, the benchmark workstation in force, and the mount list and
// server list built, so that the loops measure the conversions alone.
void Prepare(benchmark::State& state) {
    qvtest::ResetTraceToLoadState();
    std::string error;
    if (!qvsim::UseText(BenchWorkstation(), "bench.json", ".", error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    qvtest::Library::ResetToLoadState();
    CNetResConvert::GetServerList();
    if (CNetResConvert::GetMountList().size() != 25) state.SkipWithError("mount list is not 25 drives");
}

void ConvertRepeatedly(benchmark::State& state, const char* name) {
    Prepare(state);
    char dnc[260];
    for (auto _ : state) {
        DWORD size = sizeof dnc;
        DWORD ret = CNetResConvert::ConvRes2DNC(name, dnc, size);
        if (ret != 0) {
            state.SkipWithError("conversion failed");
            break;
        }
        benchmark::DoNotOptimize(dnc);
    }
    state.SetItemsProcessed(state.iterations());
}

// The last drive of the list, so that the lookup walks all 25 entries.
void BM_ConvRes2DNC_MapPath(benchmark::State& state) {
    ConvertRepeatedly(state, "z:\\Projects\\2026\\report.doc");
}

// A UNC path below no drive: the drive test fails, the name conversion
// finds the server in the server list.
void BM_ConvRes2DNC_UncPath(benchmark::State& state) {
    ConvertRepeatedly(state, "\\\\FS4\\SHARE8\\Projects\\2026\\report.doc");
}

// A UNC path below a mapped drive: recognised as a DNC name already.
void BM_ConvRes2DNC_UncBelowDrive(benchmark::State& state) {
    ConvertRepeatedly(state, "\\\\FS4\\SHARE4\\Projects\\2026\\report.doc");
}

void BM_ConvDNCtoMAP_25Drives(benchmark::State& state) {
    Prepare(state);
    std::vector<std::string> maps;
    for (auto _ : state) {
        DWORD ret = CNetResConvert::ConvDNCtoMAP("\\\\FS4\\SHARE4\\Projects\\2026\\report.doc", maps);
        if (ret != 0 || maps.size() != 1) {
            state.SkipWithError("DNC name gave no mapped path");
            break;
        }
        benchmark::DoNotOptimize(maps.data());
    }
    state.SetItemsProcessed(state.iterations());
}

// The floor the conversions are measured against: what any program must do
// for a drive path, a case-insensitive lookup of the drive among the 25
// entries and a copy of its DNC name and the rest into the caller's buffer.
void BM_Floor_DriveLookupAndCopy(benchmark::State& state) {
    struct Drive {
        std::string local, dnc;
    };
    std::vector<Drive> drives;
    for (int i = 0; i < 25; ++i)
        drives.push_back({std::string(1, static_cast<char>('B' + i)) + ":",
                          "\\\\FS" + std::to_string(i % 4 + 1) + "\\SHARE" + std::to_string(i / 4 + 1)});
    const char* name = "z:\\Projects\\2026\\report.doc";
    char dnc[260];
    for (auto _ : state) {
        benchmark::DoNotOptimize(name);
        const char drive[3] = {name[0], name[1], '\0'};
        const Drive* found = nullptr;
        for (const Drive& d : drives) {
            if (::strcasecmp(d.local.c_str(), drive) == 0) {
                found = &d;
                break;
            }
        }
        const std::size_t rest = std::strlen(name + 2);
        if (found == nullptr || found->dnc.size() + rest + 1 > sizeof dnc) {
            state.SkipWithError("no drive");
            break;
        }
        std::memcpy(dnc, found->dnc.data(), found->dnc.size());
        std::memcpy(dnc + found->dnc.size(), name + 2, rest + 1);
        benchmark::DoNotOptimize(dnc);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_Floor_DriveLookupAndCopy);
BENCHMARK(BM_ConvRes2DNC_MapPath);
BENCHMARK(BM_ConvRes2DNC_UncPath);
BENCHMARK(BM_ConvRes2DNC_UncBelowDrive);
BENCHMARK(BM_ConvDNCtoMAP_25Drives);
