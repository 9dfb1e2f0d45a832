// Environment detection: system version, network providers and NetWare
// client kind, and the registry switches.
#include <string>

#include "LibTest.h"

using nlohmann::json;

namespace {

// NT with the given providers (a null member: not installed).
json ProviderWorkstation(const json& lanman, const json& netware) {
    json ws = {{"os", {{"platform_id", 2}, {"major", 4}, {"minor", 0}, {"build", 1381}}}, {"providers", json::object()}};
    if (!lanman.is_null()) ws["providers"]["lanman"] = lanman;
    if (!netware.is_null()) ws["providers"]["netware"] = netware;
    return ws;
}

}  // namespace

class ConvinitDetection : public LibTest {};

TEST_F(ConvinitDetection, SystemVersionByPlatform) {
    struct Case {
        json os;
        DWORD ret, id;
        const char* line;  // nullptr: no version line at all
    };
    const Case cases[] = {
        {{{"platform_id", 0}, {"major", 1}, {"minor", 30}, {"build", 7}}, 0, 0, "   ERROR:System: Win32s 1.30 Build 7\r\n"},
        {{{"platform_id", 1}, {"major", 4}, {"minor", 10}, {"build", 67766222}}, 0, 1,
         "   PARAM:System: Windows 95/98 4.10 Build 67766222\r\n"},
        {{{"platform_id", 2}, {"major", 4}, {"minor", 0}, {"build", 1381}}, 0, 2, "   PARAM:System: Windows NT 4.0 Build 1381\r\n"},
        {{{"platform_id", 3}, {"major", 6}, {"minor", 0}, {"build", 1}}, CONV_BAD_OS_VERSION, 3,
         "   ERROR:System: UNKNOWN 6.0 Build 1\r\n"},
        {{{"fails", true}}, CONV_BAD_OS_VERSION, 0xFFFFFFFF, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.os.dump());
        UseWorkstationWithTrace({{"os", c.os}});
        DWORD id = 12345;
        EXPECT_EQ(A::GetSysVersion(id), c.ret);
        EXPECT_EQ(id, c.id);
        std::string records = TraceRecords();
        EXPECT_EQ(records.find(c.line != nullptr ? c.line : "System:") != std::string::npos, c.line != nullptr) << records;
    }
}

