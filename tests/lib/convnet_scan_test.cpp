// Provider model and network scan: GetNetType, the provider chains, list
// building (depth, domain filter, printer and provider filters, errors,
// batches) and the search mode.
#include <cstring>
#include <string>
#include <vector>

#include "LibTest.h"

using nlohmann::json;

namespace {

using qvtest::Node;
using qvtest::Top;
const char* const kNw = qvtest::kNetWare;
const char* const kMs = qvtest::kMsNet;

json Ws(json network) {
    return {{"providers", {{"netware", kNw}, {"lanman", kMs}}}, {"network", std::move(network)}};
}

template <class Chain>
std::vector<std::string> Names(const Chain* p) {
    std::vector<std::string> v;
    for (; p != nullptr; p = p->pNext) v.emplace_back(p->szName);
    return v;
}

}  // namespace

class ConvnetScan : public LibTest {
protected:
    // Detection on NT with both providers.
    static void Detected(DWORD client = 2) {
        DetectNetWare(2, client);
        A::Net().tMsProvider = {1, WNNC_NET_LANMAN, 0, {}, 0, nullptr, 0, nullptr};
        std::strcpy(A::Net().tMsProvider.szName, kMs);
    }
};

TEST_F(ConvnetScan, GetNetTypeFirstMatchingRuleDecides) {
    struct Row {
        const char *nwStored, *name;
        DWORD type;
        const char* line;
    };
    const Row rows[] = {
        {"Acme Microsoft", "Acme Microsoft", WNNC_NET_NETWARE, "Provider=Acme Microsoft, d.h. NOVELL"},
        {kNw, kMs, WNNC_NET_LANMAN, "Provider=Microsoft Windows Network, d.h. LANMAN"},
        {kNw, "Novell NetWare", WNNC_NET_NETWARE, "ACHTUNG: Provider=Novell NetWare, d.h. NOVELL"},
        {kNw, "IntranetWare", WNNC_NET_NETWARE, "ACHTUNG: Provider=IntranetWare, d.h. NOVELL"},
        {kNw, "Microsoft Family", NET_TYPE_UNSUPPORTED,
         "Provider=Microsoft Family, d.h. Family, d.h. Not Supported!"},
        {kNw, "Microsoft Other", WNNC_NET_LANMAN, "ACHTUNG: Provider=Microsoft Other, d.h. LANMAN"},
        {kNw, "netware", NET_TYPE_UNSUPPORTED, "Provider=netware, d.h. Not Supported!"},
        {"", "", WNNC_NET_NETWARE, "Provider=LEER, d.h. NOVELL"},  // stored name of no provider
        {kNw, nullptr, NET_TYPE_UNSUPPORTED, "Provider=NULL, d.h. Not Supported!"},
    };
    UseWorkstationWithTrace(json::object());
    std::string expected;
    for (const Row& r : rows) {
        Detected();
        std::strcpy(A::Net().tNwProvider.szName, r.nwStored);
        EXPECT_EQ(A::GetNetType(r.name), r.type) << r.line;
        expected += "->CNetResConvert::GetNetType()\r\n   PARAM:" + std::string(r.line) +
                    "\r\n<- END METHODE\r\n";
    }
    EXPECT_EQ(TraceRecords(), expected);
}

