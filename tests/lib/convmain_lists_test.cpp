// List lifecycle (lazy build, BuildLists, ClearLists), volume enumeration,
// GetMapEntry and GetServerFromDNC.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "LibTest.h"

using nlohmann::json;

namespace {

// NT, vendor's NetWare client. NW1 offers volumes; the other NetWare servers
// make the volume enumeration fail in each of its ways.
json ListsWorkstation() {
    using qvtest::Node;
    json down = Node("\\\\DOWN", "server"), broken = Node("\\\\BROKEN", "server", {Node("\\\\BROKEN\\S", "share")});
    json batch = Node("\\\\BATCH", "server", {Node("\\\\BATCH\\A", "share"), Node("\\\\BATCH\\B", "share"),
                                                Node("\\\\BATCH\\C", "share")});
    json queue = Node("\\\\NW1\\Q", "share");
    down["open_error"] = 53;
    broken["enum_error"] = 59;
    batch["batch"] = 2;
    queue["usage"] = 2;
    json ws = qvtest::NtWithBothProviders(
        {qvtest::Top(qvtest::kNetWare, {Node("\\\\NW1", "server", {Node("\\\\NW1\\SYS", "share"), Node("\\\\NW1\\DATA", "share"), queue}),
                                        down, Node("\\\\EMPTY", "server"), broken, batch}),
         qvtest::Top(qvtest::kMsNet, {Node("SALES", "domain", {Node("\\\\FS1", "server")})})});
    ws["connections"] = {{{"local", "F:"}, {"remote", "\\\\NW1\\DATA"}, {"provider", qvtest::kNetWare}},
                         {{"local", "P:"}, {"remote", "\\\\FS1\\P"}, {"provider", qvtest::kMsNet}}};
    return ws;
}

}  // namespace

class ConvmainLists : public LibTest {
protected:
    static DWORD ConvertOnce() {
        char buf[260];
        DWORD size = sizeof buf;
        return CNetResConvert::ConvRes2DNC("Y:\\x", buf, size);
    }
};

// Detection runs once, even after a provider error; only a failed version
// query leaves the lists unbuilt (also with tracing on, whose extra block
// asks for the server list inside the build).
TEST_F(ConvmainLists, LazyBuildRunsUntilVersionIsKnown) {
    json ws = ListsWorkstation();
    ws["providers"]["netware"] = {{"error", 59}};
    UseWorkstation(ws);
    ConvertOnce();
    EXPECT_EQ(A::Net().dwPlatformId, 2u);
    ws["os"]["platform_id"] = 1;
    UseWorkstation(ws);
    ConvertOnce();
    EXPECT_EQ(A::Net().dwPlatformId, 2u);

    A::ResetToLoadState();
    UseWorkstationWithTrace({{"os", {{"fails", true}}}});
    ConvertOnce();
    EXPECT_EQ(A::Net().dwPlatformId, 0xFFFFFFFFu);
    UseWorkstation(ws);
    ConvertOnce();
    EXPECT_EQ(A::Net().dwPlatformId, 1u);
}

TEST_F(ConvmainLists, BuildListsErrorRule) {
    struct Case {
        json netware, universalName;  // universalName null: no registry value
        DWORD ret;
        int scanned;
    };
    const Case cases[] = {
        {{{"error", 59}}, nullptr, 0, 0},
        {{{"error", 59}}, 0, 59, 0},
        {"NetWare Services", 0, 0, 1},
        {"NetWare Services", nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.netware.dump() + " " + c.universalName.dump());
        A::ResetToLoadState();
        json ws = ListsWorkstation();
        ws["providers"]["netware"] = c.netware;
        if (!c.universalName.is_null())
            ws["registry"]["HKEY_LOCAL_MACHINE\\Software\\Talmoro\\Components\\C0000318\\Versions\\1.0\\"
                           "AdditionalInfos\\Quorvel100"]["UniversalName"] = c.universalName;
        UseWorkstation(ws);
        EXPECT_EQ(CNetResConvert::BuildLists(), c.ret);
        EXPECT_EQ(A::NetScanned(), c.scanned);
        EXPECT_EQ(A::ServerList().empty(), c.scanned == 0);
    }
}

