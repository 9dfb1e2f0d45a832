// Every public operation that takes a name, fed hostile names on a code page
// 1252 and a code page 932 workstation. Names and output buffers are heap
// blocks of exactly their size, so that AddressSanitizer reports any read or
// write beyond them; each call must answer one of the operation's status
// codes, and where the answer is fixed, that one.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "LibTest.h"

namespace {

// A heap block of exactly n bytes; 0x5A marks bytes never written.
struct Exact {
    explicit Exact(std::size_t n) : p(static_cast<char*>(std::malloc(n))), n(n) { std::memset(p, 0x5A, n); }
    ~Exact() { std::free(p); }
    Exact(const Exact&) = delete;
    Exact& operator=(const Exact&) = delete;
    bool Terminated() const { return std::memchr(p, '\0', n) != nullptr; }
    char* p;
    std::size_t n;
};

// An input name as an exact heap copy, or null.
struct Name {
    explicit Name(const std::optional<std::string>& s) {
        if (s) {
            block = std::make_unique<Exact>(s->size() + 1);
            std::memcpy(block->p, s->c_str(), s->size() + 1);
        }
    }
    char* get() { return block ? block->p : nullptr; }
    std::unique_ptr<Exact> block;
};

std::string Pad(std::string head, std::size_t total, char fill = 'A') {
    head.resize(total, fill);
    return head;
}

constexpr DWORD kAny = 0xFFFFFFFF;  // the status is one of the operation's, not fixed
constexpr DWORD F1 = CONV_BAD_RES_NAME, F2 = CONV_BAD_RES_TYPE, F3 = CONV_BAD_NAME_FORMAT,
                F6 = CONV_NO_SERVER, F8 = CONV_IVALID_INDEX,
                TL = CONV_NAME_TOO_LONG;
constexpr DWORD NA = ERROR_INVALID_ADDRESS, IP = ERROR_INVALID_PARAMETER;

// The operations in the column order of the table.
enum Op { kType, kRes2Dnc, kDncToUnc, kDnc2Unc, kDncToMap, kServerOf, kSplit, kMapEntry, kOps };
const char* const kOpNames[kOps] = {"GetResNameType", "ConvRes2DNC",  "ConvDNCtoUNC",
                                    "ConvDNC2UNC",    "ConvDNCtoMAP", "GetServerFromDNC",
                                    "ExtractServerVolume", "GetMapEntry"};

// The codes each operation may answer on any name.
const std::set<DWORD> kAllowed[kOps] = {
    {0, IP, F2},
    {0, IP, ERROR_MORE_DATA, F1, F2, F3, CONV_RES_NOT_FOUND, CONV_BAD_OS_VERSION, F6,
     CONV_BAD_CLIENT, CONV_BAD_MAP_PATH, CONV_NO_DOT},
    {0, NA, F3, TL},  // a DNC name that does not fit 260 bytes is refused
    {0, NA, F3, TL},
    {0, NA, F3, TL},
    {0, NA},
    {0, NA, F6},
    {NA, F8},
};

struct Case {
    const char* label;
    std::optional<std::string> name;
    DWORD expected[kOps];
};

const std::string kLong259 = Pad("\\\\NW1\\DATA\\", 259);
const std::string kTail = "\\\\FS1\\PROJECTS\\";

const Case kCases[] = {
    // label                   name                              Type Res2 ToUnc 2Unc ToMap SrvOf Split MapE
    {"null",                   std::nullopt,                     {IP,  IP,  NA,   NA,  NA,   NA,   NA,   F8}},
    {"empty",                  "",                               {IP,  IP,  F3,   F3,  F3,   0,    F6,   F8}},
    {"one_char",               "F",                              {IP,  IP,  F3,   F3,  F3,   0,    F6,   F8}},
    {"bare_drive",             "F:",                             {0,   IP,  F3,   F3,  F3,   0,    F6,   F8}},
    {"two_backslashes",        "\\\\",                           {0,   IP,  F3,   F3,  F3,   0,    F6,   F8}},
    {"server_only",            "\\\\FS1",                        {0,   kAny, F3,  F3,  F3,   0,    F6,   F8}},
    {"forward_slashes",        "//FS1/PROJECTS/Plans",           {F2,  F2,  F3,   F3,  F3,   0,    F6,   F8}},
    {"doubled_backslashes",    "\\\\FS1\\\\PROJECTS\\\\Plans",   {0,   kAny, 0,   0,   0,    0,    F6,   F8}},
    {"trailing_backslash",     kTail,                            {0,   kAny, 0,   0,   0,    0,    F6,   F8}},
    {"four_backslashes",       "\\\\\\\\",                       {0,   kAny, 0,   0,   0,    0,    F6,   F8}},
    {"map_trailing",           "F:\\REPORTS\\",                  {0,   0,   F3,   F3,  F3,   0,    F6,   F8}},
    {"map_doubled",            "F:\\\\REPORTS",                  {0,   0,   F3,   F3,  F3,   0,    F6,   F8}},
    {"lead_byte_at_end_unc",   kTail + "\x83",                   {0,   kAny, 0,   0,   0,    0,    F6,   F8}},
    {"lead_byte_at_end_map",   "F:\\\x81",                       {0,   0,   F3,   F3,  F3,   0,    F6,   F8}},
    {"lead_byte_after_slashes","\\\\\x83",                       {0,   kAny, F3,  F3,  F3,   0,    F6,   F8}},
    {"trail_is_backslash",     "\\\\FS1\\PROJECTS\\\x83\\",      {0,   kAny, 0,   0,   0,    0,    F6,   F8}},
    {"nds_dots",               ".NW1_DATA.Sales.Acme",           {F2,  F2,  F3,   F3,  F3,   0,    F6,   F8}},
    {"lone_underscore",        "_",                              {IP,  IP,  F3,   F3,  F3,   0,    F6,   F8}},
    {"unc_259",                kLong259,                         {0,   kAny, 0,   0,   0,    0,    F6,   F8}},
    {"unc_260",                Pad("\\\\NW1\\DATA\\", 260),      {0,   kAny, TL,  TL,  TL,   0,    F6,   F8}},
    {"unc_261",                Pad("\\\\NW1\\DATA\\", 261),      {0,   kAny, TL,  TL,  TL,   0,    F6,   F8}},
    {"unc_1000",               Pad("\\\\NW1\\DATA\\", 1000),     {0,   kAny, TL,  TL,  TL,   0,    F6,   F8}},
    {"server_1000",            Pad("\\\\", 1000, 'S'),           {0,   kAny, F3,  F3,  F3,   0,    F6,   F8}},
    {"map_260",                Pad("F:\\", 260),                 {0,   kAny, F3,  F3,  F3,   0,    F6,   F8}},
    {"map_1000",               Pad("F:\\", 1000),                {0,   kAny, F3,  F3,  F3,   0,    F6,   F8}},
    {"split_1000",             Pad("", 995, 'N') + "_DATA",      {F2,  F2,  F3,   F3,  F3,   0,    F6,   F8}},
    {"split_known_long_vol",   Pad("NW1_", 1000, 'V'),           {F2,  F2,  F3,   F3,  F3,   0,    0,    F8}},
    {"lead_bytes_260",         Pad("\\\\NW1\\DATA\\", 261, '\x83'), {0, kAny, TL, TL,  TL,   0,    F6,   F8}},
};

// Calls one operation on the name; checks its output buffers and returns the status.
DWORD Call(Op op, char* name, const std::string& label) {
    switch (op) {
    case kType: {
        DWORD type = 77;
        DWORD ret = CNetResConvert::GetResNameType(name, type);
        if (ret == 0) {
            EXPECT_TRUE(type == RES_TYPE_MAP || type == RES_TYPE_UNC) << label;
        } else {
            EXPECT_EQ(RES_TYPE_UNKNOWN, type) << label;
        }
        return ret;
    }
    case kRes2Dnc: {
        // Once with a buffer of 260 bytes, once with one byte less than the
        // result needs: the second must answer ERROR_MORE_DATA, never overrun.
        Exact out(260);
        DWORD size = 260;
        DWORD ret = CNetResConvert::ConvRes2DNC(name, out.p, size);
        if (ret == 0) {
            EXPECT_TRUE(out.Terminated()) << label;
            std::size_t len = std::strlen(out.p);
            if (len > 0) {
                Exact tight(len);
                DWORD tightSize = static_cast<DWORD>(len);
                DWORD again = CNetResConvert::ConvRes2DNC(name, tight.p, tightSize);
                EXPECT_TRUE(again == ERROR_MORE_DATA || (again == 0 && tight.Terminated()))
                    << label << ": " << again;
                if (again == ERROR_MORE_DATA) {
                    EXPECT_EQ(len + 1, tightSize) << label;
                }
            }
        }
        if (ret == ERROR_MORE_DATA) {
            EXPECT_GT(size, 260u) << label;
        }
        return ret;
    }
    case kDncToUnc: {
        Exact unc(260);
        DWORD ret = CNetResConvert::ConvDNCtoUNC(name, unc.p);
        if (ret == 0) {
            EXPECT_TRUE(unc.Terminated()) << label;
            EXPECT_EQ(0, std::strncmp(unc.p, name, std::strlen(unc.p))) << label;
        }
        return ret;
    }
    case kDnc2Unc: {
        Exact unc(260);
        std::vector<std::string> map{"stale"};
        DWORD ret = CNetResConvert::ConvDNC2UNC(name, unc.p, map);
        if (ret == 0) {
            EXPECT_TRUE(unc.Terminated()) << label;
        } else {
            EXPECT_TRUE(map.empty()) << label;
        }
        return ret;
    }
    case kDncToMap: {
        std::vector<std::string> map{"stale"};
        DWORD ret = CNetResConvert::ConvDNCtoMAP(name, map);
        if (ret != 0) {
            EXPECT_TRUE(map.empty()) << label;
        }
        return ret;
    }
    case kServerOf: {
        Exact server(260);
        DWORD ret = CNetResConvert::GetServerFromDNC(name, server.p);
        if (ret == 0) {
            EXPECT_TRUE(server.Terminated()) << label;
        }
        return ret;
    }
    case kSplit: {
        Exact server(260), volume(260);
        DWORD ret = CNetResConvert::ExtractServerVolume(name, server.p, volume.p);
        if (ret != NA) {
            EXPECT_TRUE(server.Terminated() && volume.Terminated()) << label;
        }
        if (ret == 0) {
            EXPECT_EQ(0, std::strncmp(server.p, "\\\\", 2)) << label;
        }
        return ret;
    }
    case kMapEntry: {
        NETRESOURCEA res = {};
        Exact map(260);
        return CNetResConvert::GetMapEntry(name, &res, 0, map.p);
    }
    case kOps:
        break;
    }
    return kAny;
}

class BadInputMatrix : public LibTest, public ::testing::WithParamInterface<unsigned> {
protected:
    void SetUp() override {
        LibTest::SetUp();
        nlohmann::json ws = nlohmann::json::parse(qvsim::DefaultWorkstationJson());
        ws["code_page"] = GetParam();
        UseWorkstation(ws);
        CNetResConvert::GetServerList();  // ExtractServerVolume only reads the list
    }
};

TEST_P(BadInputMatrix, EveryOperationAnswersAKnownStatusAndStaysInItsBuffers) {
    for (const Case& c : kCases) {
        for (int op = 0; op < kOps; ++op) {
            const std::string label = std::string(c.label) + " / " + kOpNames[op];
            Name name(c.name);
            const std::string before = c.name.value_or("");
            DWORD ret = Call(static_cast<Op>(op), name.get(), label);
            EXPECT_EQ(1u, kAllowed[op].count(ret)) << label << ": unexpected status " << ret;
            if (c.expected[op] != kAny) {
                EXPECT_EQ(c.expected[op], ret) << label;
            }
            if (name.get() != nullptr) {
                EXPECT_EQ(before, name.get()) << label << ": name changed";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(CodePages, BadInputMatrix, ::testing::Values(1252u, 932u),
                         [](const auto& info) { return "cp" + std::to_string(info.param); });

}  // namespace