TEST_F(ConvnetScan, ChainsGrowAtTheHeadAndAreClearedOnlyWhenAvailable) {
    char remote[400] = "\\\\X";
    NETRESOURCEA r = {};
    r.lpRemoteName = remote;
    EXPECT_EQ(A::NextServer(&r), static_cast<DWORD>(ERROR_INVALID_ADDRESS));  // no provider
    Detected();
    _Provider& ms = A::Net().tMsProvider;
    A::Net().pCurProvider = &ms;
    std::strcpy(remote, "   SALES");
    A::NextDomain(&r);
    A::NextServer(&r);  // a server keeps its name as enumerated
    std::strcpy(remote, std::string(300, 'D').c_str());
    A::NextDomain(&r);
    A::NextServer(&r);
    EXPECT_EQ(Names(ms.pTrees), (std::vector<std::string>{std::string(67, 'D'), "SALES"}));
    EXPECT_EQ(Names(ms.pServers), (std::vector<std::string>{std::string(259, 'D'), "   SALES"}));

    ms.wAvailable = 2;  // only exactly 1 counts
    EXPECT_EQ(A::ClearNetInfo(&ms), 0);
    EXPECT_EQ(ms.dwServerCount, 2u);
    EXPECT_EQ(A::ClearNetInfo(nullptr), 0);
    ms.wAvailable = 1;
    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ(A::ClearNetInfo(&ms), 1);
        EXPECT_EQ(ms.dwTreeCount + ms.dwServerCount, 0u);
        EXPECT_EQ(ms.pTrees, nullptr);
        EXPECT_EQ(ms.pServers, nullptr);
    }
}

// What the server scan collects, by network, NetWare client and domain file.
TEST_F(ConvnetScan, ListBuilding) {
    json nwTree = Top(kNw, {Node("\\\\T", "tree", {Node("\\\\S2", "server"),
                                                   Node("\\\\T\\C", "ndscontainer",
                                                        {Node("\\\\S3", "server")})}),
                            Node("\\\\S1", "server")});
    json ms = Top(kMs, {Node("SALES", "domain", {Node("\\\\FS1", "server")}),
                        Node("ENGINEERING", "domain", {Node("\\\\FS2", "server")})});
    auto printers = [](const char* remote, const char* provider) {
        json p = Node(remote, "ndscontainer", {Node("\\\\PS1", "server")});
        p["provider"] = provider;
        return json::array({Top(kNw, {p, Node("\\\\S1", "server")})});
    };
    json vines = Node("VINES", "network", {Node("\\\\BV1", "server")});
    vines["provider"] = "Banyan VINES";
    json batch = Top(kNw, {Node("\\\\B1", "server"), Node("\\\\B2", "server"), Node("\\\\B3", "server")});
    batch["batch"] = 1;
    const std::string longServer = "\\\\" + std::string(298, 'S');
    json growth = Top(kMs, {Node("\\\\" + std::string(2000, 'T'), "tree", {Node(longServer, "server")}),
                            Node("\\\\AFTER", "server")});
    struct Row {
        const char* label;
        json network;
        DWORD client;
        const char* ini;
        std::vector<std::string> servers;
    };
    const Row rows[] = {
        {"Microsoft client: depth 1", {nwTree}, 1, nullptr, {"\\\\S1"}},
        {"vendor client: depth 2", {nwTree}, 2, nullptr, {"\\\\S2", "\\\\S1"}},
        {"no domain file", {ms}, 2, nullptr, {"\\\\FS1", "\\\\FS2"}},
        {"one domain", {ms}, 2, "[MSDomains]\r\nUse=sales\r\n;Use=ENGINEERING\r\nComment\r\n", {"\\\\FS1"}},
        {"empty name", {ms}, 2, "[MSDomains]\r\nUse=\r\n", {}},
        {"only comments", {ms}, 2, "[MSDomains]\r\n;Use=SALES\r\n", {"\\\\FS1", "\\\\FS2"}},
        {"values after the first =", {ms}, 2, "[MSDomains]\r\nA=X=SALES\r\nB=engineering\r\n",
         {"\\\\FS2"}},
        {"NDPS", printers("\\\\T\\NDPS Public Access Printers", kNw), 2, nullptr, {"\\\\S1"}},
        {"NDPS de", printers("\\\\T\\NDPS-Drucker mit \xC3\xB6" "ffentlichem Zugriff", kNw), 2,
         nullptr, {"\\\\S1"}},
        {"HP", printers("\\\\T\\P", "HP Network Printer"), 2, nullptr, {"\\\\S1"}},
        {"unsupported provider", {Top(kNw, {vines, Node("\\\\S1", "server")})}, 2, nullptr, {"\\\\S1"}},
        {"duplicates kept", {Top(kMs, {Node("A", "domain", {Node("\\\\FS1", "server")}),
                                       Node("B", "domain", {Node("\\\\FS1", "server")})})},
         2, nullptr, {"\\\\FS1", "\\\\FS1"}},
        {"batches of one", {batch}, 2, nullptr, {"\\\\B1", "\\\\B2", "\\\\B3"}},
        {"buffer growth", {growth}, 2, nullptr, {longServer, "\\\\AFTER"}},
    };
    for (const Row& row : rows) {
        A::ResetToLoadState();
        json ws = Ws(row.network);
        if (row.ini != nullptr) ws["profiles"]["ZTXDOM.INI"] = row.ini;
        UseWorkstation(ws);
        Detected(row.client);
        EXPECT_EQ(A::GetAllServers(), 0u) << row.label;
        EXPECT_EQ(A::ServerList(), row.servers) << row.label;
        EXPECT_EQ(A::Net().pCurProvider, nullptr) << row.label;
        if (row.network[0] == ms) {  // every domain is recorded, entered or not
            EXPECT_EQ(A::Net().tMsProvider.dwTreeCount, 2u) << row.label;
        }
    }
    // the last row's tree name was cut to the node's field
    EXPECT_EQ(Names(A::Net().tMsProvider.pTrees), std::vector<std::string>{"\\\\" + std::string(65, 'T')});
}