// The vendor's client is told by a case-sensitive word that depends on the
// platform; on Win32s a NetWare provider is an error.
TEST_F(ConvinitDetection, NetWareClientKindByPlatformAndName) {
    struct Case {
        DWORD platform;
        const char* name;
        DWORD ret, clientType;
        const char* line;
    };
    const Case cases[] = {
        {2, "NetWare Services", 0, 2, "PARAM:NOVELL-Client-Typ: NOVELL"},
        {2, "Novell NetWare", 0, 1, "PARAM:NOVELL-Client-Typ: Microsoft"},
        {2, "netware services", 0, 1, "PARAM:NOVELL-Client-Typ: Microsoft"},
        {1, "Novell NetWare 4.11", 0, 2, "PARAM:NOVELL-Client-Typ: NOVELL"},
        {1, "NetWare Services", 0, 1, "PARAM:NOVELL-Client-Typ: Microsoft"},
        {1, "NOVELL NetWare", 0, 1, "PARAM:NOVELL-Client-Typ: Microsoft"},
        {0, "NetWare Services", CONV_BAD_OS_VERSION, 0xFFFFFFFF, "ERROR:NOVELL-Client-Typ: Illegal System Version=0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.platform) + " " + c.name);
        A::ResetToLoadState();
        UseWorkstationWithTrace(ProviderWorkstation("Microsoft Windows Network", c.name));
        _Networks& net = A::Net();
        net.dwPlatformId = c.platform;
        EXPECT_EQ(A::GetNetProv(net), c.ret);
        EXPECT_EQ(net.tNwProvider.wAvailable, 1);
        EXPECT_EQ(net.tNwProvider.dwNetType, DWORD(WNNC_NET_NETWARE));
        EXPECT_STREQ(net.tNwProvider.szName, c.name);
        EXPECT_EQ(net.tNwProvider.dwClientType, c.clientType);
        EXPECT_EQ(net.tMsProvider.wAvailable, 1);
        EXPECT_EQ(net.tMsProvider.dwNetType, DWORD(WNNC_NET_LANMAN));
        EXPECT_STREQ(net.tMsProvider.szName, "Microsoft Windows Network");
        EXPECT_NE(TraceRecords().find(c.line), std::string::npos);
    }
}

// 1222 means "not installed" and is no error; a Microsoft failure is
// reported at the end, a NetWare failure at once. The NetWare query gives a
// size of 99, so a name of 99 bytes does not fit there but does for Microsoft.
TEST_F(ConvinitDetection, ProviderQueryFailures) {
    struct Case {
        json lanman, netware;
        DWORD ret;
        WORD msAvailable, nwAvailable;
        DWORD nwClient;  // 77: not written
    };
    const Case cases[] = {
        {nullptr, nullptr, 0, 0, 0, 77},
        {{{"error", 59}}, "NetWare Services", 59, 0, 1, 2},
        {"Microsoft Windows Network", {{"error", 59}}, 59, 1, 0, 77},
        {{{"error", 53}}, {{"error", 59}}, 59, 0, 0, 77},
        {{{"error", 53}}, nullptr, 53, 0, 0, 77},
        {std::string(100, 'M'), "NetWare Services", ERROR_MORE_DATA, 0, 1, 2},
        {std::string(99, 'M'), std::string(98, 'N'), 0, 1, 1, 1},
        {"Microsoft Windows Network", std::string(99, 'N'), ERROR_MORE_DATA, 1, 0, 77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lanman.dump() + " / " + c.netware.dump());
        A::ResetToLoadState();
        UseWorkstation(ProviderWorkstation(c.lanman, c.netware));
        _Networks& net = A::Net();
        net.dwPlatformId = 2;
        net.tNwProvider.dwClientType = 77;
        EXPECT_EQ(A::GetNetProv(net), c.ret);
        EXPECT_EQ(net.tMsProvider.wAvailable, c.msAvailable);
        EXPECT_EQ(net.tNwProvider.wAvailable, c.nwAvailable);
        EXPECT_EQ(net.tNwProvider.dwClientType, c.nwClient);
        if (c.msAvailable) {
            EXPECT_STREQ(net.tMsProvider.szName, c.lanman.get<std::string>().c_str());
        }
    }
}

// The registry overrides the rule for Microsoft's client on NT; only REG_DWORD
// data of four bytes counts; LongNames can only switch on.
TEST_F(ConvinitDetection, RegistrySwitches) {
    struct Case {
        DWORD platform, clientType;
        json values;  // null: no key
        int longBefore, univAfter, longAfter;
    };
    const json binary2 = {{"type", "REG_BINARY"}, {"hex", "0100"}};
    const json binary4 = {{"type", "REG_BINARY"}, {"hex", "01000000"}};
    const Case cases[] = {
        {2, 1, nullptr, 0, 0, 0},
        {2, 1, {{"UniversalName", 1}}, 0, 1, 0},
        {2, 2, {{"UniversalName", 0}}, 0, 0, 0},
        {1, 1, nullptr, 0, 1, 0},
        {2, 1, {{"UniversalName", "1"}}, 0, 0, 0},
        {2, 2, {{"UniversalName", binary2}}, 0, 1, 0},
        {2, 2, {{"LongNames", 1}}, 0, 1, 1},
        {2, 2, {{"LongNames", 0}}, 1, 1, 1},
        {2, 2, {{"LongNames", binary4}}, 0, 1, 0},
        {2, 1, {{"UniversalName", 7}, {"LongNames", 3}}, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.platform) + "/" + std::to_string(c.clientType) + " " + c.values.dump());
        A::ResetToLoadState();
        json ws = json::object();
        if (!c.values.is_null())
            ws["registry"]["HKEY_LOCAL_MACHINE\\Software\\Talmoro\\Components\\C0000318\\Versions\\1.0\\"
                           "AdditionalInfos\\Quorvel100"] = c.values;
        UseWorkstation(ws);
        A::Net().dwPlatformId = c.platform;
        A::Net().tNwProvider.dwClientType = c.clientType;
        A::UseLongAndShortDir() = c.longBefore;
        EXPECT_EQ(A::GetZentrixModi(), 0u);
        EXPECT_EQ(A::UseGetUniv(), c.univAfter);
        EXPECT_EQ(A::UseLongAndShortDir(), c.longAfter);
    }
}
