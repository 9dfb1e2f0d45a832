// How the work grows with the size of the workstation: the default
// workstation with 10 to 30,000 more servers, NDS containers or entries of
// one folder. Each benchmark fits its complexity to the sizes (expected:
// linear in the size, or constant for a single conversion).
#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include <quorvel/sim/Workstation.h>

#include <quorvel/NetResConvert.h>
#include "LibraryAccess.h"
#include "TraceSupport.h"

namespace {

using nlohmann::json;
using A = qvtest::Library;

json* FindNode(json& nodes, const std::string& remote) {
    for (auto& node : nodes) {
        if (node.value("remote", "") == remote) return &node;
        if (node.contains("children"))
            if (json* found = FindNode(node["children"], remote)) return found;
    }
    return nullptr;
}

std::string Numbered(const char* format, long i) {
    char text[128];
    std::snprintf(text, sizeof text, format, i);
    return text;
}

// The default workstation grown by n servers (two shares each) in the
// domain SALES, n containers (one volume each) below the tree, or a folder
// of n files behind \\FS1\PROJECTS (same as bench/make_workstation.py).
const std::string& Grown(const std::string& kind, long n) {
    static std::map<std::pair<std::string, long>, std::string> cache;
    std::string& text = cache[{kind, n}];
    if (!text.empty()) return text;
    json ws = json::parse(qvsim::DefaultWorkstationJson());
    if (kind == "servers") {
        json& domain = *FindNode(ws["network"], "SALES");
        for (long i = 0; i < n; ++i) {
            const std::string name = Numbered("\\\\SRV%05ld", i);
            domain["children"].push_back({{"remote", name}, {"display", "server"}, {"comment", "generated"},
                                          {"children", {{{"remote", name + "\\DATA"}, {"display", "share"}},
                                                        {{"remote", name + "\\SYS"}, {"display", "share"}}}}});
        }
    } else if (kind == "containers") {
        json& tree = *FindNode(ws["network"], "\\\\ACME_TREE\\Acme");
        for (long i = 0; i < n; ++i) {
            const std::string name = Numbered("\\\\ACME_TREE\\Acme\\OU%05ld", i);
            tree["children"].push_back({{"remote", name}, {"display", "ndscontainer"},
                                        {"children", {{{"remote", name + "\\NW1_DATA"}, {"display", "share"}}}}});
        }
    } else {
        json folder = json::object();
        for (long i = 0; i < n; ++i) folder[Numbered("Quarterly report %05ld.doc", i)] = json::object();
        ws["files"]["\\\\FS1\\PROJECTS"]["Reports 2026"] = {{"children", folder}};
    }
    text = ws.dump();
    return text;
}

// Tracing off and the grown workstation in force, the library as loaded.
bool Use(benchmark::State& state, const std::string& kind) {
    qvtest::ResetTraceToLoadState();
    std::string error;
    if (!qvsim::UseText(Grown(kind, state.range(0)), "scaling.json", ".", error)) {
        state.SkipWithError(error.c_str());
        return false;
    }
    A::ResetToLoadState();
    return true;
}

void Finish(benchmark::State& state) {
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations());
}

// Reading a description into the workstation in force.
void BM_Scale_LoadServers(benchmark::State& state) {
    const std::string& text = Grown("servers", state.range(0));
    for (auto _ : state) {
        std::string error;
        if (!qvsim::UseText(text, "scaling.json", ".", error)) state.SkipWithError(error.c_str());
    }
    Finish(state);
}

// Checking a description and writing it normalised (`quorvel workstation
// FILE`): the whole tree is read, so one large object must not cost more
// than its members.
void Normalise(benchmark::State& state, const char* kind) {
    const std::string& text = Grown(kind, state.range(0));
    for (auto _ : state) {
        std::string normalised, error;
        if (!qvsim::CheckText(text, "scaling.json", ".", normalised, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(normalised.data());
    }
    Finish(state);
}
void BM_Scale_NormaliseServers(benchmark::State& state) { Normalise(state, "servers"); }
void BM_Scale_NormaliseFolder(benchmark::State& state) { Normalise(state, "entries"); }

// The scan that builds the server list.
void BM_Scale_ServerScan(benchmark::State& state) {
    if (!Use(state, "servers")) return;
    for (auto _ : state) {
        A::ResetToLoadState();
        benchmark::DoNotOptimize(CNetResConvert::GetServerList().size());
    }
    Finish(state);
}

// Every server by its index, as `quorvel volumes` looks for a server's
// provider: the first server, then each next one.
void BM_Scale_WalkServers(benchmark::State& state) {
    if (!Use(state, "servers")) return;
    DWORD count = CNetResConvert::GetServerCount();
    for (auto _ : state) {
        NETRESOURCEA res{};
        DWORD status = CNetResConvert::GetFirstServer(&res);
        for (DWORD i = 1; status == 0 && i < count; ++i) status = CNetResConvert::GetNextServer(i, &res);
        benchmark::DoNotOptimize(res.lpRemoteName);
    }
    Finish(state);
}

// One name through the last server or container of the grown workstation.
void ConvertLast(benchmark::State& state, const char* kind, const char* format) {
    if (!Use(state, kind)) return;
    const std::string name = Numbered(format, state.range(0) - 1);
    char dnc[260];
    for (auto _ : state) {
        DWORD size = sizeof dnc;
        if (CNetResConvert::ConvRes2DNC(name.c_str(), dnc, size) != 0) state.SkipWithError("not converted");
    }
    Finish(state);
}

// A UNC path: the server is looked up in the server list.
void BM_Scale_ConvertUnc(benchmark::State& state) {
    ConvertLast(state, "servers", "\\\\SRV%05ld\\DATA\\Projects\\report.doc");
}

// An NDS name: each element is looked for among the children of the one
// before.
void BM_Scale_NdsContainers(benchmark::State& state) {
    ConvertLast(state, "containers", "\\\\ACME_TREE\\Acme\\OU%05ld\\NW1_DATA\\Projects\\report.doc");
}

// The long and short form of the last file of the folder.
void BM_Scale_FolderEntries(benchmark::State& state) {
    if (!Use(state, "entries")) return;
    const std::string name =
        Numbered("\\\\FS1\\PROJECTS\\Reports 2026\\Quarterly report %05ld.doc", state.range(0) - 1);
    char longName[260], shortName[260];
    for (auto _ : state) {
        if (A::GetLongAndShortDNCName(name.c_str(), longName, shortName) != 0) state.SkipWithError("not found");
    }
    Finish(state);
}

}  // namespace

#define QV_SCALING(bm) BENCHMARK(bm)->RangeMultiplier(10)->Range(10, 30000)->Complexity()->Unit(benchmark::kMicrosecond)
QV_SCALING(BM_Scale_LoadServers);
QV_SCALING(BM_Scale_NormaliseServers);
QV_SCALING(BM_Scale_NormaliseFolder);
QV_SCALING(BM_Scale_ServerScan);
QV_SCALING(BM_Scale_WalkServers);
QV_SCALING(BM_Scale_ConvertUnc);
QV_SCALING(BM_Scale_NdsContainers);
QV_SCALING(BM_Scale_FolderEntries);
