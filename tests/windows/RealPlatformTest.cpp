// The library on the real Win32 functions: QLMZTXQUORVELCPP100.DLL as a
// client loads it, on a system that reports no network provider (1222).
//
// The module reads its trace INI when it is loaded, so every scenario runs in
// a child process (this program started with --child SCENARIO): the parent
// writes Zx_TraQV.ini to the Windows directory and the registry switches,
// starts the child, and reads the exit code, the child's report and the trace
// file the child's module leaves behind when it unloads.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <quorvel/NetResConvert.h>

#include "PrivateAccess.h"

// The private operations this program calls on the DLL (the class is exported
// whole, its private members included).
namespace qvtest {
QVTEST_EXPOSE(GetMsServersTag, DWORD (*)(DWORD), CNetResConvert::GetMsServers);
QVTEST_EXPOSE(UseDomainsTag, std::vector<std::string>*, CNetResConvert::m_UseDomains);
QVTEST_EXPOSE(UseAllDomTag, int*, CNetResConvert::m_fUseAllDom);
QVTEST_EXPOSE(LongAndShortTag, DWORD (*)(const char* const, char* const, char* const),
              CNetResConvert::GetLongAndShortDNCName);

struct Library {
    static DWORD GetMsServers(DWORD dwDepth) { return Get(GetMsServersTag{})(dwDepth); }
    static std::size_t UsedDomains() { return Get(UseDomainsTag{})->size(); }
    static int UseAllDomains() { return *Get(UseAllDomTag{}); }
    static DWORD LongAndShort(const char* dnc, char* longName, char* shortName) {
        return Get(LongAndShortTag{})(dnc, longName, shortName);
    }
};

}  // namespace qvtest

namespace {

using Access = qvtest::Library;

const char kSwitchKey[] =
    "Software\\Talmoro\\Components\\C0000318\\Versions\\1.0\\AdditionalInfos\\Quorvel100";

// A folder the system names (GetWindowsDirectoryA or GetTempPathA), without a
// trailing backslash.
template <class Query>
std::string SystemDir(Query query, const char* fallback) {
    char dir[MAX_PATH] = {};
    const DWORD n = query(dir);
    std::string d = n > 0 && n < sizeof dir ? std::string(dir) : std::string(fallback);
    return d.back() == '\\' ? d.substr(0, d.size() - 1) : d;
}
std::string WindowsDir() { return SystemDir([](char* d) { return ::GetWindowsDirectoryA(d, MAX_PATH); }, "C:\\windows"); }
std::string TempDir() { return SystemDir([](char* d) { return ::GetTempPathA(MAX_PATH, d); }, "C:") + "\\"; }

std::string ReadFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// ---- the child: one scenario on the loaded module -------------------------

int RunChild(const std::string& scenario, const std::string& reportPath) {
    std::ofstream report(reportPath, std::ios::binary | std::ios::trunc);
    if (scenario == "build") {
        DWORD dwRet = CNetResConvert::BuildLists();
        report << "ret=" << dwRet << "\nmounts=" << CNetResConvert::GetMountList().size()
               << "\nservers=" << CNetResConvert::GetServerCount()
               << "\nvolumes=" << CNetResConvert::GetVolumeList().size() << "\n";
        NETRESOURCEA res{};
        report << "first=" << CNetResConvert::GetFirstServer(&res) << "\n";
        return 0;
    }
    if (scenario == "convert") {
        // A name with no network behind it: a bounded answer, never a crash.
        char dnc[32] = {};
        DWORD size = sizeof dnc;
        std::string longName(600, 'x');
        DWORD r1 = CNetResConvert::ConvRes2DNC(("\\\\SRV\\VOL\\" + longName).c_str(), dnc, size);
        dnc[sizeof dnc - 1] = '\0';
        char server[64] = {}, volume[64] = {};
        char src[] = "\\\\SERVER1\\VOL1\\dir";
        DWORD r2 = CNetResConvert::ExtractServerVolume(src, server, volume);
        report << "r1=" << r1 << "\nr2=" << r2 << "\nserver=" << server << "\nvolume=" << volume << "\n";
        return 0;
    }
    if (scenario == "domains") {
        Access::GetMsServers(1);
        report << "used=" << Access::UsedDomains() << "\nall=" << Access::UseAllDomains() << "\n";
        return 0;
    }
    return 2;
}

// ---- the parent ----------------------------------------------------------

class RealPlatform : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        base_ = TempDir() + "qv_" + info->name();
        tracePath_ = base_ + ".trace";
        reportPath_ = base_ + ".report";
        ::DeleteFileA(tracePath_.c_str());
        ::DeleteFileA(reportPath_.c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSwitchKey);
        WriteFile(WindowsDir() + "\\Zx_TraQV.ini",
                  "[Settings]\r\ntrace_flag=1\r\ntracepath=" + tracePath_ +
                      "\r\nprim_level=c0000001\r\nsec_level_low=f\r\n[Options]\r\n");
    }
    void TearDown() override {
        ::DeleteFileA((WindowsDir() + "\\Zx_TraQV.ini").c_str());
        ::DeleteFileA((WindowsDir() + "\\ZTXDOM.INI").c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSwitchKey);
    }

    static void SetSwitch(const char* name, DWORD value) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSwitchKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                   sizeof value),
                  ERROR_SUCCESS);
        ::RegCloseKey(key);
    }

    // Runs a scenario in a child process; returns its exit code.
    DWORD Child(const std::string& scenario) {
        char self[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, self, sizeof self);
        std::string cmd = std::string("\"") + self + "\" --child " + scenario + " \"" + reportPath_ + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string buf = cmd;
        if (!::CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return 0xFFFFFFFF;
        ::WaitForSingleObject(pi.hProcess, 60000);
        DWORD code = 0xFFFFFFFF;
        ::GetExitCodeProcess(pi.hProcess, &code);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        report_ = ReadFile(reportPath_);
        trace_ = ReadFile(tracePath_);
        return code;
    }

    bool Traced(const std::string& text) const { return trace_.find(text) != std::string::npos; }

    std::string base_, tracePath_, reportPath_, report_, trace_;
};

