// Names to DNC names: the dispatcher, UNC names and the server lookup, the
// split of a volume object name, and both NDS notations.
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "LibTest.h"

using nlohmann::json;

namespace {

using qvtest::Node;

// Code page 932 and the NetWare provider with the servers NW1 and A and the
// tree ACME:  Acme / Sales / NW1_DATA, NOSRV_DATA (volumes);  Acme / Locked
// (cannot be opened);  Acme / KATAKANA SO (its second byte is 0x5C) / NW1_DATA.
json NetWare() {
    const std::string acme = "\\\\ACME\\Acme", so = acme + "\\\xE3\x82\xBD";
    json locked = Node(acme + "\\Locked", "ndscontainer");
    locked["open_error"] = 5;
    json tree = Node("\\\\ACME", "tree", {Node(acme, "ndscontainer", {
        Node(acme + "\\Sales", "ndscontainer",
             {Node(acme + "\\Sales\\NW1_DATA", "share"), Node(acme + "\\Sales\\NOSRV_DATA", "share")}),
        locked, Node(so, "ndscontainer", {Node(so + "\\NW1_DATA", "share")})})});
    return {{"code_page", 932}, {"providers", {{"netware", qvtest::kNetWare}}},
            {"network", {qvtest::Top(qvtest::kNetWare, {tree, Node("\\\\NW1", "server"), Node("\\\\A", "server")})}}};
}

struct Conversion {
    DWORD result;
    std::string dnc;
    DWORD size;
};
Conversion Convert(const char* name, DWORD size = 261) {
    char buf[600];
    std::memset(buf, 'Q', sizeof buf);
    buf[sizeof buf - 1] = '\0';
    DWORD r = CNetResConvertTestAccess::ConvName2DNC(name, buf, size);
    return {r, buf, size};
}

struct Row {
    const char* src;
    DWORD result;
    const char* dest;  // "keep": not written
};
void CheckRows(DWORD (*convert)(const char*, char*), std::initializer_list<Row> rows) {
    for (const Row& row : rows) {
        char dest[261] = "keep";
        EXPECT_EQ(convert(row.src, dest), row.result) << row.src;
        EXPECT_STREQ(dest, row.dest) << row.src;
    }
    char dest[261];
    EXPECT_EQ(convert(nullptr, dest), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(convert("\\\\NW1\\A_B", nullptr), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
}

}  // namespace

class ConvutilNames : public LibTest {};

// The buffer is tested before the name, the name's length before its
// prefix; the server list is built only for a name that passed all three.
TEST_F(ConvutilNames, DispatcherArgumentsAndBuffer) {
    UseWorkstation(NetWare());
    DetectNetWare(2, 2);
    DWORD size = 1234;
    EXPECT_EQ(A::ConvName2DNC(nullptr, nullptr, size), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(size, 1234u);
    for (const char* bad : {static_cast<const char*>(nullptr), "\\\\A\\B", "//NW1/DATA", "\\/NW1\\DATA"}) {
        Conversion c = Convert(bad);
        const DWORD expected = bad && std::strlen(bad) > 5 ? CONV_BAD_NAME_FORMAT : CONV_BAD_RES_NAME;
        EXPECT_EQ(c.result, expected);
        EXPECT_EQ(c.dnc, "");
        EXPECT_EQ(A::NetScanned(), 0);
    }
    EXPECT_EQ(Convert("\\\\A\\BC").dnc, "\\\\A\\BC");  // 6 characters
    EXPECT_EQ(Convert("\\\\nw1/Data/d").dnc, "\\\\nw1\\Data\\d");
    const std::string longName = "\\\\NW1\\DATA\\" + std::string(300, 'a');
    EXPECT_EQ(Convert(longName.c_str(), 600).dnc, longName.substr(0, 260));

    Conversion small = Convert("\\\\NW1\\DATA\\x", 12);
    EXPECT_EQ(small.result, static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(small.size, 13u);
    EXPECT_EQ(small.dnc, "");
    EXPECT_EQ(Convert("\\\\NW1\\DATA\\x", 13).result, 0u);
    Conversion none = Convert("\\\\NW1\\DATA\\x", 0);
    EXPECT_EQ(none.size, 13u);
    EXPECT_EQ(none.dnc.substr(0, 2), "QQ");  // never written
}

// An unknown server goes on to the NDS converter that the operating
// system and the NetWare client call for.
TEST_F(ConvutilNames, DispatchByPlatformAndClient) {
    struct Case {
        DWORD platform, client, result;
        const char* line;
    };
    const Case cases[] = {
        {1, 2, 0, "PARAM:DNC-Name=\\\\NW1\\SYS\\dir"},
        {2, 1, 0, "PARAM:DNC-Name=\\\\NW1\\SYS\\dir"},
        {2, 2, ERROR_BAD_NETPATH, "ERROR:Resource nicht gefunden : \\\\ACME\\.NW1_SYS.Sales\\dir"},
        {2, 0, CONV_BAD_CLIENT, "ERROR:Unerwarteter Client=0"},
        {0, 2, CONV_BAD_OS_VERSION, "ERROR:Unerwartete OS-Version=0"},
    };
    for (const Case& c : cases) {
        A::ResetToLoadState();
        UseWorkstationWithTrace(NetWare());
        DetectNetWare(c.platform, c.client);
        EXPECT_EQ(Convert("\\\\ACME\\.NW1_SYS.Sales\\dir").result, c.result) << c.line;
        const std::string trace = TraceRecords();
        EXPECT_TRUE(TraceHas(trace, std::string("   ") + c.line)) << c.line;
        if (c.result != 0) {
            EXPECT_TRUE(TraceHas(trace, "   ERROR:Keine Umwandlung m\xF6glich, dwRet=" + std::to_string(c.result)));
        }
    }
    json failing = NetWare();
    failing["network"][0]["open_error"] = 53;
    UseWorkstationWithTrace(failing);
    CNetResConvert::ClearLists();
    EXPECT_EQ(Convert("\\\\NW1\\DATA").result, static_cast<DWORD>(ERROR_BAD_NETPATH));
    const std::string trace = TraceRecords();
    EXPECT_TRUE(TraceHas(trace, "   ERROR:Fehler bei Erstellung der Serverliste, dwRet=53"));
    EXPECT_EQ(trace.find("ConvTypeUNC"), std::string::npos);
}

TEST_F(ConvutilNames, UncNamesAndServerLookup) {
    UseWorkstation({{"code_page", 932}});
    A::ServerList() = {"\\\\NW1", "\\\\Fs1", "\\\\\x83\x5CSRV"};
    CheckRows(&A::ConvTypeUNC, {
        {"\\\\fs1\\Share\\Dir", 0, "\\\\fs1\\Share\\Dir"},  // the caller's letter case stays
        {"\\\\\x83\x5CSRV\\VOL", 0, "\\\\\x83\x5CSRV\\VOL"},
        {"\\\\NW1", CONV_BAD_NAME_FORMAT, "keep"},
        {"\\\\\\NW1\\x", CONV_BAD_NAME_FORMAT, "keep"},
        {"\\\\NW\\x", CONV_NO_SERVER, "keep"},    // a prefix of an entry
        {"\\\\NW11\\x", CONV_NO_SERVER, "keep"},  // an entry is a prefix of it
    });
    EXPECT_EQ(A::FindServer(nullptr), 0);
    A::ServerList().clear();
    EXPECT_EQ(A::FindServer("\\\\NW1"), 0);
}

TEST_F(ConvutilNames, VolumeObjectNamesSplitAtTheRightmostKnownServer) {
    struct Case {
        std::vector<std::string> servers;
        std::string element;
        DWORD result;
        std::string server, volume;
    };
    const std::string s258(258, 'S');
    const Case cases[] = {
        {{"\\\\A", "\\\\A_B"}, "A_B_SYS", 0, "\\\\A_B", "SYS"},
        {{"\\\\A"}, "A_B_SYS", 0, "\\\\A", "B_SYS"},
        {{"\\\\a"}, "A_", 0, "\\\\A", ""},
        {{"\\\\A"}, "ASYS", CONV_NO_SERVER, "", ""},
        {{}, "A_SYS", CONV_NO_SERVER, "", ""},
        {{"\\\\SRV\x83"}, "SRV\x83\x5FVOL", CONV_NO_SERVER, "", ""},  // 0x83 0x5F: no underscore
        {{"\\\\S"}, "S_" + std::string(300, 'v'), 0, "\\\\S", std::string(259, 'v')},
        {{"\\\\" + s258.substr(0, 257)}, s258 + "_V", 0, "\\\\" + s258.substr(0, 257), "V"},
    };
    UseWorkstation({{"code_page", 932}});
    for (const Case& c : cases) {
        A::ServerList() = c.servers;
        std::string element = c.element;
        char server[260] = "junk", volume[260] = "junk";
        EXPECT_EQ(CNetResConvert::ExtractServerVolume(element.data(), server, volume), c.result) << c.element;
        EXPECT_EQ(server, c.server) << c.element;
        EXPECT_EQ(volume, c.volume) << c.element;
        EXPECT_EQ(element, c.element);
    }
    char element[] = "A_B";
    EXPECT_EQ(CNetResConvert::ExtractServerVolume(element, element, nullptr),
              static_cast<DWORD>(ERROR_INVALID_ADDRESS));

    UseWorkstationWithTrace(json::object());
    A::ServerList() = {"\\\\NW1"};
    char nw1[] = "NW1_SYS", unknown[] = "XX_SYS", dest[261] = "keep";
    EXPECT_EQ(A::MakeDNC(unknown, "a", dest), static_cast<DWORD>(CONV_NO_SERVER));
    EXPECT_STREQ(dest, "keep");
    EXPECT_EQ(A::MakeDNC(nw1, "", dest), 0u);
    EXPECT_STREQ(dest, "\\\\NW1\\SYS");
    const std::string trace = TraceRecords();
    EXPECT_TRUE(TraceHas(trace, "      ERROR:No Server found, ERR=61446"));
    EXPECT_TRUE(TraceHas(trace, "   ERROR:NDS Element enth\xE4lt nicht server_vol"));
}

TEST_F(ConvutilNames, DottedNdsNames) {
    UseWorkstation({{"code_page", 932}});
    A::ServerList() = {"\\\\SRV1"};
    CheckRows(&A::ConvTypeNDSMitPunkten, {
        {"\\\\TREE\\.SRV1_VOL1.Sales.Acme\\data\\list", 0, "\\\\SRV1\\VOL1\\data\\list"},
        {"\\\\$NDS\\SRV1_VOL1", 0, "\\\\SRV1\\VOL1"},
        {"\\\\TREE\\SRV1_VOL1.Sales\\", 0, "\\\\SRV1\\VOL1"},
        {"\\\\\x83\x5CTREE\\SRV1_VOL1", 0, "\\\\SRV1\\VOL1"},
        {"\\\\TREE\\..SRV1_VOL1", CONV_BAD_RES_NAME, "keep"},
        {"\\\\TREE\\", CONV_NO_DOT, "keep"},
        {"\\\\TREE\\\\data", CONV_NO_DOT, "keep"},
        {"\\\\TREE\\.", CONV_NO_DOT, "keep"},
        {"\\\\TREE", CONV_BAD_NAME_FORMAT, "keep"},
        {"\\\\TREE\\.NOSRV_VOL1.Sales", CONV_NO_SERVER, "keep"},
    });
}

TEST_F(ConvutilNames, BackslashNdsNamesWalkTheTree) {
    UseWorkstation(NetWare());
    DetectNetWare(2, 2);
    A::ServerList() = {"\\\\NW1"};
    CheckRows(&A::ConvTypeNDSMitBSlashes, {
        {"\\\\ACME\\Acme\\Sales\\NW1_DATA\\dir\\sub", 0, "\\\\NW1\\DATA\\dir\\sub"},
        // typed names count by their name until the volume; after it they are path
        {"\\\\ACME\\O=Acme\\OU=Sales\\CN=NW1_DATA\\CN=x", 0, "\\\\NW1\\DATA\\CN=x"},
        {"\\\\acme\\\\ACME\\sales\\\\nw1_data\\", 0, "\\\\nw1\\data"},
        {"\\\\ACME\\Acme\\\x83\x5C\\NW1_DATA\\d", 0, "\\\\NW1\\DATA\\d"},
        {"\\\\ACME\\Acme\\Sales", CONV_RES_NOT_FOUND, "keep"},
        {"\\\\ACME\\Acme\\Sales\\NOSRV_DATA", CONV_NO_SERVER, "keep"},
        {"\\\\ACME\\Acme\\Sales\\NOSRV_DATA\\x", ERROR_NOT_CONTAINER, "keep"},  // the walk goes on
        {"\\\\ACME\\Nope\\X", ERROR_BAD_NETPATH, "keep"},  // descends into what it did not find
        {"\\\\ACME\\Acme\\Locked\\NW1_DATA", ERROR_ACCESS_DENIED, "keep"},
        {"\\\\ACME", CONV_BAD_NAME_FORMAT, "keep"},
        {"\\\\ACME\\\\", CONV_BAD_NAME_FORMAT, "keep"},
    });
}

TEST_F(ConvutilNames, TraceOfAnNdsConversion) {
    UseWorkstationWithTrace(NetWare());
    DetectNetWare(2, 2);
    A::ServerList() = {"\\\\NW1"};
    char dest[261] = "";
    ASSERT_EQ(A::ConvTypeNDSMitBSlashes("\\\\ACME\\Acme\\Sales\\NW1_DATA", dest), 0u);
    EXPECT_EQ(TraceRecords(),
              "->CNetResConvert::ConvTypeNDSMitBSlashes()\r\n"
              "   PARAM:Src=\\\\ACME\\Acme\\Sales\\NW1_DATA\r\n"
              "   PARAM:Suche Resource=\\\\ACME\\Acme\r\n"
              "   ->CNetResConvert::NetScan()\r\n"
              "      PARAM:1 NdsCont=\\\\ACME\\Acme\r\n"
              "      PARAM:Returnwert=0\r\n"
              "   <- END METHODE\r\n"
              "   PARAM:Suche Resource=\\\\ACME\\Acme\\Sales\r\n"
              "   ->CNetResConvert::NetScan()\r\n"
              "      PARAM:1 NdsCont=\\\\ACME\\Acme\\Sales\r\n"
              "      PARAM:Returnwert=0\r\n"
              "   <- END METHODE\r\n"
              "   PARAM:Suche Resource=\\\\ACME\\Acme\\Sales\\NW1_DATA\r\n"
              "   ->CNetResConvert::NetScan()\r\n"
              "      PARAM:1 Share=\\\\ACME\\Acme\\Sales\\NW1_DATA\r\n"
              "      PARAM:Returnwert=0\r\n"
              "   <- END METHODE\r\n"
              "   ->CNetResConvert::ExtractServerVolume()\r\n"
              "      PARAM:Src=NW1_DATA\r\n"
              "      ->CNetResConvert::FindServer()\r\n"
              "         PARAM:FindServer=\\\\NW1 gefunden\r\n"
              "      <- END METHODE\r\n"
              "      PARAM:RetOK, Server=\\\\NW1, Volume=DATA\r\n"
              "   <- END METHODE\r\n"
              "   PARAM:RetOK, Dst=\\\\NW1\\DATA\r\n"
              "<- END METHODE\r\n");
}