// The extra block runs only with tracing on: it scans once and clears.
TEST_F(ConvmainLists, BuildListsTraceBlock) {
    json ws = ListsWorkstation();
    ws["providers"]["netware"] = {{"error", 59}};
    for (bool tracing : {false, true}) {
        A::ResetToLoadState();
        if (tracing) UseWorkstationWithTrace(ws); else UseWorkstation(ws);
        A::VolumeList().push_back("\\\\NW1\\SYS");
        A::MountList().push_back(MOUNT_T());
        EXPECT_EQ(CNetResConvert::BuildLists(), 0u);
        EXPECT_EQ(A::VolumeList().size() + A::MountList().size(), tracing ? 0u : 2u);
        EXPECT_EQ(A::NetScannedOnce(), tracing ? 1 : 0);
    }
    std::string records = TraceRecords();
    // A text file: the line break inside the record is CR LF too, and no LF stands alone.
    EXPECT_NE(records.find("   PARAM:Fehler ignoriert! dwRet=\r\n59\r\n"), std::string::npos) << records;
    EXPECT_EQ(std::count(records.begin(), records.end(), '\n'), std::count(records.begin(), records.end(), '\r'));
    records.erase(std::remove(records.begin(), records.end(), '\r'), records.end());
    std::size_t begin = records.find("   PARAM:BEGINN: Zus\xE4tzliche Information f\xFCr Trace\n");
    std::size_t clear = records.find("->CNetResConvert::ClearLists()", begin);
    EXPECT_NE(begin, std::string::npos);
    EXPECT_NE(records.find("   PARAM:ENDE: Zus\xE4tzliche Information f\xFCr Trace\n", clear), std::string::npos);
}

TEST_F(ConvmainLists, ClearListsKeepsEnvironment) {
    UseWorkstation(ListsWorkstation());
    EXPECT_EQ(CNetResConvert::GetServerList().size(), 6u);
    EXPECT_EQ(CNetResConvert::GetMountList().size(), 2u);
    MapList.push_back("F:\\x");
    A::VolumeList().push_back("\\\\NW1\\SYS");
    A::UseAllDom() = 0;
    A::UseDomains().push_back("SALES");
    std::strcpy(A::KurzName()[0], "kept");

    EXPECT_EQ(CNetResConvert::ClearLists(), 0u);
    EXPECT_TRUE(A::ServerList().empty() && A::MountList().empty() && A::VolumeList().empty() &&
                A::UseDomains().empty() && MapList.empty());
    EXPECT_EQ(A::UseAllDom(), 1);
    EXPECT_EQ(A::NetScanned(), 0);
    EXPECT_EQ(A::NetScannedOnce(), 1);
    EXPECT_STREQ(A::KurzName()[0], "kept");
    EXPECT_EQ(A::Net().tNwProvider.pServers, nullptr);
    EXPECT_EQ(A::Net().tMsProvider.dwTreeCount, 0u);
    EXPECT_STREQ(A::Net().tNwProvider.szName, "NetWare Services");

    json ws = ListsWorkstation();  // the mount list comes back without a second detection
    ws["os"]["platform_id"] = 1;
    UseWorkstation(ws);
    EXPECT_EQ(CNetResConvert::GetMountList().size(), 2u);
    EXPECT_EQ(A::Net().dwPlatformId, 2u);
}

TEST_F(ConvmainLists, WithdrawnModeOperations) {
    UseWorkstationWithTrace(ListsWorkstation());
    EXPECT_EQ(CNetResConvert::GetConvertMode(), 0);
    CNetResConvert::SetConvertMode(5);
    EXPECT_EQ(A::Net().dwPlatformId, 0xFFFFFFFFu);
    EXPECT_EQ(TraceRecords(),
              "ERROR:GetConvertMode ist veraltet und darf nicht mehr benutzt werden!\r\n"
              "->CNetResConvert::SetConvertMode ALT()\r\n"
              "   ERROR:SetConvertMode ist veraltet und darf nicht mehr benutzt werden!\r\n"
              "<- END METHODE\r\n");
}

