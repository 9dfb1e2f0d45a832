// Trace records: the layout under the options, nesting, the filter, thread
// tags and the system's error texts.

#include "TraceFixture.h"

#include <quorvel/sim/Testing.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <regex>
#include <thread>
#include <vector>

class TraceRecord : public TraceFixture {};

namespace {

const char* const kClass = "CNetResConvert";
const std::string kAllRecords = "prim_level=c1000001\r\nsec_level_low=f\r\n";
const void* const kInstance = reinterpret_cast<const void*>(std::uintptr_t{0x1234ABCD});

// A call with a nested call: enter, PARAM, nested enter and ERROR, nested
// leave, expression, leave.
void TracedCall() {
    qvlib::TraceLeaveGuard outer;
    qvlib::TraceEnter(kInstance, kClass, "BuildLists", 1, 1, 0, "Convmain.cpp", 120, outer);
    qvlib::TraceParam("PARAM:Res=LEER", kClass, 1, 1, 0);
    {
        qvlib::TraceLeaveGuard inner;
        qvlib::TraceEnter(nullptr, kClass, "GetSysVersion", 1, 2, 0, "convinit.cpp", 30, inner);
        qvlib::TraceText("ERROR:GetVersionEx", kClass, 1, 2, 0, "convinit.cpp", 41);
    }
    qvlib::TraceExpr("dwRet == 0", 1, kClass, 1, 1, 0, "Convmain.cpp", 130);
}

const std::string kPlainCall = TraceLines(
    {"->CNetResConvert::BuildLists()", "   PARAM:Res=LEER", "   ->CNetResConvert::GetSysVersion()",
     "      ERROR:GetVersionEx", "   <- END METHODE", "   EXPR :dwRet == 0 = TRUE", "<- END METHODE"});

TEST_F(TraceRecord, LayoutWithoutOptions) {
    ASSERT_EQ(Open(kAllRecords), 0);
    TracedCall();
    EXPECT_EQ(Records(), kPlainCall);
}

TEST_F(TraceRecord, LayoutWithInstanceWorkstationFileAndLine) {
    ASSERT_EQ(Open(kAllRecords, "INSTANCE=1\r\nWORKSTATION=1\r\nFILEANDLINE=1\r\n"), 0);
    TracedCall();
    EXPECT_EQ(Records(),
              TraceLines({"->CNetResConvert[1234ABCD]::BuildLists() [WS042] (Convmain.cpp,120)",
                          "   PARAM:Res=LEER [WS042]",
                          "   ->CNetResConvert::GetSysVersion() [WS042] (convinit.cpp,30)",
                          "      ERROR:GetVersionEx [WS042] (convinit.cpp,41)", "   <- END METHODE",
                          "   EXPR :dwRet == 0 = TRUE [WS042] (Convmain.cpp,130)", "<- END METHODE"}));
}

// TIME: "hh:mm:ss" and two blanks before every line, leave lines included.
TEST_F(TraceRecord, LayoutWithTime) {
    ASSERT_EQ(Open(kAllRecords, "TIME=1\r\n"), 0);
    TracedCall();
    std::string records = Records();
    EXPECT_TRUE(std::regex_match(records, std::regex("(\\d\\d:\\d\\d:\\d\\d  [^\r\n]*\r\n)+"))) << records;
    EXPECT_EQ(std::regex_replace(records, std::regex("\\d\\d:\\d\\d:\\d\\d  ([^\r\n]*\r\n)"), "$1"),
              kPlainCall);
}

// Absent names, a false expression, no file or line 0, an unknown
// workstation name (too long to fetch).
TEST_F(TraceRecord, LayoutOfPartialRecords) {
    ASSERT_EQ(Open(kAllRecords, "WORKSTATION=1\r\nINSTANCE=1\r\nFILEANDLINE=1\r\n",
                   {{"computer_name", "NAME-LONGER-THAN-15"}}), 0);
    {
        qvlib::TraceLeaveGuard a;
        qvlib::TraceEnter(nullptr, nullptr, "Free", 1, 1, 0, nullptr, 5, a);
        qvlib::TraceLeaveGuard b;
        qvlib::TraceEnter(kInstance, kClass, nullptr, 1, 1, 0, "x.cpp", 0, b);
        qvlib::TraceExpr("p != NULL", 0, kClass, 1, 1, 0, "x.cpp", 7);
    }
    EXPECT_EQ(Records(), TraceLines({"->::Free() [Unknown]", "   ->CNetResConvert[1234ABCD] [Unknown]",
                                     "      EXPR :p != NULL = FALSE [Unknown] (x.cpp,7)",
                                     "   <- END METHODE", "<- END METHODE"}));
}

// Which records pass, by masks and record kind.
enum class Kind { Enter, Text, SysError, Expr };
struct FilterCase {
    const char* name;
    std::string levels;
    Kind kind;
    DWORD prim, secLow, secHigh;
    bool passes;
};
void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

class TraceFilter : public TraceFixture, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(TraceFilter, PassesOnlyMatchingRecords) {
    const FilterCase& c = GetParam();
    ASSERT_EQ(Open(c.levels), 0);
    qvlib::TraceLeaveGuard guard;
    if (c.kind == Kind::Enter) {
        EXPECT_EQ(qvlib::TraceEnter(nullptr, kClass, "M", c.prim, c.secLow, c.secHigh, "f", 1, guard), c.passes);
    }
    if (c.kind == Kind::Text) qvlib::TraceText("ERROR:x", kClass, c.prim, c.secLow, c.secHigh, "f", 1);
    if (c.kind == Kind::SysError) qvlib::TraceSysError("ERROR:x", 5, kClass, c.prim, c.secLow, c.secHigh, "f", 1);
    if (c.kind == Kind::Expr) qvlib::TraceExpr("x", 1, kClass, c.prim, c.secLow, c.secHigh, "f", 1);
    EXPECT_EQ(guard.dwArmed, c.kind == Kind::Enter && c.passes ? 1u : 0u);
    guard.dwArmed = 0;  // only the first record is looked at
    EXPECT_EQ(!Records().empty(), c.passes);
}

const std::string kLevels = "prim_level=c1000001\r\nsec_level_low=5\r\nsec_level_high=0\r\n";
INSTANTIATE_TEST_SUITE_P(
    Masks, TraceFilter,
    ::testing::Values(
        FilterCase{"EnterPasses", kLevels, Kind::Enter, 1, 1, 0, true},
        FilterCase{"EnterNeedsEnterLeaveBit", "prim_level=41000001\r\nsec_level_low=f\r\n", Kind::Enter, 1, 1, 0, false},
        FilterCase{"PrimaryMaskMustMeetLevel", kLevels, Kind::Enter, 2, 1, 0, false},
        FilterCase{"PrimaryMaskMeetsWholeLevel", kLevels, Kind::Text, 0x40000000, 1, 0, true},
        FilterCase{"SecondaryLowMustMeetLevel", kLevels, Kind::Text, 1, 2, 0, false},
        FilterCase{"SecondaryHighWordAlone", "prim_level=c1000001\r\nsec_level_high=8\r\n", Kind::Text, 1, 0, 8, true},
        FilterCase{"ErrorsBitSelectsNothing", "prim_level=b1000001\r\nsec_level_low=f\r\n", Kind::Text, 1, 1, 0, false},
        FilterCase{"SysErrorNeedsParamsBit", "prim_level=81000001\r\nsec_level_low=f\r\n", Kind::SysError, 1, 1, 0, false},
        FilterCase{"ExprUnderVerify", kLevels, Kind::Expr, 1, 1, 0, true},
        FilterCase{"ExprNeedsVerify", "prim_level=c0000001\r\nsec_level_low=f\r\n", Kind::Expr, 1, 1, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

// An enter record that does not pass leaves its guard unarmed (no leave
// line); surplus leave lines keep the depth at 0, never below.
TEST_F(TraceRecord, NestingEdges) {
    ASSERT_EQ(Open("prim_level=41000001\r\nsec_level_low=f\r\n"), 0);
    {
        qvlib::TraceLeaveGuard guard;
        EXPECT_EQ(qvlib::TraceEnter(nullptr, kClass, "M", 1, 1, 0, "f", 1, guard), 0);
        qvlib::TraceParam("PARAM:inside", kClass, 1, 1, 0);
    }
    qvlib::g_TraceSettings.dwPrimLevel |= TRACE_ENTER_LEAVE;
    qvlib::TraceLeave();
    qvlib::TraceLeave();
    {
        qvlib::TraceLeaveGuard guard;
        qvlib::TraceEnter(nullptr, kClass, "M", 1, 1, 0, "f", 1, guard);
        qvlib::TraceParam("PARAM:nested", kClass, 1, 1, 0);
    }
    EXPECT_EQ(Records(), TraceLines({"PARAM:inside", "<- END METHODE", "<- END METHODE",
                                     "->CNetResConvert::M()", "   PARAM:nested", "<- END METHODE"}));
}

// The system's text without its line end; nothing after ", " without a text.
TEST_F(TraceRecord, SysErrorAppendsNumberAndSystemText) {
    nlohmann::json ws = {{"messages", {{"1234", "Own text.\r\n"}, {"77", "\r\n"}}}};
    ASSERT_EQ(Open(kAllRecords, "FILEANDLINE=1\r\n", ws), 0);
    qvlib::TraceSysError("ERROR:CreateFile", 5, kClass, 1, 1, 0, "f.cpp", 9);
    qvlib::TraceSysError("ERROR:WNetOpenEnum", 53, kClass, 1, 1, 0, nullptr, 0);
    qvlib::TraceSysError("ERROR:own", 1234, kClass, 1, 1, 0, nullptr, 0);
    qvlib::TraceSysError("ERROR:short", 77, kClass, 1, 1, 0, nullptr, 0);
    qvlib::TraceSysError("ERROR:none", 0xDEADBEEF, kClass, 1, 1, 0, nullptr, 0);
    EXPECT_EQ(Records(), TraceLines({"ERROR:CreateFile, Error=5, Access is denied. (f.cpp,9)",
                                     "ERROR:WNetOpenEnum, Error=35, The network path was not found.",
                                     "ERROR:own, Error=4d2, Own text.", "ERROR:short, Error=4d, ",
                                     "ERROR:none, Error=deadbeef, "}));
    // Every text the system allocated for a record has been given back.
    EXPECT_EQ(qvsim::testing::OpenHandles(), 0u);
}

// Runs action(i) for i = 0..n-1 on threads of their own, one after the other;
// all stay alive until the last is done, so no thread id is used twice.
void OnSeparateThreads(int n, const std::function<void(int)>& action) {
    std::mutex mu;
    std::condition_variable cv;
    int done = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < n; ++i) {
        threads.emplace_back([&, i] {
            action(i);
            std::unique_lock<std::mutex> lock(mu);
            ++done;
            cv.notify_all();
            cv.wait(lock, [&] { return done == n; });
        });
        std::unique_lock<std::mutex> lock(mu);
        cv.wait(lock, [&] { return done == i + 1; });
    }
    for (auto& t : threads) t.join();
}

// THREADID: no tag for the loading thread or on leave lines, "[THIDn ]" for
// slots 1 to 8, "[FULL]" for the threads beyond, which share one depth.
TEST_F(TraceRecord, ThreadTagsAndOverflowSlot) {
    ASSERT_EQ(Open(kAllRecords, "THREADID=1\r\n"), 0);
    {
        qvlib::TraceLeaveGuard main;
        qvlib::TraceEnter(nullptr, kClass, "BuildLists", 1, 1, 0, "f", 1, main);
        OnSeparateThreads(10, [](int i) {
            qvlib::TraceLeaveGuard guard;
            if (i == 0 || i == 8) qvlib::TraceEnter(nullptr, kClass, "M", 1, 1, 0, "f", 1, guard);
            qvlib::TraceParam(("PARAM:" + std::to_string(i)).c_str(), kClass, 1, 1, 0);
            if (i == 8) guard.dwArmed = 0;  // slot 9 stays one level deep
        });
        qvlib::TraceParam("PARAM:main", kClass, 1, 1, 0);
    }
    EXPECT_EQ(Records(), TraceLines({"->CNetResConvert::BuildLists()", "[THID1 ]->CNetResConvert::M()",
                                     "[THID1 ]   PARAM:0", "<- END METHODE", "[THID2 ]PARAM:1",
                                     "[THID3 ]PARAM:2", "[THID4 ]PARAM:3", "[THID5 ]PARAM:4",
                                     "[THID6 ]PARAM:5", "[THID7 ]PARAM:6", "[THID8 ]PARAM:7",
                                     "[FULL]  ->CNetResConvert::M()", "[FULL]     PARAM:8",
                                     "[FULL]     PARAM:9", "   PARAM:main", "<- END METHODE"}));
}

}  // namespace