// An error of the first level is the scan's result; one below it is only
// traced. The depth counter is back at 0 after every scan.
TEST_F(ConvnetScan, ScanErrors) {
    const std::string openError = "ERROR:WNetOpenEnum, Error=35, The network path was not found.";
    const std::string enumError = "ERROR:WNetEnumResource, Error=3b, An unexpected network error occurred.";
    struct Row {
        const char* where;
        const char* key;
        DWORD result;
        std::vector<std::string> servers;
        std::string line;
    };
    const Row rows[] = {
        {"top", "open_error", 53, {}, openError},
        {"top", "enum_error", 59, {"\\\\S1"}, enumError},  // after one entry
        {"tree", "open_error", 0, {"\\\\S1"}, openError},
        {"tree", "enum_error", 0, {"\\\\S1"}, enumError},
    };
    for (const Row& row : rows) {
        A::ResetToLoadState();
        json top = Top(kNw, {Node("\\\\S1", "server"), Node("\\\\T", "tree", {Node("\\\\S2", "server")})});
        json& failing = std::string(row.where) == "top" ? top : top["children"][1];
        failing[row.key] = row.key == std::string("open_error") ? 53 : 59;
        if (&failing == &top) failing["enum_error_after"] = 1;
        UseWorkstationWithTrace(Ws({top}));
        Detected();
        EXPECT_EQ(A::GetNwServers(2), row.result) << row.where << row.key;
        EXPECT_EQ(A::ServerList(), row.servers) << row.where << row.key;
        A::GetNwServers(2);
        const std::string trace = TraceRecords();
        EXPECT_NE(trace.find(row.line + "\r\n"), std::string::npos) << row.where << row.key;
        EXPECT_EQ(trace.find("PARAM:2 Server=\\\\S1"), std::string::npos) << row.where << row.key;
    }
}

