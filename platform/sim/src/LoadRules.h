// What a workstation description may hold: the members of each kind of
// object, the names of named numbers, the limits and the forms of member
// names. Shared by the reader (Builder.cpp), which checks a description and
// builds its workstation in one pass, and the writer of the normalised
// description (Normalised.cpp).
#pragma once

#include "SimInternal.h"

#include <strings.h>

#include <array>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace qvsim::detail::rules {

constexpr std::size_t kMaxName = 65535;          // names, paths, comments
constexpr std::size_t kMaxContent = 4u << 20;    // inline INI files, messages
constexpr std::size_t kMaxFileSize = 64u << 20;  // a whole description
constexpr int kMaxNesting = 128;

// The members of each kind of object, in the order messages list them.
constexpr std::string_view kRootMembers[] = {"computer_name", "code_page", "os",       "providers", "network",
                                        "unknown_container_error", "connections", "registry", "profiles",
                                        "windows_dir", "drives", "files", "modules", "messages", "latency"};
constexpr std::string_view kOsMembers[] = {"fails", "platform_id", "major", "minor", "build", "csd"};
constexpr std::string_view kProviderMembers[] = {"netware", "lanman"};
constexpr std::string_view kErrorMembers[] = {"error"};
constexpr std::string_view kNodeMembers[] = {"remote", "display", "provider", "type", "usage", "comment", "local",
                                        "children", "open_error", "enum_error", "enum_error_after", "batch"};
constexpr std::string_view kConnectionMembers[] = {"local", "remote", "provider", "comment", "universal"};
constexpr std::string_view kRegValueMembers[] = {"type", "hex"};
constexpr std::string_view kEntryMembers[] = {"short", "children"};
constexpr std::string_view kModuleMembers[] = {"file_version", "product_version"};
// "network", then the simulated functions in the order of QVSIM_FUNCTIONS.
constexpr auto kLatencyMembers = [] {
    std::array<std::string_view, 1 + kFunctionCount> members{"network"};
    for (std::size_t i = 0; i < kFunctionCount; ++i) members[1 + i] = kFunctions[i].name;
    return members;
}();

// Positions in those lists.
namespace root {
enum : int { ComputerName, CodePage, Os, Providers, Network, UnknownContainerError, Connections, Registry,
             Profiles, WindowsDir, Drives, Files, Modules, Messages, Latency };
}
namespace os {
enum : int { Fails, PlatformId, Major, Minor, Build, Csd };
}
namespace node {
enum : int { Remote, Display, Provider, Type, Usage, Comment, Local, Children, OpenError, EnumError,
             EnumErrorAfter, Batch };
}
namespace conn {
enum : int { Local, Remote, Provider, Comment, Universal };
}
namespace regvalue {
enum : int { Type, Hex };
}
namespace entry {
enum : int { Short, Children };
}
namespace module {
enum : int { FileVersion, ProductVersion };
}
namespace latency {
enum : int { Network, FirstFunction };  // function i at FirstFunction + i
}

// The index of key in members; -1 when it is none of them.
inline int MemberIndex(std::span<const std::string_view> members, std::string_view key) {
    for (std::size_t i = 0; i < members.size(); ++i)
        if (key == members[i]) return static_cast<int>(i);
    return -1;
}

struct Named {
    std::string_view name;
    DWORD value;
};

constexpr Named kDisplayTypes[] = {{"generic", 0}, {"domain", 1},      {"server", 2},     {"share", 3},
                                   {"file", 4},    {"group", 5},       {"network", 6},    {"root", 7},
                                   {"shareadmin", 8}, {"directory", 9}, {"tree", 10},     {"ndscontainer", 11}};
constexpr Named kResourceTypes[] = {{"any", 0}, {"disk", 1}, {"print", 2}};
constexpr Named kUsages[] = {{"connectable", 1}, {"container", 2}};
constexpr Named kRegTypes[] = {{"REG_NONE", 0},
                               {"REG_SZ", 1},
                               {"REG_EXPAND_SZ", 2},
                               {"REG_BINARY", 3},
                               {"REG_DWORD", 4},
                               {"REG_DWORD_BIG_ENDIAN", 5},
                               {"REG_LINK", 6},
                               {"REG_MULTI_SZ", 7},
                               {"REG_RESOURCE_LIST", 8},
                               {"REG_FULL_RESOURCE_DESCRIPTOR", 9},
                               {"REG_RESOURCE_REQUIREMENTS_LIST", 10},
                               {"REG_QWORD", 11}};

