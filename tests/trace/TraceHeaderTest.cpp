// The trace file header: title, module versions, settings in force.

#include "TraceTest.h"

#include <regex>

namespace {

// The module rows with the versions of this library and of pelvan.dll; the
// other modules are not installed.
std::string ModuleRows(const std::string& pelvanFile, const std::string& pelvanProduct) {
    std::string rows;
    for (const char* name : {"QLMZTXCATALOGAX100.dll", "QLMZTXCatalogCPP100.dll", "QLMZTXQUORVELCPP100.DLL",
                             "QLMZTXQUORVELCPP200.DLL", "pelvan.dll", "pelvan002.dll",
                             "QLMZTXFolderPickDlg100.ocx", "QLMZTXFolderPickCombo100.ocx"}) {
        bool own = std::strcmp(name, "QLMZTXQUORVELCPP100.DLL") == 0, pelvan = std::strcmp(name, "pelvan.dll") == 0;
        rows += std::string(name) + ": FILEVERSION: " + (own ? "1,0,1,11" : pelvan ? pelvanFile : "") +
                " PRODUCTVERSION: " + (own ? "1,0,0,0" : pelvan ? pelvanProduct : "") + "\r\n";
    }
    return rows;
}

const nlohmann::json kPelvan = {
    {"modules", {{"PELVAN.DLL", {{"file_version", "2,5,65535,0"}, {"product_version", "2,5,0,0"}}}}}};

TEST_F(TraceTest, HeaderShowsVersionsAndSettings) {
    std::ofstream(out_) << std::string(5000, 'o');  // an older trace is replaced
    ASSERT_EQ(Open("prim_level=c0000001\r\nsec_level_low=f\r\n[Macros]\r\nVERIFY=1\r\n",
                   "TIME=1\r\nINSTANCE=1\r\nWORKSTATION=1\r\n", kPelvan), 0);
    TraceParam("PARAM:first", "CNetResConvert", 1, 1, 0);
    TraceClose();
    std::string expected = "Zentrix - TRACING\r\n" + ModuleRows("2,5,65535,0", "2,5,0,0") + "\r\n" +
        TraceLines({"tracing                 = ON", "timers                  = OFF",
                    "tracing primary level   = C1000001", "tracing secondary level (low)  = 0000000F",
                    "tracing secondary level (high) = 00000001", "tracing file            = " + out_,
                    "with time               = YES", "with threadid           = NO",
                    "with file and line      = NO", "with instance           = YES",
                    "with enter-leave        = YES", "with comments           = NO",
                    "with params             = YES", "with errors             = NO", ""});
    std::string file = ReadFile(out_);
    ASSERT_EQ(file.substr(0, expected.size()), expected);
    // The first record (with its time field) follows the empty line directly.
    EXPECT_TRUE(std::regex_match(file.substr(expected.size()),
                                 std::regex("\\d\\d:\\d\\d:\\d\\d  PARAM:first \\[WS042\\]\r\n")));
}

// Timers on, tracing off: the header alone, complete while the file is open.
TEST_F(TraceTest, TimersAloneWriteHeaderOnly) {
    UseIni("[Settings]\r\ntimer_flag=1\r\ntracepath=" + out_ +
           "\r\n[Macros]\r\nCOMMENTS=1\r\nERRORS=1\r\n[Options]\r\nTHREADID=1\r\nFILEANDLINE=1\r\n");
    ASSERT_EQ(TraceOpen("Zx_TraQV.ini"), 0);
    EXPECT_FALSE(TraceIsOn());
    EXPECT_EQ(ReadFile(out_),
              "Zentrix - TRACING\r\n" + ModuleRows("", "") + "\r\n" +
                  TraceLines({"tracing                 = OFF", "timers                  = ON",
                              "tracing primary level   = 30000000", "tracing secondary level (low)  = 00000000",
                              "tracing secondary level (high) = 00000000", "tracing file            = " + out_,
                              "with time               = NO", "with threadid           = YES",
                              "with file and line      = YES", "with instance           = NO",
                              "with enter-leave        = NO", "with comments           = YES",
                              "with params             = NO", "with errors             = YES", ""}));
}

// A path composed from tracepath and tracefile is shown as it is opened.
TEST_F(TraceTest, HeaderShowsComposedPath) {
    UseIni("[Settings]\r\ntrace_flag=1\r\ntracepath=C:\\TEMP\r\ntracefile=x.out\r\n", {{"drives", {{"C:", "c"}}}});
    ASSERT_EQ(TraceOpen("Zx_TraQV.ini"), 0);
    TraceClose();
    EXPECT_NE(ReadFile(dir_ + "/c/TEMP/x.out").find("\r\ntracing file            = C:\\TEMP\\x.out\r\n"),
              std::string::npos);
}

// Version texts are cut to the buffer; unknown modules give empty texts.
TEST_F(TraceTest, ModuleVersionBoundedToBuffer) {
    UseIni("", kPelvan);
    struct Case { const char* module; std::size_t size; const char* file; const char* product; };
    for (const Case& c : {Case{"pelvan.dll", 128, "2,5,65535,0", "2,5,0,0"}, Case{"pelvan.dll", 5, "2,5,", "2,5,"},
                          Case{"pelvan.dll", 1, "", ""}, Case{"missing.dll", 128, "", ""}}) {
        SCOPED_TRACE(std::string(c.module) + " " + std::to_string(c.size));
        char file[130], product[130];
        std::memset(file, '#', sizeof file);
        std::memset(product, '#', sizeof product);
        TraceGetModuleVersion(c.module, file, c.size, product, c.size);
        EXPECT_STREQ(file, c.file);
        EXPECT_STREQ(product, c.product);
        EXPECT_EQ(file[c.size], '#');
        EXPECT_EQ(product[c.size], '#');
    }
}

}  // namespace
