// Reading the trace INI file: the gate, key prefixes, the split at the last
// "=", the secondary levels, Macros and Options, the 256-byte section view;
// the module versions of the header, bounded to their buffers. (The header
// and the records of whole runs are pinned by the trace-*.json cases.)

#include "TraceFixture.h"

#include <cstdio>

namespace {

// The settings in one line: result, tracing, timers, flush, options,
// primary, secondary low and high, path.
std::string Summary(WORD result) {
    const qvlib::TraceSettings& s = qvlib::g_TraceSettings;
    char text[400];
    std::snprintf(text, sizeof text, "r%u t%u m%u f%u o%x p%x l%x h%x %s", result, s.wTracing,
                  s.wTimers, s.wFlush, s.wOptions, s.dwPrimLevel, s.dwSecLevelLow,
                  s.dwSecLevelHigh, s.szPath);
    return text;
}

struct ConfigCase {
    const char* name;
    std::string ini;
    const char* expected;
};
void PrintTo(const ConfigCase& c, std::ostream* os) { *os << c.name; }

const std::string S = "[Settings]\r\n";
const ConfigCase kCases[] = {
    {"NoIniFile", "", "r1 t0 m0 f0 o0 p0 l0 h0 zx_trace.out"},
    {"GateClosed", S + "trace_flag=0\r\ntimer_flag=0\r\nprim_level=ff\r\n", "r1 t0 m0 f0 o0 p0 l0 h0 zx_trace.out"},
    {"KeyCaseIgnored", S + "TRACE_FLAG=1\r\n", "r0 t1 m0 f0 o0 p0 l0 h0 zx_trace.out"},
    {"KeyIsLeadingPart", S + "trace_flag=1\r\ntrace=0\r\nflush=1\r\n", "r0 t0 m0 f1 o0 p0 l0 h0 zx_trace.out"},
    {"EmptyKeyMatchesFirst", S + "timer_flag=1\r\n=1\r\n", "r0 t1 m1 f0 o0 p0 l0 h0 zx_trace.out"},
    // The gate trims blanks around a key, the section walk does not.
    {"KeyWithTrailingBlank", S + "trace_flag =1\r\n", "r0 t0 m0 f0 o0 p0 l0 h1 zx_trace.out"},
    {"KeyLongerThanKeyword", S + "timer_flag=1\r\ntrace_flagx=1\r\n", "r0 t0 m1 f0 o0 p0 l0 h1 zx_trace.out"},
    {"ValueWithEquals", S + "trace_flag=1\r\nprim_level=a=5\r\n", "r0 t1 m0 f0 o0 p0 l0 h1 zx_trace.out"},
    {"SecLevelSetsBoth", S + "trace_flag=1\r\nsec_level=ff\r\n", "r0 t1 m0 f0 o0 p0 lff hff zx_trace.out"},
    {"UnparsableKeepsTarget", S + "trace_flag=1\r\nprim_level=5\r\nprim_level=zz\r\nsec_level_high=x\r\n",
     "r0 t1 m0 f0 o0 p5 l0 h1 zx_trace.out"},
    {"UnparsableDecimalIsZero", S + "timer_flag=1\r\ntrace_flag=on\r\n", "r0 t0 m1 f0 o0 p0 l0 h0 zx_trace.out"},
    {"MacroClearsBit", S + "trace_flag=1\r\nprim_level=ffffffff\r\n[Macros]\r\nENTER_LEAVE=0\r\n",
     "r0 t1 m0 f0 o0 p7fffffff l0 h1 zx_trace.out"},
    {"MacrosReadAfterSettings",
     "[Macros]\r\nPARAMS=1\r\nverify=1\r\nCOMMENTS=1\r\nERRORS=1\r\nENTER=1\r\nBOGUS=1\r\n" + S +
         "trace_flag=1\r\nprim_level=1\r\nsec_level_low=f\r\n",
     "r0 t1 m0 f0 o0 pf1000001 lf h1 zx_trace.out"},
    {"OptionsSetAndClear",
     S + "trace_flag=1\r\n[Options]\r\nTIME=1\r\nthreadid=1\r\nFILEANDLINE=1\r\nINSTANCE=1\r\n"
         "WORKSTATION=1\r\nTIME=0\r\nT=1\r\nFILE=0\r\n",
     "r0 t1 m0 f0 o1b p0 l0 h0 zx_trace.out"},
    {"PathThenFile", S + "trace_flag=1\r\ntracepath=C:\\TEMP\r\ntracefile=x.out\r\n", "r0 t1 m0 f0 o0 p0 l0 h0 C:\\TEMP\\x.out"},
    {"PathEndsInBackslash", S + "trace_flag=1\r\ntracepath=C:\\TEMP\\\r\ntracefile=x.out\r\n",
     "r0 t1 m0 f0 o0 p0 l0 h0 C:\\TEMP\\x.out"},
    {"FileWithoutPath", S + "trace_flag=1\r\ntracefile=x.out\r\n", "r0 t1 m0 f0 o0 p0 l0 h0 zx_trace.out\\x.out"},
    // The 256-byte view ends inside the prim_level line, after "c00".
    {"SectionCutAt256Bytes", S + ";" + std::string(225, 'x') + "\r\ntrace_flag=1\r\nprim_level=c0000001\r\ntimer_flag=1\r\n",
     "r0 t1 m0 f0 o0 pc00 l0 h1 zx_trace.out"},
};

class TraceConfig : public TraceFixture, public ::testing::WithParamInterface<ConfigCase> {};
class TraceSettingsFile : public TraceFixture {};

TEST_P(TraceConfig, ReadsSettings) {
    UseIni(GetParam().ini);
    EXPECT_EQ(Summary(qvlib::TraceReadConfig("Zx_TraQV.ini")), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Ini, TraceConfig, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TraceSettingsFile, TraceFileKeepsPathWithin253Characters) {
    std::string start(250, 'p');
    std::strcpy(qvlib::g_TraceSettings.szPath, start.c_str());
    UseIni("[Settings]\r\ntrace_flag=1\r\ntracefile=abcdef\r\n");
    ASSERT_EQ(qvlib::TraceReadConfig("Zx_TraQV.ini"), 0);
    EXPECT_EQ(std::string(qvlib::g_TraceSettings.szPath), start + "\\ab");
}

// An output that cannot be opened: no trace, tracing switched off. With
// the switch off in the INI file nothing is opened at all.
TEST_F(TraceSettingsFile, UnwritableOutputClearsTracing) {
    UseIni("[Settings]\r\ntrace_flag=0\r\ntracepath=" + dir_ + "/off.out\r\n");
    EXPECT_EQ(qvlib::TraceOpen("Zx_TraQV.ini"), 1);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/off.out"));
    for (const std::string& path : {dir_ + "/missing/x.out", std::string("Q:\\x.out")}) {
        SCOPED_TRACE(path);
        ResetTrace();
        UseIni("[Settings]\r\ntrace_flag=1\r\nprim_level=c0000001\r\nsec_level_low=f\r\ntracepath=" + path + "\r\n");
        EXPECT_EQ(qvlib::TraceOpen("Zx_TraQV.ini"), 1);
        EXPECT_FALSE(qvlib::TraceIsOn());
        qvlib::TraceLeaveGuard guard;
        EXPECT_EQ(qvlib::TraceEnter(nullptr, "C", "M", 1, 1, 0, "f.cpp", 1, guard), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/missing"));
}

// The INI file named by the module, when its name has five characters or
// more; otherwise zx_trace.ini.
TEST_F(TraceSettingsFile, IniNamesShorterThanFiveCharactersGiveTheDefaultFile) {
    nlohmann::json ws = {{"computer_name", "WS042"}};
    for (const char* name : {"a.ini", "zx_trace.ini"})
        ws["profiles"][name] = "[Settings]\r\ntrace_flag=1\r\ntracepath=" + dir_ + "/" + name + ".out\r\n";
    std::string error;
    ASSERT_TRUE(qvsim::UseText(ws.dump(), "trace-test.json", dir_, error)) << error;
    struct Case { const char* ini; const char* out; };
    for (const Case& c : {Case{"a.ini", "a.ini.out"}, Case{"a.in", "zx_trace.ini.out"},
                          Case{nullptr, "zx_trace.ini.out"}}) {
        SCOPED_TRACE(c.ini != nullptr ? c.ini : "null");
        ResetTrace();
        std::filesystem::remove_all(dir_ + "/a.ini.out");
        std::filesystem::remove_all(dir_ + "/zx_trace.ini.out");
        EXPECT_EQ(qvlib::TraceOpen(c.ini), 0);
        qvlib::TraceClose();
        EXPECT_TRUE(std::filesystem::exists(dir_ + "/" + c.out));
    }
}

const nlohmann::json kPelvan = {
    {"modules", {{"PELVAN.DLL", {{"file_version", "2,5,65535,0"}, {"product_version", "2,5,0,0"}}}}}};

// Version texts are cut to the buffer; unknown modules give empty texts.
TEST_F(TraceSettingsFile, ModuleVersionBoundedToBuffer) {
    UseIni("", kPelvan);
    struct Case { const char* module; std::size_t size; const char* file; const char* product; };
    for (const Case& c : {Case{"pelvan.dll", 128, "2,5,65535,0", "2,5,0,0"}, Case{"pelvan.dll", 5, "2,5,", "2,5,"},
                          Case{"pelvan.dll", 1, "", ""}, Case{"missing.dll", 128, "", ""}}) {
        SCOPED_TRACE(std::string(c.module) + " " + std::to_string(c.size));
        char file[130], product[130];
        std::memset(file, '#', sizeof file);
        std::memset(product, '#', sizeof product);
        qvlib::TraceGetModuleVersion(c.module, file, c.size, product, c.size);
        EXPECT_STREQ(file, c.file);
        EXPECT_STREQ(product, c.product);
        EXPECT_EQ(file[c.size], '#');
        EXPECT_EQ(product[c.size], '#');
    }
}

}  // namespace