// A failure keeps the previous volumes; only one batch is read; the usage
// field is written back in every case.
TEST_F(ConvmainLists, VolumeEnumeration) {
    UseWorkstation(ListsWorkstation());
    EXPECT_TRUE(CNetResConvert::GetVolumeList().empty());
    EXPECT_EQ(A::Net().dwPlatformId, 0xFFFFFFFFu);  // GetVolumeList builds nothing

    const std::vector<std::string> nw1 = {"\\\\NW1\\SYS", "\\\\NW1\\DATA"};
    const std::vector<std::string> batch = {"\\\\BATCH\\A", "\\\\BATCH\\B"};
    struct Case {
        const char* server;
        DWORD ret;
        const std::vector<std::string>& after;
    };
    const Case cases[] = {{"\\\\NW1", 0, nw1}, {"\\\\DOWN", 53, nw1}, {"\\\\EMPTY", ERROR_NO_MORE_ITEMS, nw1},
                          {"\\\\BROKEN", 59, nw1}, {"\\\\BATCH", 0, batch}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        NETRESOURCEA server = {RESOURCE_GLOBALNET, RESOURCETYPE_DISK, RESOURCEDISPLAYTYPE_SERVER, 7, nullptr,
                               const_cast<char*>(c.server), nullptr, const_cast<char*>("NetWare Services")};
        EXPECT_EQ(CNetResConvert::EnumServerRes(&server), c.ret);
        EXPECT_EQ(server.dwUsage, DWORD(RESOURCEUSAGE_CONNECTABLE));
        EXPECT_EQ(CNetResConvert::GetVolumeList(), c.after);
    }
}

TEST_F(ConvmainLists, MapEntryAndServerFromDNC) {
    char out[261];
    NETRESOURCEA res{};
    EXPECT_EQ(CNetResConvert::GetMapEntry(nullptr, nullptr, 0, nullptr), DWORD(CONV_IVALID_INDEX));
    MapList = {"F:\\DATA", std::string(300, 'x')};
    EXPECT_EQ(CNetResConvert::GetMapEntry("\\\\N\\D", &res, 2, out), DWORD(CONV_IVALID_INDEX));
    EXPECT_EQ(CNetResConvert::GetMapEntry("\\\\N\\D", nullptr, 0, out), DWORD(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(CNetResConvert::GetMapEntry(nullptr, &res, 0, out), DWORD(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(CNetResConvert::GetMapEntry("\\\\N\\D", &res, 0, out), 0u);
    EXPECT_STREQ(out, "F:\\DATA");
    EXPECT_EQ(CNetResConvert::GetMapEntry("\\\\N\\D", &res, 1, out), 0u);
    EXPECT_EQ(std::strlen(out), 259u);

    UseWorkstation({{"code_page", 932}});
    const std::pair<std::string, std::string> cases[] = {
        {"\\\\NW1\\SYS\\PUBLIC\\x.txt", "\\\\NW1"}, {"\\\\NW1", "\\\\NW1"}, {"", ""},
        {"\\\\\x83\x5C\\VOL", "\\\\\x83\x5C"},  // a trail byte 0x5C is no separator
        {"\\\\" + std::string(300, 'S'), "\\\\" + std::string(257, 'S')}};
    for (auto [dnc, server] : cases) {
        std::memset(out, '#', sizeof out);
        EXPECT_EQ(CNetResConvert::GetServerFromDNC(dnc.data(), out), 0u);
        EXPECT_EQ(std::string(out), server);
        EXPECT_EQ(out[260], '#');
    }
    EXPECT_EQ(CNetResConvert::GetServerFromDNC(nullptr, out), DWORD(ERROR_INVALID_ADDRESS));
}
