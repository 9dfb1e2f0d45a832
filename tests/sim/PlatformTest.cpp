// The other simulated functions: files and their 8.3 names, multibyte
// helpers, INI files and host paths, provider names, the computer name,
// system messages and the registry.
#include "SimFixture.h"
#include "SimInternal.h"

#include <cstring>
#include <fstream>
#include <thread>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

using Platform = SimFixture;

// The long and 8.3 names FindFirstFileA gives for a path, or its error.
std::string Find(const std::string& path) {
    WIN32_FIND_DATAA data;
    std::memset(&data, 0x55, sizeof data);
    HANDLE h = w32::FindFirstFileA(path.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return "error " + std::to_string(qvsim::testing::LastError());
    EXPECT_TRUE(w32::FindClose(h));
    EXPECT_FALSE(w32::FindClose(h));
    const bool dir = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return std::string(data.cFileName) + "|" + data.cAlternateFileName + (dir ? "|dir" : "");
}

TEST_F(Platform, FilesAndShortNamesPerFolderInListingOrder) {
    std::filesystem::create_directories(TempDir() + "/share/Long Folder Name/inner");
    std::filesystem::create_directories(TempDir() + "/share/Long Folder Other");
    std::ofstream(TempDir() + "/share/Long Folder Name/inner/file.txt") << "x";
    nlohmann::ordered_json entries = json::object();
    for (const char* name : {"Program Files", "Programme", "PROGRA~2", "Program Data", "readme.txt",
                             "My.Long.Report.text", "a+b=c;d.txt", ".profile"})
        entries[name] = json::object();
    entries["Given Name"] = {{"short", "GIVEN~7"}};
    entries["sub"] = {{"children", {{"Program Files", {{"children", {{"App", {{"children", {{"readme.txt", json::object()}}}}}}}}}}}};
    for (int i = 0; i < 10; ++i) entries["sub"]["children"]["Documents " + std::to_string(i)] = json::object();
    Use(nlohmann::ordered_json{{"files", {{"\\\\SRV\\VOL", entries},
                                          {"\\\\SRV\\VOL\\Deep", {{"inner.txt", json::object()}}},
                                          {"\\\\SRV\\REAL", {{"dir", "share"}}}}}});
    const std::pair<const char*, const char*> rows[] = {
        {"VOL\\program files", "Program Files|PROGRA~1"},
        {"VOL\\Programme", "Programme|PROGRA~3"},  // 9 characters; PROGRA~2 is taken
        {"VOL\\PROGRA~2", "PROGRA~2|"},
        {"VOL\\Program Data", "Program Data|PROGRA~4"},
        {"VOL\\README.TXT", "readme.txt|"},
        {"VOL\\Given Name", "Given Name|GIVEN~7"},
        {"VOL\\My.Long.Report.text", "My.Long.Report.text|MYLONG~1.TEX"},
        {"VOL\\a+b=c;d.txt", "a+b=c;d.txt|A_B_C_~1.TXT"},
        {"VOL\\.profile", ".profile|PROFIL~1"},
        {"vol\\SUB\\Program Files\\app", "App||dir"},
        {"VOL\\sub\\Program Files", "Program Files|PROGRA~1|dir"},  // numbered anew in each folder
        {"VOL\\sub\\Documents 8", "Documents 8|DOCUME~9"},
        {"VOL\\sub\\Documents 9", "Documents 9|DOCUM~10"},  // the tail shortens the stem
        {"VOL\\Deep\\inner.txt", "inner.txt|"},             // the longest listed root wins
        {"VOL\\sub\\Program Files\\nothing", "error 2"},
        {"VOL\\nothing\\x", "error 3"},
        {"VOL\\readme.txt\\x", "error 3"},
        {"OTHER\\x", "error 3"},
        {"VOLUME\\x", "error 3"},
        // a share backed by a real folder, names sorted
        {"REAL\\long folder name\\INNER\\File.TXT", "file.txt|"},
        {"REAL\\Long Folder Name", "Long Folder Name|LONGFO~1|dir"},
        {"REAL\\Long Folder Other", "Long Folder Other|LONGFO~2|dir"},
        {"REAL\\missing\\x", "error 3"},
    };
    for (const auto& [path, found] : rows) EXPECT_EQ(Find(std::string("\\\\SRV\\") + path), found) << path;
}

TEST_F(Platform, MultibyteHelpersByCodePage) {
    auto at = [](const char* s, const char* hit) { return hit ? hit - s : -1; };
    Use(json{{"code_page", 932}});
    // "\x83\x5C" and "\x81\x5F" are single characters whose trail bytes are '\\' and '_'.
    const char* s = "\x83\x5C\\dir\x81\x5F_x";
    EXPECT_EQ(at(s, w32::MbsChr(s, '\\')), 2);
    EXPECT_EQ(at(s, w32::MbsChr(s, '_')), 8);
    EXPECT_EQ(at(s, w32::MbsRChr(s, '\\')), 2);
    EXPECT_EQ(at(s, w32::MbsChr(s, 0x835C)), 0);
    EXPECT_EQ(at(s, w32::MbsChr(s, 0)), 10);
    EXPECT_EQ(at(s, w32::MbsRChr(s, 0)), 10);
    EXPECT_EQ(w32::MbsChr("\x83\x5C", '\\'), nullptr);
    EXPECT_EQ(w32::MbsRChr("a\x81\x5F", '_'), nullptr);
    EXPECT_EQ(w32::MbsStr("\x83\x5C" "abc", "\\abc"), nullptr);  // no match beginning at a trail byte
    EXPECT_EQ(at("x\x83\x5C\\abc", w32::MbsStr("x\x83\x5C\\abc", "\\abc")), 3);
    EXPECT_EQ(w32::MbsInc(s), s + 2);
    EXPECT_EQ(w32::MbsInc(s + 2), s + 3);
    const char* lone = "\x83";  // a lead byte before the terminator counts as one character
    EXPECT_EQ(w32::MbsInc(lone), lone + 1);
    EXPECT_EQ(w32::MbsInc(lone + 1), lone + 1);
    EXPECT_EQ(w32::MbsICmp("\\\\srv\x83\x5C", "\\\\SRV\x83\x5C"), 0);
    EXPECT_NE(w32::MbsICmp("\x83\x41", "\x83\x61"), 0);  // trail bytes are not letters
    EXPECT_NE(w32::MbsICmp("\xC4", "\xE4"), 0);          // no Latin-1 folding outside 1252
    EXPECT_EQ(w32::MbsNBICmp("\x83\x5C", "\x83\x5D", 1), 0);
    EXPECT_NE(w32::MbsNBICmp("\x83\x5C", "\x83\x5D", 2), 0);
    // Lead bytes: 932 0x81-0x9F and 0xE0-0xFC; 936, 949, 950 0x81-0xFE; none in 1252.
    const std::pair<unsigned, std::vector<int>> leads[] = {
        {932, {1, 1, 0, 0, 1, 0}}, {936, {1, 1, 1, 1, 1, 0}}, {949, {1, 1, 1, 1, 1, 0}},
        {950, {1, 1, 1, 1, 1, 0}}, {1252, {0, 0, 0, 0, 0, 0}}};
    for (const auto& [cp, expected] : leads) {
        Use(json{{"code_page", cp}});
        std::vector<int> got;
        for (int b : {0x81, 0x9F, 0xA0, 0xDF, 0xFC, 0xFF}) got.push_back(w32::IsLeadByte(b) ? 1 : 0);
        EXPECT_EQ(got, expected) << cp;
    }
    EXPECT_EQ(at("\x83\\", w32::MbsChr("\x83\\", '\\')), 1);
    EXPECT_EQ(w32::MbsChr("\x83\x5C", 0x835C), nullptr);  // 1252 has no double-byte characters
    EXPECT_EQ(at("ab", w32::MbsChr("ab", 0)), 2);
    EXPECT_EQ(w32::MbsICmp("\xC4rger \xDC" "ber", "\xE4RGER \xFC" "BER"), 0);  // Latin-1 letters fold
    EXPECT_NE(w32::MbsICmp("\xD7", "\xF7"), 0);                                // the signs do not
    EXPECT_LT(w32::MbsICmp("abc", "ABD"), 0);
    EXPECT_GT(w32::MbsICmp("abcd", "ABC"), 0);
    EXPECT_EQ(w32::MbsNBICmp("ABCdef", "abcXYZ", 3), 0);
    EXPECT_NE(w32::MbsNBICmp("ABCdef", "abcXYZ", 4), 0);
    EXPECT_EQ(w32::MbsNBICmp("ab", "AB", 10), 0);
    // The conversions of the description's strings into the code page and back.
    EXPECT_EQ(qvsim::detail::ConvertUtf8ToAnsi("Zus\xC3\xA4tzliche \xE2\x82\xAC \xE3\x82\xBD \xFF", 1252),
              "Zus\xE4tzliche \x80 ? ?");
    EXPECT_EQ(qvsim::detail::ConvertAnsiToUtf8("f\xFCr \x81", 1252), "f\xC3\xBCr ?");
}

// The section as GetPrivateProfileSectionA fills a buffer of `size` bytes,
// NULs shown as '|', with the return value.
std::string Section(const char* section, DWORD size, const char* file = "test.ini") {
    std::vector<char> buf(size + 8, '#');
    const DWORD n = w32::GetPrivateProfileSectionA(section, buf.data(), size, file);
    EXPECT_EQ(buf[size], '#') << "written past the buffer";
    std::string shown(buf.data(), size);
    for (char& c : shown)
        if (c == 0) c = '|';
    return std::to_string(n) + ":" + shown;
}

TEST_F(Platform, ProfilesAndHostPaths) {
    std::filesystem::create_directories(TempDir() + "/win");
    std::filesystem::create_directories(TempDir() + "/c/cfg");
    std::ofstream(TempDir() + "/win/ZTXDOM.INI") << "[MSDomains]\r\nUse=SALES\r\n";
    std::ofstream(TempDir() + "/c/cfg/app.ini") << "[A]\nx=3\n";
    Use(json{{"windows_dir", "win"}, {"drives", {{"c:", "c"}, {"D:", nullptr}}},
             {"profiles", {{"Test.INI", "; leading comment\r\n[Settings]\r\n  trace_flag = 1 \t\r\n\r\n"
                                        "; a comment line\r\n\tprim_level=c0000001\n[ settings ]\r\nsecond=x\r\n"
                                        "[Numbers]\r\nplain=42\r\nSpaced  =   17 apples\r\nhex=0x10\r\nword=abc\r\n"
                                        "empty=\r\nnegative=-5\r\nplain=99\r\nnovalue\r\n"}}}});
    // The first section of that name, any letter case; blanks inside a line stay.
    const std::string all = "trace_flag = 1|; a comment line|prim_level=c0000001||";
    const std::string whole = std::to_string(all.size() - 1) + ":" + all;
    EXPECT_EQ(Section("SETTINGS", 100).substr(0, whole.size()), whole);
    EXPECT_EQ(Section("Settings", DWORD(all.size())), whole);
    // Cut inside the last line that does not fit, still two NULs, size - 2.
    for (DWORD size : {DWORD{10}, DWORD{15}, DWORD{16}, DWORD{17}, DWORD(all.size() - 1)})
        EXPECT_EQ(Section("Settings", size), std::to_string(size - 2) + ":" + all.substr(0, size - 2) + "||");
    EXPECT_EQ(Section("Missing", 4), "0:||##");
    EXPECT_EQ(Section("Settings", 4, "other.ini").substr(0, 2), "0:");
    EXPECT_EQ(Section("msdomains", 12, "ztxdom.ini"), "10:Use=SALES||#");
    const std::pair<const char*, UINT> ints[] = {{"plain", 42}, {"PLAIN", 42}, {"spaced", 17}, {"hex", 0},
                                                 {"word", 0},   {"empty", 0},  {"negative", 0}, {"missing", 1234},
                                                 {"novalue", 1234}};
    for (const auto& [key, value] : ints)
        EXPECT_EQ(w32::GetPrivateProfileIntA("Numbers", key, 1234, "TEST.INI"), value) << key;
    EXPECT_EQ(w32::GetPrivateProfileIntA("Settings", "; a comment line", 5, "test.ini"), 5u);
    EXPECT_EQ(w32::GetPrivateProfileIntA("Nothing", "plain", 7, "test.ini"), 7u);
    EXPECT_EQ(w32::GetPrivateProfileIntA("A", "x", 0, "C:\\cfg\\app.ini"), 3u);
    EXPECT_EQ(w32::GetPrivateProfileIntA("A", "x", 9, "D:\\cfg\\app.ini"), 9u);

    const std::string c = TempDir() + "/c";
    EXPECT_EQ(w32::HostPath("C:\\TEMP\\trace.out"), c + "/TEMP/trace.out");
    EXPECT_TRUE(std::filesystem::is_directory(c + "/TEMP"));  // the folder that holds it exists
    EXPECT_EQ(w32::HostPath("c:trace.out"), c + "/trace.out");
    EXPECT_EQ(w32::HostPath("D:\\x.out"), "");
    EXPECT_EQ(w32::HostPath("E:\\x.out"), "");
    EXPECT_EQ(w32::HostPath("logs\\x.out"), "logs/x.out");
    EXPECT_EQ(w32::HostPath("/tmp/x.out"), "/tmp/x.out");
    EXPECT_EQ(w32::HostPath(nullptr), "");
}

TEST_F(Platform, ProviderComputerNameAndThread) {
    char name[100];
    DWORD size = 16;  // "NetWare Services" has 16 characters: no room for the terminator
    EXPECT_EQ(w32::WNetGetProviderNameA(WNNC_NET_NETWARE, name, &size), DWORD{ERROR_MORE_DATA});
    EXPECT_EQ(size, 17u);
    size = 5;
    EXPECT_FALSE(w32::GetComputerNameA(name, &size));  // "WS042"
    EXPECT_EQ(qvsim::testing::LastError(), static_cast<unsigned long>(ERROR_BUFFER_OVERFLOW));
    EXPECT_EQ(size, 6u);

    Use(json{{"providers", {{"lanman", {{"error", 59}}}}}});
    EXPECT_EQ(w32::WNetGetProviderNameA(WNNC_NET_LANMAN, name, &size), 59u);
    EXPECT_EQ(w32::WNetGetProviderNameA(WNNC_NET_NETWARE, name, &size), DWORD{ERROR_NO_NETWORK});
    size = sizeof name;
    EXPECT_FALSE(w32::GetComputerNameA(name, &size));

    EXPECT_EQ(w32::GetCurrentThreadId(), static_cast<DWORD>(::syscall(SYS_gettid)));
    DWORD other = 0;
    std::thread([&] { other = w32::GetCurrentThreadId(); }).join();
    EXPECT_NE(other, w32::GetCurrentThreadId());

    // A failed load leaves the workstation in force.
    Use(json{{"computer_name", "KEEP"}});
    std::string error;
    EXPECT_FALSE(qvsim::UseText(R"({"computer_name":"NEW","network":[{"display":"x"}]})", "bad.json", "", error));
    EXPECT_FALSE(qvsim::UseFile(TempDir() + "/missing.json", error));
    size = sizeof name;
    ASSERT_TRUE(w32::GetComputerNameA(name, &size));
    EXPECT_STREQ(name, "KEEP");
}

// Every code the simulated functions answer has a system message ending in
// CR LF (the texts themselves and their overrides show in the traces).
TEST_F(Platform, SystemMessages) {
    for (DWORD code : {2, 3, 5, 6, 8, 53, 54, 55, 58, 59, 64, 65, 66, 67, 87, 111, 122, 123, 124, 234, 259, 487, 1200,
                       1201, 1202, 1203, 1204, 1205, 1206, 1207, 1208, 1222, 2250, 0xDEAD}) {
        char* text = nullptr;
        const DWORD n = w32::FormatMessageA(
            FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
            code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
        if (code == 0xDEAD) {
            EXPECT_EQ(n, 0u);
            EXPECT_EQ(qvsim::testing::LastError(), static_cast<unsigned long>(ERROR_MR_MID_NOT_FOUND));
            continue;
        }
        ASSERT_GT(n, 2u) << code;
        EXPECT_EQ(std::string(text + n - 2, 2), "\r\n") << code;
        EXPECT_EQ(w32::LocalFree(text), nullptr);
    }
    int notAllocated = 0;
    EXPECT_EQ(w32::LocalFree(&notAllocated), &notAllocated);
}

TEST_F(Platform, RegistryKeysValueTypesAndSizes) {
    Use(json{{"registry", {{"HKEY_LOCAL_MACHINE\\Software\\Acme\\App",
                            {{"Number", 7}, {"Negative", -1}, {"Text", "abc"},
                             {"Blob", {{"type", "REG_BINARY"}, {"hex", "00FF10"}}},
                             {"Multi", {{"type", "REG_MULTI_SZ"}, {"hex", "610000"}}}, {"", "default value"}}}}}});
    // Keys exist when listed or above a listed key, in any letter case.
    auto open = [](HKEY root, const char* path) {
        HKEY key = nullptr;
        const LONG rc = w32::RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key);
        return rc == ERROR_SUCCESS ? key : nullptr;
    };
    for (const char* path : {"Software\\Acme\\App", "SOFTWARE\\acme\\app", "Software\\Acme", "Software"}) {
        HKEY key = open(HKEY_LOCAL_MACHINE, path);
        EXPECT_EQ(w32::RegCloseKey(key), ERROR_SUCCESS) << path;
        EXPECT_EQ(w32::RegCloseKey(key), ERROR_INVALID_HANDLE) << path;
    }
    HKEY none = nullptr;
    EXPECT_EQ(w32::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Acme\\Ap", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(w32::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Acme\\App\\Sub", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(w32::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Acme\\App", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);

    HKEY key = open(HKEY_LOCAL_MACHINE, "Software\\Acme\\App");
    const std::tuple<const char*, DWORD, std::string> values[] = {
        {"number", REG_DWORD, std::string("\x07\0\0\0", 4)}, {"Negative", REG_DWORD, "\xFF\xFF\xFF\xFF"},
        {"Text", REG_SZ, std::string("abc\0", 4)},          {"Blob", REG_BINARY, std::string("\x00\xFF\x10", 3)},
        {"Multi", REG_MULTI_SZ, std::string("a\0\0", 3)},   {"", REG_SZ, std::string("default value\0", 14)}};
    for (const auto& [name, type, data] : values) {
        DWORD gotType = 99, size = 0;
        BYTE buf[32] = {};
        // Without a buffer the size; too small ERROR_MORE_DATA with the size.
        ASSERT_EQ(w32::RegQueryValueExA(key, name, nullptr, &gotType, nullptr, &size), ERROR_SUCCESS) << name;
        EXPECT_EQ(gotType, type) << name;
        EXPECT_EQ(size, data.size()) << name;
        size = static_cast<DWORD>(data.size() - 1);
        EXPECT_EQ(w32::RegQueryValueExA(key, name, nullptr, &gotType, buf, &size), ERROR_MORE_DATA) << name;
        EXPECT_EQ(size, data.size()) << name;
        size = sizeof buf;
        ASSERT_EQ(w32::RegQueryValueExA(key, name, nullptr, &gotType, buf, &size), ERROR_SUCCESS) << name;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), size), data) << name;
    }
    DWORD size = 4;
    BYTE buf[4];
    EXPECT_EQ(w32::RegQueryValueExA(key, "Missing", nullptr, nullptr, buf, &size), ERROR_FILE_NOT_FOUND);
    HKEY parent = open(HKEY_LOCAL_MACHINE, "Software\\Acme");
    EXPECT_EQ(w32::RegQueryValueExA(parent, "Number", nullptr, nullptr, buf, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(w32::RegQueryValueExA(reinterpret_cast<HKEY>(0x4321), "Number", nullptr, nullptr, buf, &size),
              ERROR_INVALID_HANDLE);
    w32::RegCloseKey(parent);
    w32::RegCloseKey(key);
}

}  // namespace