// Without a network provider the library still works: empty lists, and the
// trace says which providers are missing and why the enumeration failed. The
// registry switches are read from the real registry.
TEST_F(RealPlatform, NoNetworkBuildsEmptyListsAndSaysSo) {
    ASSERT_EQ(Child("build"), 0u) << trace_;
    EXPECT_NE(report_.find("\nmounts=0\nservers=0\nvolumes=0\n"), std::string::npos) << report_;
    EXPECT_EQ(report_.find("first=0\n"), std::string::npos) << "a first server without a network: " << report_;
    // Process detach cleared the lists while the trace was still open: the
    // last operation traced comes after everything the child called.
    const std::size_t lastCall = trace_.rfind("->CNetResConvert::GetFirstServer()");
    ASSERT_NE(lastCall, std::string::npos) << "no trace in " << tracePath_ << ":\n" << trace_;
    const std::size_t unload = trace_.rfind("->CNetResConvert::ClearLists()");
    EXPECT_TRUE(unload != std::string::npos && unload > lastCall) << trace_;
    // The failed enumeration is traced with its number (hexadecimal) and the
    // system's text for it (FormatMessageA).
    char text[512] = {};
    ASSERT_GT(::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               ERROR_NO_NETWORK, 0, text, sizeof text, nullptr), 0u);
    const std::string message = std::string(text).substr(0, std::string(text).find_first_of("\r\n"));
    // GetVersionExA, the module's own version resource, the absent registry key.
    for (const std::string& line : {std::string("Kein MS-Provider!"), std::string("Kein NOVELL-Provider!"),
                                    std::string("System: Windows NT"), std::string("nicht vorhanden, lRet=2"),
                                    std::string("QLMZTXQUORVELCPP100.DLL: FILEVERSION: 1,0,1,11 PRODUCTVERSION: 1,0,0,0"),
                                    std::string("ERROR:WNetOpenEnum, Error=4c6, ") + message})
        EXPECT_TRUE(Traced(line)) << "missing \"" << line << "\" in\n" << trace_;

    SetSwitch("UniversalName", 0);
    SetSwitch("LongNames", 1);
    ASSERT_EQ(Child("build"), 0u);
    EXPECT_FALSE(Traced("nicht vorhanden")) << trace_;
    EXPECT_TRUE(Traced("m_bUseGetUniv = FALSE; Entry= 0")) << trace_;
    EXPECT_TRUE(Traced("m_bUseLongAndShortDir = TRUE; Entry= 1")) << trace_;
    SetSwitch("UniversalName", 7);
    ASSERT_EQ(Child("build"), 0u);
    EXPECT_TRUE(Traced("m_bUseGetUniv = TRUE; Entry= 7")) << trace_;
}