TEST_F(ConvnetScan, SearchMode) {
    json sales = Node("\\\\T\\Sales", "ndscontainer", {Node("\\\\T\\Sales\\NW1_DATA", "share")});
    UseWorkstation(Ws({Top(kNw, {Node("\\\\T", "tree", {sales, Node("\\\\T\\Late", "ndscontainer")}),
                                 Node("\\\\NW1", "server")})}));
    Detected();
    char container[261];
    NETRESOURCEA start = {RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, 0, nullptr, container, nullptr,
                          A::Net().tNwProvider.szName};
    struct Row {
        const char *container, *name;
        DWORD type, depth;
        int preset;
        DWORD result;
        int found;
        DWORD display;
    };
    const DWORD any = 0xFFFFFFFF;
    const Row rows[] = {
        {"\\\\T", "\\\\t\\SALES", any, 1, 0, 0, 1, RESOURCEDISPLAYTYPE_NDSCONTAINER},
        {"\\\\T", "\\\\T\\Nowhere", any, 1, 0, 0, 0, 0},
        {"\\\\T", "\\\\T\\Sales", RESOURCEDISPLAYTYPE_SHARE, 1, 0, 0, 0, 0},  // display type filter
        {"\\\\T", "\\\\T\\Sales\\NW1_DATA", any, 1, 0, 0, 0, 0},             // one level only
        {"\\\\T", "\\\\T\\Sales\\NW1_DATA", RESOURCEDISPLAYTYPE_SHARE, 2, 0, 0, 1, RESOURCEDISPLAYTYPE_SHARE},
        {"", "\\\\NW1", any, 1, 0, 0, 0, 0},  // servers are never found
        {"\\\\T\\Missing", "\\\\T\\Missing\\X", any, 1, 0, ERROR_BAD_NETPATH, 0, 0},
        {"\\\\T\\Missing", "\\\\T\\Missing\\X", any, 1, 1, 0, 1, 0},  // found before: no enumeration
    };
    for (const Row& row : rows) {
        std::strcpy(container, row.container);
        A::ObjFound() = row.preset;
        NETRESOURCEA found = {};
        EXPECT_EQ(A::NetScan(&start, row.name, row.type, row.depth, &found), row.result) << row.name;
        EXPECT_EQ(A::ObjFound(), row.found) << row.name;
        EXPECT_EQ(found.dwDisplayType, row.display) << row.name;
        EXPECT_EQ(found.lpRemoteName, nullptr);  // the texts of the entry are not handed on
    }
    EXPECT_TRUE(A::ServerList().empty());  // a search records nothing
    EXPECT_EQ(A::Net().tNwProvider.dwTreeCount, 0u);
}

TEST_F(ConvnetScan, TraceOfAScan) {
    UseWorkstationWithTrace(
        Ws({Top(kNw, {Node("\\\\T", "tree", {Node("\\\\S2", "server")}), Node("\\\\S1", "server")})}));
    Detected();
    A::GetNwServers(2);
    EXPECT_EQ(TraceRecords(),
              std::string("->CNetResConvert::GetNwServers()\r\n"
              "   PARAM:Deep=2\r\n"
              "   ->CNetResConvert::NetScan()\r\n"
              "      PARAM:1 Domain/Tree=\\\\T\r\n"
              "      ->CNetResConvert::NextDomain()\r\n"
              "      <- END METHODE\r\n"
              "      ->CNetResConvert::NetScan()\r\n"
              "         PARAM:2 Server=\\\\S2\r\n"
              "         ->CNetResConvert::NextServer()\r\n"
              "         <- END METHODE\r\n"
              "         PARAM:ERROR_NO_MORE_ITEMS: Alle Items abgearbeitet\r\n"
              "         PARAM:Returnwert=0\r\n"
              "      <- END METHODE\r\n"
              "      PARAM:1 Server=\\\\S1\r\n"
              "      ->CNetResConvert::NextServer()\r\n"
              "      <- END METHODE\r\n"
              "      PARAM:ERROR_NO_MORE_ITEMS: Alle Items abgearbeitet\r\n"
              "      PARAM:Returnwert=0\r\n"
              "   <- END METHODE\r\n"
              "   PARAM: NetScan Ret=0, Trees=1, NW-Servers=2\r\n"
              "<- END METHODE\r\n"));
}
