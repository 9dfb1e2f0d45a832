// Universal names, provider names, the version query, the computer name,
// system messages, version resources and the registry.
#include "SimTest.h"

#include <cstdlib>
#include <cstring>
#include <thread>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

using nlohmann::json;

class System : public SimTest {};

json Drives() {
    return {{"connections",
             {{{"local", "F:"}, {"remote", "\\\\SRV1\\VOL1"}, {"provider", "NetWare"}},
              {{"local", "G:"}, {"remote", "\\\\TREE\\.SRV1_VOL1.OU"}, {"provider", "NetWare"},
               {"universal", "\\\\SRV1\\VOL1"}},
              {{"local", "H:"}, {"remote", "\\\\SRV2\\X"}, {"universal", {{"error", 1200}}}}}}};
}

TEST_F(System, UniversalNameLevelsAndSizes) {
    Use(Drives());
    const std::string universal = "\\\\SRV1\\VOL1\\dir\\file.txt";
    // Level 1: the record, then the string.
    DWORD need1 = sizeof(UNIVERSAL_NAME_INFOA) + universal.size() + 1;
    std::vector<char> buf(need1);
    DWORD size = need1 - 1;
    EXPECT_EQ(w32::WNetGetUniversalNameA("f:\\dir\\file.txt", UNIVERSAL_NAME_INFO_LEVEL, buf.data(), &size),
              static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, need1);
    ASSERT_EQ(w32::WNetGetUniversalNameA("f:\\dir\\file.txt", UNIVERSAL_NAME_INFO_LEVEL, buf.data(), &size), 0u);
    auto* info1 = reinterpret_cast<UNIVERSAL_NAME_INFOA*>(buf.data());
    EXPECT_EQ(info1->lpUniversalName, buf.data() + sizeof(UNIVERSAL_NAME_INFOA));
    EXPECT_STREQ(info1->lpUniversalName, universal.c_str());

    // Level 2: universal name, connection name and remaining path, from the
    // given universal name rather than the remote name.
    DWORD need2 = sizeof(REMOTE_NAME_INFOA) + universal.size() + 1 + std::strlen("\\\\TREE\\.SRV1_VOL1.OU") + 1 +
                  std::strlen("\\dir\\file.txt") + 1;
    size = 10;
    EXPECT_EQ(w32::WNetGetUniversalNameA("G:\\dir\\file.txt", REMOTE_NAME_INFO_LEVEL, buf.data(), &size),
              static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, need2);
    buf.assign(need2, 0);
    ASSERT_EQ(w32::WNetGetUniversalNameA("G:\\dir\\file.txt", REMOTE_NAME_INFO_LEVEL, buf.data(), &size), 0u);
    auto* info2 = reinterpret_cast<REMOTE_NAME_INFOA*>(buf.data());
    EXPECT_STREQ(info2->lpUniversalName, universal.c_str());
    EXPECT_STREQ(info2->lpConnectionName, "\\\\TREE\\.SRV1_VOL1.OU");
    EXPECT_STREQ(info2->lpRemainingPath, "\\dir\\file.txt");
    for (const char* s : {info2->lpUniversalName, info2->lpConnectionName, info2->lpRemainingPath})
        EXPECT_TRUE(s >= buf.data() + sizeof(REMOTE_NAME_INFOA) && s + std::strlen(s) < buf.data() + buf.size());

    // A bare drive gives the connection's name.
    size = static_cast<DWORD>(buf.size());
    ASSERT_EQ(w32::WNetGetUniversalNameA("F:", REMOTE_NAME_INFO_LEVEL, buf.data(), &size), 0u);
    EXPECT_STREQ(info2->lpUniversalName, "\\\\SRV1\\VOL1");

    size = static_cast<DWORD>(buf.size());
    EXPECT_EQ(w32::WNetGetUniversalNameA("X:\\a", REMOTE_NAME_INFO_LEVEL, buf.data(), &size),
              static_cast<DWORD>(ERROR_NOT_CONNECTED));
    EXPECT_EQ(w32::WNetGetUniversalNameA("H:", REMOTE_NAME_INFO_LEVEL, buf.data(), &size), 1200u);
    EXPECT_EQ(w32::WNetGetUniversalNameA("F:", 3, buf.data(), &size), static_cast<DWORD>(ERROR_INVALID_LEVEL));
}

TEST_F(System, ProviderNames) {
    Use({{"providers", {{"netware", "NetWare Services"}, {"lanman", {{"error", 59}}}}}});
    char name[100];
    DWORD size = sizeof name;
    ASSERT_EQ(w32::WNetGetProviderNameA(WNNC_NET_NETWARE, name, &size), 0u);
    EXPECT_STREQ(name, "NetWare Services");
    size = 16;  // the name has 16 characters: no room for the terminator
    EXPECT_EQ(w32::WNetGetProviderNameA(WNNC_NET_NETWARE, name, &size), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 17u);
    EXPECT_EQ(w32::WNetGetProviderNameA(WNNC_NET_LANMAN, name, &size), 59u);
    Use(json::object());
    EXPECT_EQ(w32::WNetGetProviderNameA(WNNC_NET_NETWARE, name, &size), static_cast<DWORD>(ERROR_NO_NETWORK));
}

