// The server list (when the scan runs, which error it reports, the index
// order of GetFirstServer / GetNextServer) and the long and short forms of
// a DNC path.
#include <cstring>
#include <string>
#include <vector>

#include "LibTest.h"

using nlohmann::json;

namespace {

using qvtest::Node;

// NT with the vendor's NetWare client: NetWare servers NW1 and NW2, found in
// this order, and the Microsoft server MS1 in domain SALES.
json ThreeServers() {
    return {{"providers", {{"netware", qvtest::kNetWare}, {"lanman", qvtest::kMsNet}}},
            {"network", {qvtest::Top(qvtest::kNetWare, {Node("\\\\NW1", "server"), Node("\\\\NW2", "server")}),
                         qvtest::Top(qvtest::kMsNet, {Node("SALES", "domain", {Node("\\\\MS1", "server")})})}}};
}

struct Forms {
    DWORD result;
    std::string longPath, shortPath;
    bool operator==(const Forms&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Forms& f) {
    return os << f.result << " [" << f.longPath << "] [" << f.shortPath << "]";
}

Forms LongAndShort(const std::string& dnc) {
    char l[260], k[260];
    std::memset(l, 'Z', sizeof l);
    std::memset(k, 'Z', sizeof k);
    DWORD r = CNetResConvertTestAccess::GetLongAndShortDNCName(dnc.c_str(), l, k);
    return {r, std::string(l, ::strnlen(l, sizeof l)), std::string(k, ::strnlen(k, sizeof k))};
}

}  // namespace

class ConvnetServers : public LibTest {};

TEST_F(ConvnetServers, IndexOrderIsNewestFirstPerProvider) {
    UseWorkstation(ThreeServers());
    EXPECT_EQ(CNetResConvert::GetServerCount(), 3u);
    EXPECT_EQ(A::ServerList(), (std::vector<std::string>{"\\\\NW1", "\\\\NW2", "\\\\MS1"}));

    char local[] = "X:";
    NETRESOURCEA first = {9, 9, 9, 77, local, nullptr, local, nullptr};
    ASSERT_EQ(CNetResConvert::GetFirstServer(&first), 0u);
    EXPECT_STREQ(first.lpRemoteName, "\\\\NW2");
    EXPECT_STREQ(first.lpProvider, "NetWare Services");
    EXPECT_EQ(first.dwScope, static_cast<DWORD>(RESOURCE_GLOBALNET));
    EXPECT_EQ(first.dwType, static_cast<DWORD>(RESOURCETYPE_DISK));
    EXPECT_EQ(first.dwDisplayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_SERVER));
    EXPECT_EQ(first.dwUsage, 77u);  // the caller's fields stay
    EXPECT_EQ(first.lpLocalName, local);
    EXPECT_EQ(first.lpComment, local);

    const char* byIndex[] = {"\\\\NW2", "\\\\NW1", "\\\\MS1"};
    for (DWORD i = 0; i < 3; ++i) {
        NETRESOURCEA r = {};
        ASSERT_EQ(CNetResConvert::GetNextServer(i, &r), 0u);
        EXPECT_STREQ(r.lpRemoteName, byIndex[i]);
        EXPECT_STREQ(r.lpProvider, i < 2 ? "NetWare Services" : "Microsoft Windows Network");
    }
}