// Conversions on the real C runtime's _mbs* helpers, with no network behind
// the names: refused, buffers left bounded, no crash.
TEST_F(RealPlatform, ConversionsWithoutNetworkAreRefused) {
    ASSERT_EQ(Child("convert"), 0u) << trace_;
    EXPECT_EQ(report_.find("r1=0\n"), std::string::npos) << report_;
    // No server is known, so no split of the name can be confirmed.
    EXPECT_NE(report_.find("r2=" + std::to_string(CONV_NO_SERVER) + "\n"), std::string::npos) << report_;
    EXPECT_NE(report_.find("server=\nvolume=\n"), std::string::npos) << report_;
}

// The domain selection is read from ZTXDOM.INI in the Windows directory
// through the real profile functions.
TEST_F(RealPlatform, DomainSelectionFromWindowsDirectory) {
    WriteFile(WindowsDir() + "\\ZTXDOM.INI",
              "[Other]\r\nx=NOTME\r\n[MSDomains]\r\n;1=COMMENTED\r\n1=VERTRIEB\r\nnoequals\r\n"
              "2=ENTWICKLUNG\r\n");
    ASSERT_EQ(Child("domains"), 0u) << trace_;
    EXPECT_NE(report_.find("used=2\nall=0\n"), std::string::npos) << report_;
    for (const char* line : {"Use=VERTRIEB", "Use=ENTWICKLUNG", "Nur die selektierten Dom\xE4nen verwenden"})
        EXPECT_TRUE(Traced(line)) << line << " in\n" << trace_;
    EXPECT_FALSE(Traced("COMMENTED") || Traced("NOTME")) << trace_;

    ::DeleteFileA((WindowsDir() + "\\ZTXDOM.INI").c_str());
    ASSERT_EQ(Child("domains"), 0u) << trace_;
    EXPECT_NE(report_.find("used=0\nall=1\n"), std::string::npos) << report_;
}

// Long and short names of real folders through FindFirstFileA: components
// that are valid 8.3 names are kept as written, the others are looked up.
TEST(RealPlatformNames, LongAndShortNamesOfRealFolders) {
    std::string root = TempDir() + "qvnames";
    std::string folder = root + "\\Ein langer Ordnername";
    std::string file = folder + "\\Eine lange Datei.text";
    ::CreateDirectoryA(root.c_str(), nullptr);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    WriteFile(file, "x");

    // The alternate names the system gives these two.
    auto alternate = [](const std::string& path) {
        WIN32_FIND_DATAA wfd{};
        HANDLE h = ::FindFirstFileA(path.c_str(), &wfd);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
        if (h != INVALID_HANDLE_VALUE) ::FindClose(h);
        return std::string(wfd.cAlternateFileName);
    };
    std::string shortFolder = alternate(folder), shortFile = alternate(file);
    ASSERT_FALSE(shortFolder.empty()) << "no 8.3 name for " << folder;
    ASSERT_FALSE(shortFile.empty()) << "no 8.3 name for " << file;
    EXPECT_LE(shortFolder.size(), 12u);
    EXPECT_EQ(shortFolder.find(' '), std::string::npos);

    // Written in a different case: the long form takes the names on disk.
    std::string asWritten = root + "\\EIN LANGER ORDNERNAME\\eine lange datei.text";
    char longName[260] = {}, shortName[260] = {};
    ASSERT_EQ(Access::LongAndShort(asWritten.c_str(), longName, shortName), 0u);
    EXPECT_EQ(std::string(longName), file);
    EXPECT_EQ(std::string(shortName), root + "\\" + shortFolder + "\\" + shortFile);

    // A component that does not exist ends the lookup with empty results.
    std::string missing = root + "\\Gibt es nicht\\x";
    EXPECT_EQ(Access::LongAndShort(missing.c_str(), longName, shortName), static_cast<DWORD>(CONV_PATH_NOT_FOUND));
    EXPECT_EQ(longName[0], '\0');
    EXPECT_EQ(shortName[0], '\0');

    ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(folder.c_str());
    ::RemoveDirectoryA(root.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0) return RunChild(argv[2], argv[3]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