TEST_F(System, VersionQuery) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(w32::GetVersionExA(&info));  // default workstation: NT 4.0 SP6
    EXPECT_EQ(info.dwPlatformId, 2u);
    EXPECT_EQ(info.dwMajorVersion, 4u);
    EXPECT_EQ(info.dwBuildNumber, 1381u);
    EXPECT_STREQ(info.szCSDVersion, "Service Pack 6");

    Use(json::object());
    ASSERT_TRUE(w32::GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwBuildNumber, 2195u);
    EXPECT_STREQ(info.szCSDVersion, "");
    info.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(w32::GetVersionExA(&info));

    Use({{"os", {{"fails", true}}}});
    info.dwOSVersionInfoSize = sizeof info;
    EXPECT_FALSE(w32::GetVersionExA(&info));
}

TEST_F(System, ComputerNameAndThreadId) {
    char name[16];
    DWORD size = sizeof name;
    ASSERT_TRUE(w32::GetComputerNameA(name, &size));
    EXPECT_STREQ(name, "WS042");
    EXPECT_EQ(size, 5u);
    size = 5;
    EXPECT_FALSE(w32::GetComputerNameA(name, &size));
    EXPECT_EQ(qvsim::LastError(), static_cast<unsigned long>(ERROR_BUFFER_OVERFLOW));
    EXPECT_EQ(size, 6u);
    Use(json::object());
    size = sizeof name;
    EXPECT_FALSE(w32::GetComputerNameA(name, &size));

    EXPECT_EQ(w32::GetCurrentThreadId(), static_cast<DWORD>(::syscall(SYS_gettid)));
    DWORD other = 0;
    std::thread([&] { other = w32::GetCurrentThreadId(); }).join();
    EXPECT_NE(other, w32::GetCurrentThreadId());
}

std::string SystemMessage(DWORD code, bool* ok = nullptr) {
    char* text = nullptr;
    DWORD n = w32::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text), 0, nullptr);
    if (ok) *ok = n != 0;
    if (n == 0) return "";
    std::string s(text, n);
    EXPECT_EQ(w32::LocalFree(text), nullptr);
    return s;
}

TEST_F(System, SystemMessagesEndInCrLfAndCanBeOverridden) {
    EXPECT_EQ(SystemMessage(53), "The network path was not found.\r\n");
    EXPECT_EQ(SystemMessage(1207), "Cannot enumerate a noncontainer.\r\n");
    EXPECT_EQ(SystemMessage(2250), "This network connection does not exist.\r\n");
    // Every code the simulated functions answer has a text.
    for (DWORD code : {2, 3, 5, 6, 8, 53, 54, 55, 58, 59, 64, 65, 66, 67, 87, 111, 122, 123, 124, 234, 259, 487, 1200,
                       1201, 1202, 1203, 1204, 1205, 1206, 1207, 1208, 1222, 2250}) {
        bool ok = false;
        std::string text = SystemMessage(code, &ok);
        EXPECT_TRUE(ok && text.size() > 2 && text.substr(text.size() - 2) == "\r\n") << code;
    }
    bool ok = true;
    SystemMessage(0xDEAD, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(qvsim::LastError(), static_cast<unsigned long>(ERROR_MR_MID_NOT_FOUND));

    Use({{"messages", {{"53", "Der Netzwerkpfad wurde nicht gefunden."}, {"70000", "Eigene Meldung\r\n"}}}});
    EXPECT_EQ(SystemMessage(53), "Der Netzwerkpfad wurde nicht gefunden.\r\n");
    EXPECT_EQ(SystemMessage(70000), "Eigene Meldung\r\n");
    EXPECT_EQ(SystemMessage(59), "An unexpected network error occurred.\r\n");

    int notAllocated = 0;
    EXPECT_EQ(w32::LocalFree(&notAllocated), &notAllocated);
}

std::string FileVersion(const char* module) {
    DWORD handle = 1;
    DWORD size = w32::GetFileVersionInfoSizeA(module, &handle);
    if (size == 0) return "none";
    std::vector<char> block(size);
    EXPECT_TRUE(w32::GetFileVersionInfoA(module, handle, size, block.data()));
    void* value = nullptr;
    UINT len = 0;
    EXPECT_TRUE(w32::VerQueryValueA(block.data(), "\\", &value, &len));
    EXPECT_EQ(len, sizeof(VS_FIXEDFILEINFO));
    const auto* ffi = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(ffi->dwSignature, static_cast<DWORD>(VS_FFI_SIGNATURE));
    char text[64];
    std::snprintf(text, sizeof text, "%u,%u,%u,%u/%u,%u,%u,%u", ffi->dwFileVersionMS >> 16, ffi->dwFileVersionMS & 0xFFFF,
                  ffi->dwFileVersionLS >> 16, ffi->dwFileVersionLS & 0xFFFF, ffi->dwProductVersionMS >> 16,
                  ffi->dwProductVersionMS & 0xFFFF, ffi->dwProductVersionLS >> 16, ffi->dwProductVersionLS & 0xFFFF);
    return text;
}

TEST_F(System, VersionResources) {
    EXPECT_EQ(FileVersion("PELVAN.DLL"), "1,0,1,11/1,0,0,0");
    EXPECT_EQ(FileVersion("pelvan002.dll"), "none");
    EXPECT_EQ(FileVersion(QUORVEL_MODULE_FILE_NAME), "1,0,1,11/1,0,0,0");
    Use({{"modules", {{"QLMZTXQuorvelCPP100.dll", nullptr}, {"x.ocx", {{"file_version", "65535,2,3,4"}}}}}});
    EXPECT_EQ(FileVersion(QUORVEL_MODULE_FILE_NAME), "none");
    EXPECT_EQ(FileVersion("X.OCX"), "65535,2,3,4/0,0,0,0");
}

class Registry : public SimTest {
protected:
    void SetUp() override {
        Use({{"registry",
              {{"HKEY_LOCAL_MACHINE\\Software\\Acme\\App",
                {{"Number", 7},
                 {"Negative", -1},
                 {"Text", "abc"},
                 {"Blob", {{"type", "REG_BINARY"}, {"hex", "00FF10"}}},
                 {"Multi", {{"type", "REG_MULTI_SZ"}, {"hex", "610000"}}},
                 {"", "default value"}}}}}});
    }
    HKEY Open(const char* path, LONG expect = ERROR_SUCCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(w32::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key), expect) << path;
        return key;
    }
};

