// Paths the library opens itself (drive mapping) and the private-profile
// (INI) functions.
#include "SimInternal.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qvsim::detail {
namespace {

namespace fs = std::filesystem;

// The host path of a Windows path; empty when it cannot be mapped.
std::string MapPath(const Workstation& ws, const char* windowsPath, bool makeFolder) {
    if (windowsPath == nullptr || *windowsPath == 0) return "";
    std::string path = ConvertAnsiToUtf8(windowsPath, ws.codePage);
    if (path[0] == '/') return path;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return "";  // not a file of this machine
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) return path;

    auto drive = ws.drives.find(static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))));
#if defined(_WIN32)
    // On a Windows host the host's own paths carry drive letters: a drive the
    // workstation does not map is the host's drive, used as it is.
    if (drive == ws.drives.end()) return path;
#endif
    if (drive == ws.drives.end() || drive->second.empty()) return "";
    std::string rest = path.substr(2);
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    std::string host = rest.empty() ? drive->second : drive->second + "/" + rest;
    if (makeFolder) {
        // As on a prepared workstation, the folders of the drive exist.
        std::error_code ec;
        fs::create_directories(rest.empty() ? fs::path(host) : fs::path(host).parent_path(), ec);
    }
    return host;
}

std::optional<std::string> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The content of a profile file by the name the library gives.
std::optional<std::string> ReadProfile(const Workstation& ws, const char* fileName) {
    const CodePageTable& cp = *FindCodePage(ws.codePage);
    if (std::strpbrk(fileName, "\\/:") != nullptr) {
        std::string host = MapPath(ws, fileName, false);
        if (host.empty()) return std::nullopt;
        return ReadBytes(host);
    }
    std::string key = FoldKey(fileName, cp);
    if (auto it = ws.profiles.find(key); it != ws.profiles.end()) return it->second;
    if (ws.windowsDir.empty()) return std::nullopt;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ws.windowsDir, ec)) {
        std::string name = ConvertUtf8ToAnsi(entry.path().filename().string(), ws.codePage);
        if (FoldKey(name, cp) == key && entry.is_regular_file(ec)) return ReadBytes(entry.path());
    }
    return std::nullopt;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The trimmed, non-empty lines of the first section of that name; nothing
// when the file or the section is missing.
std::optional<std::vector<std::string>> SectionLines(const char* section, const char* fileName) {
    if (section == nullptr || fileName == nullptr) return std::nullopt;
    auto ws = Current();
    auto content = ReadProfile(*ws, fileName);
    if (!content) return std::nullopt;
    const CodePageTable& cp = *FindCodePage(ws->codePage);
    std::optional<std::vector<std::string>> lines;
    std::string_view rest(*content);
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = Trim(line);
        if (!line.empty() && line.front() == '[') {
            if (lines) break;  // the end of the first section of that name
            std::string_view name = line.substr(1);
            name = name.substr(0, name.find(']'));
            if (EqualNoCase(Trim(name), section, cp)) lines.emplace();
        } else if (lines && !line.empty()) {
            lines->emplace_back(line);
        }
    }
    return lines;
}

}  // namespace
}  // namespace qvsim::detail

namespace w32 {

using namespace qvsim::detail;

std::string HostPath(const char* windowsPath) {
    QVSIM_FAILS(std::string());
    return MapPath(*Current(), windowsPath, true);
}

DWORD GetPrivateProfileSectionA(const char* lpAppName, char* lpReturnedString, DWORD nSize, const char* lpFileName) {
    QVSIM_CALL(GetPrivateProfileSectionA);
    QVSIM_FAILS(0);
    if (lpReturnedString == nullptr || nSize == 0) return 0;
    lpReturnedString[0] = 0;
    if (nSize > 1) lpReturnedString[1] = 0;
    auto lines = SectionLines(lpAppName, lpFileName);
    if (!lines) return 0;
    std::string all;  // each line with its NUL; the closing NUL is added below
    for (const auto& line : *lines) {
        all += line;
        all += '\0';
    }
    if (all.size() + 1 <= nSize) {
        std::memcpy(lpReturnedString, all.data(), all.size());
        lpReturnedString[all.size()] = 0;
        return static_cast<DWORD>(all.size());
    }
    if (nSize < 2) return 0;
    std::memcpy(lpReturnedString, all.data(), nSize - 2);
    lpReturnedString[nSize - 2] = 0;
    lpReturnedString[nSize - 1] = 0;
    return nSize - 2;
}

UINT GetPrivateProfileIntA(const char* lpAppName, const char* lpKeyName, int nDefault, const char* lpFileName) {
    QVSIM_CALL(GetPrivateProfileIntA);
    QVSIM_FAILS(static_cast<UINT>(nDefault));
    auto lines = SectionLines(lpAppName, lpFileName);
    if (!lines || lpKeyName == nullptr) return static_cast<UINT>(nDefault);
    const CodePageTable& cp = ActiveCodePage();
    for (const auto& line : *lines) {
        std::size_t eq = line.find('=');
        if (eq == std::string::npos || !EqualNoCase(Trim(std::string_view(line).substr(0, eq)), lpKeyName, cp))
            continue;
        std::string_view value = Trim(std::string_view(line).substr(eq + 1));
        UINT result = 0;
        for (char c : value) {
            if (c < '0' || c > '9') break;
            result = result * 10 + static_cast<UINT>(c - '0');
        }
        return result;
    }
    return static_cast<UINT>(nDefault);
}

}  // namespace w32