// The value of a name of the table; false when the table lacks it.
template <std::size_t N>
bool FindNamed(const Named (&table)[N], std::string_view name, DWORD& value) {
    for (const auto& e : table)
        if (name == e.name) {
            value = e.value;
            return true;
        }
    return false;
}

// The name of a value of the table; empty when the table has none.
template <std::size_t N>
std::string_view NameOf(const Named (&table)[N], DWORD value) {
    for (const auto& e : table)
        if (e.value == value) return e.name;
    return {};
}

// The type and usage a network node has when its description gives none.
inline DWORD DefaultType(DWORD display) {
    return display == RESOURCEDISPLAYTYPE_SHARE ? RESOURCETYPE_DISK : RESOURCETYPE_ANY;
}
inline DWORD DefaultUsage(DWORD display) {
    return display == RESOURCEDISPLAYTYPE_SHARE ? RESOURCEUSAGE_CONNECTABLE : RESOURCEUSAGE_CONTAINER;
}

// ---- names of members ------------------------------------------------------------

inline bool IsRegistryRoot(std::string_view key) {
    static const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                         "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
    for (const char* root : kRoots) {
        std::size_t n = std::strlen(root);
        if (key.size() >= n && strncasecmp(key.data(), root, n) == 0 && (key.size() == n || key[n] == '\\'))
            return true;
    }
    return false;
}

// \\server\share
inline bool IsShareRoot(std::string_view key) {
    if (key.size() < 5 || key[0] != '\\' || key[1] != '\\') return false;
    std::size_t sep = key.find('\\', 2);
    return sep != std::string_view::npos && sep > 2 && sep + 1 < key.size() && key.back() != '\\';
}

// A name of up to `max` bytes without any of `forbidden`.
inline bool IsPlainName(std::string_view key, std::size_t max, const char* forbidden) {
    return !key.empty() && key.size() <= max && key.find_first_of(forbidden) == std::string_view::npos;
}
inline bool IsEntryName(std::string_view key) { return IsPlainName(key, 255, "\\/"); }
inline bool IsProfileName(std::string_view key) { return IsPlainName(key, 255, "\\/:"); }
inline bool IsShortName(std::string_view s) { return IsPlainName(s, 12, "\\/"); }
inline bool IsModuleName(std::string_view key) { return !key.empty() && key.size() <= 255; }
inline bool IsDriveName(std::string_view k) {
    return k.size() == 2 && std::isalpha(static_cast<unsigned char>(k[0])) && k[1] == ':';
}
// "C:" for "c:"
inline char DriveLetter(std::string_view k) { return static_cast<char>(std::toupper(static_cast<unsigned char>(k[0]))); }

// A message number in decimal (up to 4294967295).
inline bool MessageNumber(std::string_view k, DWORD& number) {
    if (k.empty() || k.size() > 10 || k.find_first_not_of("0123456789") != std::string_view::npos) return false;
    unsigned long long v = 0;
    for (char c : k) v = v * 10 + static_cast<unsigned>(c - '0');
    if (v > 0xFFFFFFFFull) return false;
    number = static_cast<DWORD>(v);
    return true;
}

inline bool IsHexDigits(std::string_view s) {
    for (char c : s)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// ---- places of spelled strings ---------------------------------------------------

// Where a string the workstation holds in another form sits in the
// description (the key of AsWritten::strings): a section letter, then "/" and
// the index of each record on the way down (four bytes, most significant
// first), then "." and the member. The strings below a record share its
// place as their prefix.
namespace place {
constexpr char kRoot = 'r', kOs = 'o', kProviders = 'p', kNetwork = 'n', kConnections = 'c', kFiles = 'f';
constexpr char kName = 'N', kDir = 'D';  // members of file entries besides kEntryMembers

inline void Down(std::string& place, std::size_t index) {
    place += '/';
    for (int shift = 24; shift >= 0; shift -= 8) place += static_cast<char>((index >> shift) & 0xFF);
}
// The letter of a member of a record by its position in the member list.
constexpr char Of(int member) { return static_cast<char>('0' + member); }
inline std::string Member(std::string_view record, char member) {
    std::string p(record);
    p += '.';
    p += member;
    return p;
}
}  // namespace place

// "a,b,c,d" of a version's two halves.
inline std::string FormatVersion(DWORD ms, DWORD ls) {
    return std::to_string(ms >> 16) + "," + std::to_string(ms & 0xFFFF) + "," + std::to_string(ls >> 16) + "," +
           std::to_string(ls & 0xFFFF);
}

}  // namespace qvsim::detail::rules
