// Every failure path of every public operation: each operation runs once to
// count its events (calls of the simulated Win32 functions and allocations),
// then once more for every event k, failing event k alone and failing every
// event from k on. Each run must end in a status the operation can return,
// keep its output buffers terminated and within their size, leave the chains
// and lists consistent, leak no handle, write only whole trace lines, and a
// following ClearLists and the same operation without faults must give what a
// fault-free run gives from the same detected environment.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <quorvel/quorvel.h>
#include <quorvel/sim/Testing.h>

#include "LibraryFixture.h"

using nlohmann::json;

namespace {

using A = qvtest::Library;

// The codes of the network functions (the fault hook's and the workstation's
// for an unknown or wrong container), which network operations pass on.
const std::set<DWORD> kNet = {ERROR_NOT_ENOUGH_MEMORY, ERROR_UNEXP_NET_ERR, ERROR_NO_NETWORK,
                              ERROR_BAD_NETPATH, ERROR_BAD_PROVIDER, ERROR_NOT_CONTAINER};
const std::set<DWORD> kConv = {0, ERROR_INVALID_PARAMETER, ERROR_MORE_DATA, ERROR_INVALID_ADDRESS,
                               CONV_BAD_RES_NAME, CONV_BAD_RES_TYPE, CONV_BAD_NAME_FORMAT,
                               CONV_RES_NOT_FOUND, CONV_BAD_OS_VERSION, CONV_NO_SERVER,
                               CONV_BAD_CLIENT, CONV_BAD_MAP_PATH, CONV_NO_DOT};

std::set<DWORD> Plus(std::set<DWORD> a, const std::set<DWORD>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

// A caller's buffer with a guard behind it.
struct Buffer {
    char text[260 + 8];
    Buffer() {
        std::memset(text, 0xA5, sizeof text);
        text[0] = '\0';
    }
    // The text, or a note when it is not terminated within 260 bytes or
    // the guard was written.
    std::string Show() const {
        for (std::size_t i = 260; i < sizeof text; ++i)
            if (static_cast<unsigned char>(text[i]) != 0xA5) return "<overrun>";
        std::size_t n = ::strnlen(text, 260);
        return n == 260 ? "<unterminated>" : std::string(text, n);
    }
};

std::string Show(const char* psz, std::size_t size) {
    if (psz == nullptr) return "NULL";
    std::size_t n = ::strnlen(psz, size);
    return n == size ? "<unterminated>" : std::string(psz, n);
}

std::string Show(const std::vector<std::string>& v) {
    std::string s = "[";
    for (const auto& e : v) s += e + ";";
    return s + "]";
}

std::string Show(const NETRESOURCEA& r) {
    std::ostringstream os;
    os << r.dwScope << "," << r.dwType << "," << r.dwDisplayType << "," << r.dwUsage << ","
       << Show(r.lpRemoteName, 260) << "," << Show(r.lpProvider, 100);
    return os.str();
}

// The chains of a provider, checked against their counts.
std::string Chains(const _Provider& p) {
    std::string s;
    DWORD n = 0;
    for (const TLIST* t = p.pTrees; t != nullptr && n <= p.dwTreeCount; t = t->pNext, ++n)
        s += Show(t->szName, sizeof t->szName) + ";";
    if (n != p.dwTreeCount) s += "<tree count>";
    n = 0;
    for (const SLIST* t = p.pServers; t != nullptr && n <= p.dwServerCount; t = t->pNext, ++n)
        s += Show(t->szName, sizeof t->szName) + ";";
    if (n != p.dwServerCount) s += "<server count>";
    return s;
}

// What survives ClearLists: the detected environment and the switches.
struct Environment {
    std::string key;
    _Networks net;
    int univ, longShort, once, found;
};

Environment Detected() {
    Environment e{"", A::Net(), A::UseGetUniv(), A::UseLongAndShortDir(), A::NetScannedOnce(),
                  A::ObjFound()};
    std::ostringstream os;
    os << e.net.dwPlatformId;
    for (const _Provider* p : {&e.net.tNwProvider, &e.net.tMsProvider})
        os << "|" << p->wAvailable << "," << p->dwNetType << "," << p->dwClientType << ","
           << Show(p->szName, sizeof p->szName);
    os << "|" << e.univ << e.longShort << e.once << e.found;
    e.key = os.str();
    return e;
}

// The state after load with that environment detected (no chains).
void Restore(const Environment& e) {
    A::ResetToLoadState();
    for (auto [to, from] : {std::pair{&A::Net().tNwProvider, &e.net.tNwProvider},
                            std::pair{&A::Net().tMsProvider, &e.net.tMsProvider}}) {
        to->wAvailable = from->wAvailable;
        to->dwNetType = from->dwNetType;
        to->dwClientType = from->dwClientType;
        std::memcpy(to->szName, from->szName, sizeof to->szName);
    }
    A::Net().dwPlatformId = e.net.dwPlatformId;
    A::UseGetUniv() = e.univ;
    A::UseLongAndShortDir() = e.longShort;
    A::NetScannedOnce() = e.once;
    A::ObjFound() = e.found;
}

// Every list of the library after an operation.
std::string Lists() {
    std::string s = Chains(A::Net().tNwProvider) + "/" + Chains(A::Net().tMsProvider) + "/" +
                    Show(A::ServerList()) + Show(A::VolumeList()) + Show(A::UseDomains());
    for (const MOUNT_T& m : A::MountList())
        s += m.LocalName + "=" + m.RemoteName + ">" + m.DNCName + ";";
    return s;
}

// One workstation of the sweep and the names its operations are given.
struct Workstation {
    const char* name;
    const char* example;  // file of examples/
    json patch;           // merged into it
    bool trace;
    const char *map, *unc, *nds, *dnc, *server, *provider, *volumeObject;
};

// The run in progress: counting covers the library call only, not what the
// test does around it.
struct Counting {
    bool on = false;
    unsigned long long failAt = 0, events = 0;
    bool persistent = false;
} g_run;

void Begin() {
    if (g_run.on) qvsim::testing::StartFaults(g_run.failAt, g_run.persistent);
}
void End() {
    if (g_run.on) g_run.events = qvsim::testing::StopFaults();
    g_run.on = false;
}
template <class T>
const T& End(const T& result) {
    End();
    return result;
}
#define COUNTED(call) (Begin(), End(call))

void PrintTo(const Workstation& w, std::ostream* os) { *os << w.name; }

struct Answer {
    DWORD status = 0;
    std::string out;
};

// One public operation: what it is given, what it returns, which statuses
// it may return; setup runs before it without faults.
struct Operation {
    const char* name;
    std::set<DWORD> statuses;
    Answer (*run)(const Workstation&);
    void (*setup)(const Workstation&) = nullptr;
};

NETRESOURCEA ServerRecord(const Workstation& w, char* remote, char* provider) {
    std::strcpy(remote, w.server);
    std::strcpy(provider, w.provider);
    return {RESOURCE_GLOBALNET, RESOURCETYPE_DISK, RESOURCEDISPLAYTYPE_SERVER, 0, nullptr, remote,
            nullptr, provider};
}

Answer Res2Dnc(const char* name) {
    Buffer b;
    DWORD size = 260;
    DWORD r = COUNTED(CNetResConvert::ConvRes2DNC(name, b.text, size));
    // After every failure but 87 the buffer holds an empty string.
    const std::string out = b.Show();
    const bool bEmptied = r == 0 || r == ERROR_INVALID_PARAMETER || out.empty();
    return {r, (bEmptied ? "" : "<not emptied>") + out + "," + std::to_string(size)};
}

Answer ServerQuery(DWORD (*query)(NETRESOURCEA*)) {
    NETRESOURCEA r = {};
    DWORD s = COUNTED(query(&r));
    return {s, Show(r)};
}

const Operation kOperations[] = {
    {"BuildLists", Plus({0, CONV_BAD_OS_VERSION}, kNet),
     [](const Workstation&) { return Answer{COUNTED(CNetResConvert::BuildLists()), ""}; }},
    {"ClearLists", {0}, [](const Workstation&) { return Answer{COUNTED(CNetResConvert::ClearLists()), ""}; },
     [](const Workstation& w) {
         COUNTED(CNetResConvert::GetServerList());
         COUNTED(CNetResConvert::GetMountList());
         char remote[260], provider[100];
         NETRESOURCEA r = ServerRecord(w, remote, provider);
         CNetResConvert::EnumServerRes(&r);
     }},
    {"GetConvertMode", {0}, [](const Workstation&) { return Answer{COUNTED(CNetResConvert::GetConvertMode()), ""}; }},
    {"SetConvertMode", {0}, [](const Workstation&) {
         Begin();
         CNetResConvert::SetConvertMode(5);
         End();
         return Answer{};
     }},
    {"GetMountList", {0}, [](const Workstation&) {
         return Answer{0, std::to_string(COUNTED(CNetResConvert::GetMountList()).size())};
     }},
    {"GetResNameType", {0}, [](const Workstation& w) {
         DWORD type = 9;
         DWORD r = COUNTED(CNetResConvert::GetResNameType(w.map, type));
         return Answer{r, std::to_string(type)};
     }},
    {"ConvRes2DNC map", Plus(kConv, kNet), [](const Workstation& w) { return Res2Dnc(w.map); }},
    {"ConvRes2DNC unc", Plus(kConv, kNet), [](const Workstation& w) { return Res2Dnc(w.unc); }},
    {"ConvRes2DNC nds", Plus(kConv, kNet), [](const Workstation& w) { return Res2Dnc(w.nds); }},
    // In a batch the search keeps what it reads from the network (the
    // batch begins and ends outside the events counted).
    {"ConvRes2DNC nds in a batch", Plus(kConv, kNet), [](const Workstation& w) {
         quorvel_batch_begin();
         Answer a = Res2Dnc(w.nds);
         quorvel_batch_end();
         return a;
     }},
    {"ConvDNCtoUNC", {0}, [](const Workstation& w) {
         Buffer b;
         DWORD r = COUNTED(CNetResConvert::ConvDNCtoUNC(w.dnc, b.text));
         return Answer{r, b.Show()};
     }},
    {"ConvDNC2UNC", {0}, [](const Workstation& w) {
         Buffer b;
         std::vector<std::string> map{"stale"};
         DWORD r = COUNTED(CNetResConvert::ConvDNC2UNC(w.dnc, b.text, map));
         return Answer{r, b.Show() + Show(map)};
     }},
    {"ConvDNCtoMAP", {0}, [](const Workstation& w) {
         std::vector<std::string> map;
         DWORD r = COUNTED(CNetResConvert::ConvDNCtoMAP(w.dnc, map));
         return Answer{r, Show(map)};
     }},
    {"GetMapEntry", {CONV_IVALID_INDEX}, [](const Workstation& w) {
         Buffer b;
         NETRESOURCEA r = {};
         return Answer{COUNTED(CNetResConvert::GetMapEntry(w.dnc, &r, 0, b.text)), b.Show()};
     }},
    {"GetServerList", {0}, [](const Workstation&) {
         return Answer{0, Show(COUNTED(CNetResConvert::GetServerList()))};
     }},
    {"GetServerCount", {0}, [](const Workstation&) {
         return Answer{0, std::to_string(COUNTED(CNetResConvert::GetServerCount()))};
     }},
    {"GetFirstServer", {0, ERROR_NO_MORE_ITEMS},
     [](const Workstation&) { return ServerQuery(CNetResConvert::GetFirstServer); }},
    {"GetNextServer", {0, ERROR_NO_MORE_ITEMS}, [](const Workstation&) {
         return ServerQuery([](NETRESOURCEA* r) { return CNetResConvert::GetNextServer(1, r); });
     }},
    {"GetServerInfo", {0, ERROR_NO_MORE_ITEMS}, [](const Workstation&) {
         return ServerQuery([](NETRESOURCEA* r) { return CNetResConvert::GetServerInfo(0, r); });
     }},
    {"EnumServerRes", Plus({0, ERROR_NO_MORE_ITEMS}, kNet), [](const Workstation& w) {
         char remote[260], provider[100];
         NETRESOURCEA r = ServerRecord(w, remote, provider);
         DWORD s = COUNTED(CNetResConvert::EnumServerRes(&r));
         return Answer{s, Show(r)};
     }},
    {"ExtractServerVolume", {0, CONV_NO_SERVER},
     [](const Workstation& w) {
         char object[260];
         std::strcpy(object, w.volumeObject);
         Buffer server, volume;
         DWORD r = COUNTED(CNetResConvert::ExtractServerVolume(object, server.text, volume.text));
         return Answer{r, server.Show() + "," + volume.Show()};
     },
     [](const Workstation&) { COUNTED(CNetResConvert::GetServerList()); }},
    {"GetServerFromDNC", {0}, [](const Workstation& w) {
         char dnc[260];
         std::strcpy(dnc, w.dnc);
         Buffer server;
         DWORD r = COUNTED(CNetResConvert::GetServerFromDNC(dnc, server.text));
         return Answer{r, server.Show()};
     }},
};

// The workstations: both NetWare clients, code pages 1252 and 932, tracing
// on and off.
json Drive(const char* local, const char* remote, const char* provider) {
    return {{"local", local}, {"remote", remote}, {"provider", provider}};
}

const char kNw[] = "NetWare or Compatible Network";

const Workstation kVendorClient = {
    "VendorClient1252Traced", "nt-traced.json",
    {{"connections", {Drive("F:", "\\\\NW1\\DATA", "NetWare Services"),
                      Drive("H:", "\\\\FS2\\PUBLIC\\Documentation Archive", "Microsoft Windows Network")}},
     {"profiles", {{"ZTXDOM.INI", "[MSDomains]\r\nUse=SALES\r\n"}}}},
    true, "F:\\REPORTS\\2026", "\\\\FS1\\PROJECTS\\Plans",
    "\\\\ACME_TREE\\Acme\\Sales\\NW1_DATA\\REPORTS", "\\\\NW1\\DATA\\Customer Contracts", "\\\\NW1",
    "NetWare Services", "NW1_DATA"};

// The same without tracing, where a batch keeps what its searches read.
Workstation Untraced(Workstation w, const char* name) {
    w.name = name;
    w.trace = false;
    return w;
}

const Workstation kWorkstations[] = {
    kVendorClient,
    Untraced(kVendorClient, "VendorClient1252"),
    {"MsClient932", "nt-msclient.json",
     {{"code_page", 932},
      {"connections", {Drive("F:", "\\\\NW1\\DATA", kNw), Drive("G:", "\\\\ACME_TREE\\.NW2_PROJ.Engineering.Acme", kNw),
                       Drive("P:", "\\\\FS1\\PROJECTS", "Microsoft Windows Network"),
                       Drive("H:", "\\\\NW1\\DATA\\\u8868\u793a", kNw)}}},
     false, "H:\\\x95\x5C", "\\\\FS1\\PROJECTS\\x", "\\\\ACME_TREE\\.NW1_DATA.Sales.Acme\\REPORTS",
     "\\\\NW1\\DATA\\REPORTS", "\\\\NW2", kNw, "NW2_PROJ"},
};

struct RunResult {
    Answer answer;
    std::string lists, trace;
};

class FaultSweep : public LibraryFixture, public ::testing::WithParamInterface<Workstation> {
protected:
    void SetUp() override {
        LibraryFixture::SetUp();
        const Workstation& w = GetParam();
        json ws = json::parse(qvtest::ReadFile(std::string(QUORVEL_EXAMPLES_DIR "/") + w.example));
        ws.merge_patch(w.patch);
        tracePath_ = TempDir() + "/trace.out";
        ws["profiles"]["Zx_TraQV.ini"] =
            w.trace ? "[Settings]\r\ntrace_flag=1\r\nflush_flag=1\r\ntracepath=" + tracePath_ +
                          "\r\nprim_level=f0000001\r\nsec_level_low=f\r\n"
                    : "";
        UseWorkstation(ws);
        if (w.trace) OpenTrace();
    }

    // The trace written since the last call.
    std::string NewTrace() {
        if (!GetParam().trace) return "";
        std::ifstream in(tracePath_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(traceSeen_));
        std::string part((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        traceSeen_ += part.size();
        return part;
    }

    // From the state after load: setup, then the operation, counting from
    // the start of the operation.
    RunResult RunFresh(const Operation& op, unsigned long long failAt, bool persistent,
                       unsigned long long* events) {
        A::ResetToLoadState();
        qvtest::ResetTraceThreads();
        // Detection has its own row (BuildLists); the others start with the
        // environment detected and the lists empty.
        if (op.run != kOperations[0].run) {
            CNetResConvert::BuildLists();
            CNetResConvert::ClearLists();
        }
        if (op.setup != nullptr) op.setup(GetParam());
        NewTrace();
        g_run = {true, failAt, 0, persistent};
        RunResult r;
        try {
            r.answer = op.run(GetParam());
        } catch (...) {
            r.answer.out = "<exception>";
        }
        End();
        *events = g_run.events;
        r.lists = Lists();
        r.trace = NewTrace();
        return r;
    }

    // ClearLists and the operation again, without faults.
    RunResult RunAgain(const Operation& op) {
        NewTrace();
        CNetResConvert::ClearLists();
        RunResult r{op.run(GetParam()), Lists(), ""};
        r.trace = NewTrace();
        return r;
    }

    // What ClearLists and the operation give without any fault from the
    // environment e (cached per operation and environment).
    const RunResult& Reference(const Operation& op, const Environment& e) {
        const std::string key = std::string(op.name) + "#" + e.key;
        auto it = references_.find(key);
        if (it != references_.end()) return it->second;
        Restore(e);
        qvtest::ResetTraceThreads();
        return references_.emplace(key, RunAgain(op)).first->second;
    }

    std::map<std::string, RunResult> references_;
    std::uintmax_t traceSeen_ = 0;
};

// Only whole lines: indentation, then an enter, leave, PARAM or ERROR record,
// ending with CR LF. The text of a PARAM or ERROR record may go on, unindented,
// on the lines that follow it (a line break inside the text).
std::string BrokenLine(const std::string& trace) {
    if (!trace.empty() && trace.size() < 2) return trace;
    if (!trace.empty() && trace.compare(trace.size() - 2, 2, "\r\n") != 0) return "<no line end>";
    bool inText = false;
    for (std::size_t pos = 0; pos < trace.size();) {
        std::size_t end = trace.find("\r\n", pos);
        std::string line = trace.substr(pos, end - pos);
        std::size_t body = line.find_first_not_of(' ');
        const bool text = body != std::string::npos && body % 3 == 0 &&
                          (line.compare(body, 6, "PARAM:") == 0 || line.compare(body, 6, "ERROR:") == 0);
        if (!text && !(inText && body == 0) &&
            (body == std::string::npos || body % 3 != 0 ||
             (line.compare(body, 2, "->") != 0 && line.compare(body, 14, "<- END METHODE") != 0)))
            return line;
        inText = text || (inText && body == 0);
        pos = end + 2;
    }
    return "";
}

// The first line where two traces differ, with the line the other has there.
std::string FirstDifference(const std::string& a, const std::string& b) {
    std::size_t pos = 0;
    while (pos < a.size() && pos < b.size() && a[pos] == b[pos]) ++pos;
    if (pos == a.size() && pos == b.size()) return "";
    std::size_t begin = a.rfind("\r\n", pos);
    begin = begin == std::string::npos ? 0 : begin + 2;
    return "[" + a.substr(begin, a.find("\r\n", begin) - begin) + "] instead of [" +
           b.substr(begin, b.find("\r\n", begin) - begin) + "]";
}

int Failures() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

}  // namespace

TEST_P(FaultSweep, EveryEventOfEveryOperation) {
    unsigned long long positions = 0;
    for (const Operation& op : kOperations) {
        unsigned long long n = 0;
        for (int warm = 0; warm < 2; ++warm) RunFresh(op, 0, false, &n);  // first uses allocate more
        std::cout << op.name << ": " << n << " events" << std::endl;
        int failures = 0;
        for (unsigned long long k = 1; k <= n && failures < 3; ++k) {
            for (bool persistent : {false, true}) {
                SCOPED_TRACE(std::string(op.name) + (persistent ? ": every event from " : ": event ") +
                             std::to_string(k) + " of " + std::to_string(n) + " fails");
                const int before = Failures();
                unsigned long long events = 0;
                RunResult run = RunFresh(op, k, persistent, &events);
                ++positions;
                EXPECT_GE(events, k);  // the event chosen was reached
                EXPECT_TRUE(op.statuses.count(run.answer.status)) << "status " << run.answer.status;
                EXPECT_EQ(run.answer.out.find('<'), std::string::npos) << run.answer.out;
                EXPECT_EQ(run.lists.find('<'), std::string::npos) << run.lists;
                EXPECT_EQ(qvsim::testing::OpenHandles(), 0u);
                EXPECT_EQ(BrokenLine(run.trace), "");

                const Environment env = Detected();
                RunResult again = RunAgain(op);
                const RunResult& ref = Reference(op, env);
                EXPECT_EQ(again.answer.status, ref.answer.status);
                EXPECT_EQ(again.answer.out, ref.answer.out);
                EXPECT_EQ(again.lists, ref.lists);
                EXPECT_EQ(FirstDifference(again.trace, ref.trace), "");
                if (Failures() != before) ++failures;
            }
        }
    }
    std::cout << GetParam().name << ": " << positions << " fault positions swept\n";
}

INSTANTIATE_TEST_SUITE_P(Workstations, FaultSweep, ::testing::ValuesIn(kWorkstations),
                         [](const auto& info) { return std::string(info.param.name); });
