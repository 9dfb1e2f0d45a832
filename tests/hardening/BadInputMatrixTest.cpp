// Every public operation that takes a name, fed hostile names on a code page
// 1252 and a code page 932 workstation. Names and output buffers are heap
// blocks of exactly their size, so that AddressSanitizer reports any read or
// write beyond them; each call must answer one of the operation's status
// codes, and where the answer is fixed, that one.
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "LibraryFixture.h"

namespace {

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
    using qvfuzz::ExactBuffer;
    ExactBuffer out(260), volume(260);
    std::vector<std::string> map{"stale"};
    DWORD ret = 0, type = 77, size = 260;
    switch (op) {
    case kType:
        ret = CNetResConvert::GetResNameType(name, type);
        EXPECT_TRUE(ret == 0 ? type == RES_TYPE_MAP || type == RES_TYPE_UNC : type == RES_TYPE_UNKNOWN) << label;
        return ret;
    case kRes2Dnc:
        // Again with one byte less than the result needs: ERROR_MORE_DATA
        // with the size, never an overrun.
        ret = CNetResConvert::ConvRes2DNC(name, out.get(), size);
        if (ret == 0 && out.Terminated() && out.get()[0] != '\0') {
            const std::size_t len = std::strlen(out.get());
            ExactBuffer tight(len);
            DWORD tightSize = static_cast<DWORD>(len);
            const DWORD again = CNetResConvert::ConvRes2DNC(name, tight.get(), tightSize);
            EXPECT_TRUE(again == ERROR_MORE_DATA ? tightSize == len + 1 : again == 0 && tight.Terminated()) << label;
        }
        EXPECT_TRUE(ret == 0 ? out.Terminated() : ret != ERROR_MORE_DATA || size > 260) << label;
        return ret;
    case kDncToUnc:
        ret = CNetResConvert::ConvDNCtoUNC(name, out.get());
        EXPECT_TRUE(ret != 0 || (out.Terminated() && std::strncmp(out.get(), name, std::strlen(out.get())) == 0))
            << label;
        return ret;
    case kDnc2Unc:
        ret = CNetResConvert::ConvDNC2UNC(name, out.get(), map);
        EXPECT_TRUE(ret == 0 ? out.Terminated() : map.empty()) << label;
        return ret;
    case kDncToMap:
        ret = CNetResConvert::ConvDNCtoMAP(name, map);
        EXPECT_TRUE(ret == 0 || map.empty()) << label;
        return ret;
    case kServerOf:
        ret = CNetResConvert::GetServerFromDNC(name, out.get());
        EXPECT_TRUE(ret != 0 || out.Terminated()) << label;
        return ret;
    case kSplit:
        ret = CNetResConvert::ExtractServerVolume(name, out.get(), volume.get());
        EXPECT_TRUE(ret == NA || (out.Terminated() && volume.Terminated())) << label;
        EXPECT_TRUE(ret != 0 || std::strncmp(out.get(), "\\\\", 2) == 0) << label;
        return ret;
    case kMapEntry: {
        NETRESOURCEA res = {};
        return CNetResConvert::GetMapEntry(name, &res, 0, out.get());
    }
    case kOps:
        break;
    }
    return kAny;
}

class BadInputMatrix : public LibraryFixture, public ::testing::WithParamInterface<unsigned> {
protected:
    void SetUp() override {
        LibraryFixture::SetUp();
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
            std::unique_ptr<qvfuzz::ExactString> name;
            if (c.name) name = std::make_unique<qvfuzz::ExactString>(*c.name);
            const DWORD ret = Call(static_cast<Op>(op), name ? name->get() : nullptr, label);
            EXPECT_EQ(1u, kAllowed[op].count(ret)) << label << ": unexpected status " << ret;
            EXPECT_TRUE(c.expected[op] == kAny || c.expected[op] == ret) << label << ": " << ret;
            EXPECT_TRUE(!name || *c.name == name->get()) << label << ": name changed";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(CodePages, BadInputMatrix, ::testing::Values(1252u, 932u),
                         [](const auto& info) { return "cp" + std::to_string(info.param); });

}  // namespace