TEST_F(Registry, KeysExistWhenListedOrAboveAListedKey) {
    for (const char* path : {"Software\\Acme\\App", "SOFTWARE\\acme\\app", "Software\\Acme", "Software"}) {
        HKEY key = Open(path);
        EXPECT_EQ(w32::RegCloseKey(key), ERROR_SUCCESS);
        EXPECT_EQ(w32::RegCloseKey(key), ERROR_INVALID_HANDLE);
    }
    Open("Software\\Acme\\Ap", ERROR_FILE_NOT_FOUND);
    Open("Software\\Acme\\App\\Sub", ERROR_FILE_NOT_FOUND);
    HKEY key = nullptr;
    EXPECT_EQ(w32::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Acme\\App", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, ValueTypesSizesAndMissingValues) {
    HKEY key = Open("Software\\Acme\\App");
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
    };
    const Case cases[] = {{"number", REG_DWORD, std::string("\x07\0\0\0", 4)},
                          {"Negative", REG_DWORD, std::string("\xFF\xFF\xFF\xFF", 4)},
                          {"Text", REG_SZ, std::string("abc\0", 4)},
                          {"Blob", REG_BINARY, std::string("\x00\xFF\x10", 3)},
                          {"Multi", REG_MULTI_SZ, std::string("a\0\0", 3)},
                          {"", REG_SZ, std::string("default value\0", 14)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DWORD type = 99, size = 0;
        // Without a buffer: the size.
        ASSERT_EQ(w32::RegQueryValueExA(key, c.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(size, c.data.size());
        // Too small: ERROR_MORE_DATA with the size.
        BYTE buf[32] = {};
        size = static_cast<DWORD>(c.data.size() - 1);
        EXPECT_EQ(w32::RegQueryValueExA(key, c.name, nullptr, &type, buf, &size), ERROR_MORE_DATA);
        EXPECT_EQ(size, c.data.size());
        size = sizeof buf;
        ASSERT_EQ(w32::RegQueryValueExA(key, c.name, nullptr, &type, buf, &size), ERROR_SUCCESS);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), size), c.data);
    }
    DWORD size = 4;
    BYTE buf[4];
    EXPECT_EQ(w32::RegQueryValueExA(key, "Missing", nullptr, nullptr, buf, &size), ERROR_FILE_NOT_FOUND);
    HKEY parent = Open("Software\\Acme");
    EXPECT_EQ(w32::RegQueryValueExA(parent, "Number", nullptr, nullptr, buf, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(w32::RegQueryValueExA(reinterpret_cast<HKEY>(0x4321), "Number", nullptr, nullptr, buf, &size),
              ERROR_INVALID_HANDLE);
    w32::RegCloseKey(parent);
    w32::RegCloseKey(key);
}

}  // namespace