TEST_F(ConvnetServers, FailedIndexQueries) {
    UseWorkstationWithTrace(ThreeServers());
    NETRESOURCEA r = {};
    EXPECT_EQ(CNetResConvert::GetNextServer(3, &r), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    // With an empty list the index test wraps: every index reaches the chains.
    A::ServerList().clear();
    EXPECT_EQ(CNetResConvert::GetNextServer(1, &r), 0u);
    EXPECT_STREQ(r.lpRemoteName, "\\\\NW1");
    EXPECT_EQ(CNetResConvert::GetNextServer(7, &r), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    CNetResConvert::ClearLists();
    A::NetScanned() = 1;  // nothing in the chains either
    r.lpRemoteName = nullptr;
    EXPECT_EQ(CNetResConvert::GetFirstServer(&r), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(r.lpRemoteName, nullptr);

    const std::string trace = TraceRecords();
    EXPECT_TRUE(TraceHas(trace, "   ERROR:GetNextServer: Invalid Index=3, ERR=259"));
    EXPECT_TRUE(TraceHas(trace, "   ERROR:Index=7, Not avaiable,  ServerCount=3, ERR=259"));
    EXPECT_TRUE(TraceHas(trace, "   ERROR:No Server avaiable, ERR=259"));
}

// The scan runs once until ClearLists; the Microsoft scan's result replaces
// the NetWare one, and an error is dropped once any server was found.
TEST_F(ConvnetServers, ScanRunsOnceAndReportsItsError) {
    struct Row {
        const char* label;
        int nwError, msError;
        bool nwServers, msServers, msInstalled;
        DWORD result;
    };
    const Row rows[] = {
        {"NetWare error lost", 53, 0, false, false, true, 0},
        {"NetWare error alone", 53, 0, false, false, false, 53},
        {"dropped after NetWare servers", 0, 59, true, true, true, 0},
        {"both fail", 53, 59, false, true, true, 59},
    };
    for (const Row& row : rows) {
        A::ResetToLoadState();
        json ws = ThreeServers();
        if (!row.nwServers) ws["network"][0]["children"] = json::array();
        if (!row.msServers) ws["network"][1]["children"] = json::array();
        if (row.nwError) ws["network"][0]["open_error"] = row.nwError;
        if (row.msError) ws["network"][1]["open_error"] = row.msError;
        if (!row.msInstalled) ws["providers"].erase("lanman");
        UseWorkstation(ws);
        CNetResConvert::BuildLists();  // detection only: the switch UniversalName is on
        A::MountList().resize(1);
        EXPECT_EQ(A::GetAllServers(), row.result) << row.label;
        EXPECT_TRUE(A::MountList().empty()) << row.label;  // the scan begins with ClearLists
        EXPECT_EQ(A::NetScanned(), 1) << row.label;        // a failed scan counts as done
    }
    UseWorkstation(ThreeServers());
    EXPECT_EQ(CNetResConvert::GetServerCount(), 0u);  // still the last row's scan
    CNetResConvert::ClearLists();
    EXPECT_EQ(CNetResConvert::GetServerCount(), 3u);
}

// ---- long and short forms ---------------------------------------------------

TEST_F(ConvnetServers, LongAndShortForms) {
    UseWorkstation(json::parse(R"({"files": {"\\\\S\\V": {
        "Program Files": {"short": "PROGRA~1", "children": {
            "Annual Report.doc": {"short": "ANNUAL~1.DOC"}, "REPORTS1": {"children": {}}}}}}})"));
    const Forms notFound{CONV_PATH_NOT_FOUND, "", ""};
    const std::string shortOnes = "\\\\S\\V\\abcdefg\\x.tx\\ab.c\\1234567.";  // none exists
    struct Row {
        std::string dnc;
        Forms expected;
    };
    const Row rows[] = {
        {"\\\\S\\V", {0, "\\\\S\\V", "\\\\S\\V"}},
        {"\\\\S", {0, "\\\\S", "\\\\S"}},
        {shortOnes, {0, shortOnes, shortOnes}},
        {"\\\\S\\V\\program files\\annual report.doc",
         {0, "\\\\S\\V\\Program Files\\Annual Report.doc", "\\\\S\\V\\PROGRA~1\\ANNUAL~1.DOC"}},
        // a valid 8.3 name has no alternate name: the short form takes the long one
        {"\\\\S\\V\\Program Files\\reports1\\x",
         {0, "\\\\S\\V\\Program Files\\REPORTS1\\x", "\\\\S\\V\\PROGRA~1\\REPORTS1\\x"}},
        {"\\\\S\\V\\abcdefgh", notFound},    // 8 bytes without a dot
        {"\\\\S\\V\\abc.txt", notFound},     // three characters after the dot
        {"\\\\S\\V\\abcdefgh.c", notFound},  // dot at offset 8
        {"\\\\S\\V\\Missing Dir\\abc", notFound},
        {"\\\\S\\V\\x\\Program Files", notFound},  // looked up as written
    };
    for (const Row& row : rows) EXPECT_EQ(LongAndShort(row.dnc), row.expected) << row.dnc;

    char buf[260] = "untouched";
    EXPECT_EQ(A::GetLongAndShortDNCName(nullptr, buf, buf), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(A::GetLongAndShortDNCName("\\\\S\\V", buf, nullptr),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_STREQ(buf, "untouched");
}

// Each short component counts its length and 1, each looked-up one its long
// name and 2: the limit is met while the path built so far is shorter.
TEST_F(ConvnetServers, LengthLimitCountsExtraBytes) {
    json folder = {{"short", "LONGFO~1"}, {"children", {{"Reports 1", json::object()}}}};
    for (int level = 1; level < 19; ++level)
        folder = {{"short", "LONGFO~1"}, {"children", {{"Long Folder", folder}}}};
    UseWorkstationWithTrace({{"files", {{"\\\\S\\V", {{"Long Folder", folder}}}}}});
    std::string base = "\\\\S\\V", shortBase = base;
    for (int level = 0; level < 19; ++level) {  // counted 5 + 19 x 13 = 252
        base += "\\Long Folder";
        shortBase += "\\LONGFO~1";
    }
    EXPECT_EQ(LongAndShort(base + "\\abcdef"), (Forms{0, base + "\\abcdef", shortBase + "\\abcdef"}));
    const Forms tooLong{CONV_NAME_TOO_LONG, "", ""};
    EXPECT_EQ(LongAndShort(base + "\\abcdefg"), tooLong);   // 260
    EXPECT_EQ(LongAndShort(base + "\\Reports 1"), tooLong);  // 263
    const std::string trace = TraceRecords();
    EXPECT_TRUE(TraceHas(trace, "   ERROR:iLengthLang=260 zu lang"));
    EXPECT_TRUE(TraceHas(trace, "   ERROR:iLengthLang=263 zu lang, wfd.cFileName=Reports 1"));
    EXPECT_TRUE(TraceHas(trace, "   PARAM:Vor FindFirstFile (Last)"));
    EXPECT_TRUE(TraceHas(trace, "   PARAM:LangerDNCPfad=LEER, KurzerDNCPfad=LEER"));
}

// Code page 932: 0x83 0x5C is one character, not a backslash.
TEST_F(ConvnetServers, DoubleByteComponentIsOneComponent) {
    // "ab", KATAKANA SO, "xyzwv"
    UseWorkstation({{"code_page", 932},
                    {"files", {{"\\\\S\\V", {{"ab\xE3\x82\xBDxyzwv", {{"short", "AB~1"}}}}}}}});
    EXPECT_EQ(LongAndShort("\\\\S\\V\\ab\x83\x5Cxyzwv"),
              (Forms{0, "\\\\S\\V\\ab\x83\x5Cxyzwv", "\\\\S\\V\\AB~1"}));
}
