// FindFirstFileA on network paths: lookup, long and 8.3 names, real folders.
#include "SimTest.h"

#include <cstring>
#include <fstream>

namespace {

using nlohmann::json;
using nlohmann::ordered_json;

class Files : public SimTest {
protected:
    struct Found {
        bool ok = false;
        unsigned long error = 0;
        std::string name, alternate;
        bool directory = false;
    };
    static Found Find(const std::string& path) {
        WIN32_FIND_DATAA data;
        std::memset(&data, 0x55, sizeof data);
        HANDLE h = w32::FindFirstFileA(path.c_str(), &data);
        Found f;
        if (h == INVALID_HANDLE_VALUE) {
            f.error = qvsim::LastError();
            return f;
        }
        f.ok = true;
        f.name = data.cFileName;
        f.alternate = data.cAlternateFileName;
        f.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        EXPECT_TRUE(w32::FindClose(h));
        EXPECT_FALSE(w32::FindClose(h));
        return f;
    }
};

TEST_F(Files, LookupIsCaseInsensitiveAndTellsMissingFilesFromMissingFolders) {
    Use({{"files",
          {{"\\\\SRV\\VOL", {{"Program Files", {{"children", {{"App", {{"children", {{"readme.txt", json::object()}}}}}}}}}}},
           {"\\\\SRV\\VOL\\Deep", {{"inner.txt", json::object()}}}}}});
    Found f = Find("\\\\srv\\vol\\PROGRAM FILES\\app");
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.name, "App");
    EXPECT_EQ(f.alternate, "");
    EXPECT_TRUE(f.directory);
    f = Find("\\\\SRV\\VOL\\program files\\App\\README.TXT");
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.name, "readme.txt");
    EXPECT_FALSE(f.directory);
    // The longest listed root wins.
    EXPECT_TRUE(Find("\\\\SRV\\VOL\\Deep\\inner.txt").ok);

    struct Miss {
        const char* path;
        unsigned long error;
    };
    for (const Miss& m : {Miss{"\\\\SRV\\VOL\\Program Files\\nothing", ERROR_FILE_NOT_FOUND},
                          Miss{"\\\\SRV\\VOL\\nothing\\App", ERROR_PATH_NOT_FOUND},
                          Miss{"\\\\SRV\\VOL\\Program Files\\App\\readme.txt\\x", ERROR_PATH_NOT_FOUND},
                          Miss{"\\\\SRV\\OTHER\\x", ERROR_PATH_NOT_FOUND},
                          Miss{"\\\\SRV\\VOLUME\\x", ERROR_PATH_NOT_FOUND}}) {
        Found miss = Find(m.path);
        EXPECT_FALSE(miss.ok) << m.path;
        EXPECT_EQ(miss.error, m.error) << m.path;
    }
}

TEST_F(Files, ShortNamesAreGeneratedPerFolderInListingOrder) {
    ordered_json entries = {{"Program Files", json::object()},
                    {"Programme", json::object()},  // 9 characters: not 8.3
                    {"PROGRA~2", json::object()},   // already taken: the next one skips it
                    {"Program Data", json::object()},
                    {"readme.txt", json::object()},
                    {"Given Name", {{"short", "GIVEN~7"}}},
                    {"My.Long.Report.text", json::object()},
                    {"a+b=c;d.txt", json::object()},
                    {".profile", json::object()},
                    {"sub", {{"children", {{"Program Files", json::object()}}}}}};
    ordered_json many = ordered_json::object();
    for (int i = 0; i < 12; ++i) many["Documents " + std::to_string(i)] = json::object();
    entries["many"] = {{"children", many}};
    UseOrdered({{"files", {{"\\\\SRV\\VOL", entries}}}});
    struct Case {
        const char* name;
        const char* alternate;
    };
    const Case cases[] = {{"Program Files", "PROGRA~1"},
                          {"Programme", "PROGRA~3"},
                          {"PROGRA~2", ""},
                          {"Program Data", "PROGRA~4"},
                          {"readme.txt", ""},
                          {"Given Name", "GIVEN~7"},
                          {"My.Long.Report.text", "MYLONG~1.TEX"},
                          {"a+b=c;d.txt", "A_B_C_~1.TXT"},
                          {".profile", "PROFIL~1"},
                          {"sub\\Program Files", "PROGRA~1"},  // numbered anew in each folder
                          {"many\\Documents 0", "DOCUME~1"},
                          {"many\\Documents 8", "DOCUME~9"},
                          {"many\\Documents 9", "DOCUM~10"}};  // the tail shortens the stem
    for (const auto& c : cases) {
        Found f = Find(std::string("\\\\SRV\\VOL\\") + c.name);
        ASSERT_TRUE(f.ok) << c.name;
        EXPECT_EQ(f.alternate, c.alternate) << c.name;
    }
}

TEST_F(Files, ShareBackedByARealFolder) {
    std::filesystem::create_directories(TempDir() + "/share/Long Folder Name/inner");
    std::filesystem::create_directories(TempDir() + "/share/Long Folder Other");
    std::ofstream(TempDir() + "/share/Long Folder Name/inner/file.txt") << "x";
    std::ofstream(TempDir() + "/share/Long File Name.txt") << "hello";
    Use({{"files", {{"\\\\SRV\\REAL", {{"dir", "share"}}}}}});
    Found f = Find("\\\\SRV\\REAL\\long folder name\\INNER\\File.TXT");
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.name, "file.txt");
    EXPECT_FALSE(f.directory);
    f = Find("\\\\SRV\\REAL\\Long Folder Name");
    ASSERT_TRUE(f.ok);
    EXPECT_TRUE(f.directory);
    EXPECT_EQ(f.alternate, "LONGFO~1");
    EXPECT_EQ(Find("\\\\SRV\\REAL\\Long Folder Other").alternate, "LONGFO~2");  // sorted after "Name"
    EXPECT_EQ(Find("\\\\SRV\\REAL\\Long File Name.txt").alternate, "LONGFI~1.TXT");
    EXPECT_EQ(Find("\\\\SRV\\REAL\\missing\\x").error, static_cast<unsigned long>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Files, DefaultWorkstationDocumentationArchive) {
    Found f = Find("\\\\FS2\\PUBLIC\\Documentation Archive");
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.alternate, "DOCUME~1");
    f = Find("\\\\FS2\\PUBLIC\\Documentation Archive\\Manuals 2026");
    ASSERT_TRUE(f.ok);
    EXPECT_TRUE(f.directory);
    EXPECT_EQ(f.alternate, "MANUAL~1");
}

}  // namespace
