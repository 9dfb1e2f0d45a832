// INI files (sections and numbers) and the mapping of Windows paths to
// host paths.
#include "SimTest.h"

#include <cstring>
#include <fstream>

namespace {

using nlohmann::json;

class Profiles : public SimTest {
protected:
    // The section as GetPrivateProfileSectionA fills a buffer of `size` bytes,
    // NULs shown as '|'; with the return value.
    static std::pair<DWORD, std::string> Section(const char* section, DWORD size, const char* file = "test.ini") {
        std::vector<char> buf(size + 8, '#');
        DWORD n = w32::GetPrivateProfileSectionA(section, buf.data(), size, file);
        std::string shown(buf.data(), size);
        for (char& c : shown)
            if (c == 0) c = '|';
        EXPECT_EQ(buf[size], '#') << "written past the buffer";
        return {n, shown};
    }
};

const char* const kIni =
    "; leading comment\r\n"
    "[Settings]\r\n"
    "  trace_flag = 1 \t\r\n"
    "\r\n"
    "; a comment line\r\n"
    "\tprim_level=c0000001\n"
    "[ settings ]\r\n"
    "second=section\r\n"
    "[Numbers]\r\n"
    "plain=42\r\n"
    "Spaced  =   17 apples\r\n"
    "hex=0x10\r\n"
    "word=abc\r\n"
    "empty=\r\n"
    "negative=-5\r\n"
    "plain=99\r\n"
    "novalue\r\n";

TEST_F(Profiles, SectionLinesTrimmedWithCommentsKept) {
    Use({{"profiles", {{"Test.INI", kIni}}}});
    // The first section of that name, any letter case; blanks inside a line stay.
    const std::string all = "trace_flag = 1|; a comment line|prim_level=c0000001||";
    auto [n, text] = Section("SETTINGS", 100);
    EXPECT_EQ(n, all.size() - 1);
    EXPECT_EQ(text.substr(0, all.size()), all);

    // Cut inside the last line that does not fit, still two NULs, size - 2.
    for (DWORD size : {DWORD{10}, DWORD{15}, DWORD{16}, DWORD{17}, DWORD(all.size() - 1)}) {
        SCOPED_TRACE(size);
        auto [cutN, cut] = Section("Settings", size);
        EXPECT_EQ(cutN, size - 2);
        EXPECT_EQ(cut, all.substr(0, size - 2) + "||");
    }
    EXPECT_EQ(Section("Settings", all.size()).second, all);

    EXPECT_EQ(Section("Missing", 20).first, 0u);
    EXPECT_EQ(Section("Settings", 20, "other.ini").first, 0u);
    EXPECT_EQ(Section("Missing", 20).second.substr(0, 2), "||");
}

TEST_F(Profiles, IntegersReadFromTheStartOfTheValue) {
    Use({{"profiles", {{"test.ini", kIni}}}});
    struct Case {
        const char* key;
        UINT expected;
    };
    const Case cases[] = {{"plain", 42},  {"PLAIN", 42},  {"spaced", 17}, {"hex", 0},  {"word", 0},
                          {"empty", 0},   {"negative", 0}, {"missing", 1234}, {"novalue", 1234}};
    for (const auto& c : cases)
        EXPECT_EQ(w32::GetPrivateProfileIntA("Numbers", c.key, 1234, "TEST.INI"), c.expected) << c.key;
    EXPECT_EQ(w32::GetPrivateProfileIntA("Nothing", "plain", 7, "test.ini"), 7u);
    EXPECT_EQ(w32::GetPrivateProfileIntA("Numbers", "plain", 7, "nothing.ini"), 7u);
    // Comment lines are not keys.
    EXPECT_EQ(w32::GetPrivateProfileIntA("Settings", "; a comment line", 5, "test.ini"), 5u);
}

TEST_F(Profiles, FilesOfTheWindowsFolderAndThroughDrives) {
    std::filesystem::create_directories(TempDir() + "/win");
    std::filesystem::create_directories(TempDir() + "/c/cfg");
    std::ofstream(TempDir() + "/win/ZTXDOM.INI") << "[MSDomains]\r\nUse=SALES\r\n";
    std::ofstream(TempDir() + "/c/cfg/app.ini") << "[A]\nx=3\n";
    Use({{"windows_dir", "win"}, {"drives", {{"c:", "c"}, {"D:", nullptr}}}, {"profiles", {{"inline.ini", "[A]\nx=1\n"}}}});
    EXPECT_EQ(Section("msdomains", 40, "ztxdom.ini").second.substr(0, 11), "Use=SALES||");
    EXPECT_EQ(w32::GetPrivateProfileIntA("A", "x", 0, "inline.ini"), 1u);
    EXPECT_EQ(w32::GetPrivateProfileIntA("A", "x", 0, "C:\\cfg\\app.ini"), 3u);
    EXPECT_EQ(w32::GetPrivateProfileIntA("A", "x", 9, "D:\\cfg\\app.ini"), 9u);
}

TEST_F(Profiles, HostPaths) {
    Use({{"drives", {{"C:", "drive_c"}, {"D:", nullptr}}}});
    const std::string c = TempDir() + "/drive_c";
    EXPECT_EQ(w32::HostPath("C:\\TEMP\\trace.out"), c + "/TEMP/trace.out");
    EXPECT_TRUE(std::filesystem::is_directory(c + "/TEMP"));  // the folder that holds it exists
    EXPECT_EQ(w32::HostPath("c:trace.out"), c + "/trace.out");
    EXPECT_EQ(w32::HostPath("D:\\x.out"), "");
    EXPECT_EQ(w32::HostPath("E:\\x.out"), "");
    EXPECT_EQ(w32::HostPath("logs\\x.out"), "logs/x.out");
    EXPECT_EQ(w32::HostPath("/tmp/x.out"), "/tmp/x.out");
    EXPECT_EQ(w32::HostPath(nullptr), "");
}

}  // namespace
