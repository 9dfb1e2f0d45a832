// FindFirstFileA / FindClose over the files behind network paths: listed
// entries and shares backed by real folders, with Windows' 8.3 names.
#include "SimInternal.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace qvsim::detail {

namespace fs = std::filesystem;

namespace {

// One entry of a folder as a search sees it.
struct Item {
    std::string name;            // long name (ANSI)
    Text shortName;              // explicit 8.3 name
    bool directory = false;
    std::uint64_t size = 0;
    const FileEntry* entry = nullptr;  // listed entry, or null for a real one
    std::string host;                  // real file or folder
};

bool Invalid83Char(unsigned char c) {
    return c <= 0x20 || std::strchr("\"*+,/:;<=>?[\\]|", c) != nullptr;
}

std::vector<Item> ListFolder(const FileEntry* entry, const std::string& host, unsigned codePage) {
    std::vector<Item> items;
    if (entry != nullptr && entry->hostDir.empty()) {
        for (const FileEntry& child : entry->children)
            items.push_back({child.name, child.shortName, child.directory, 0, &child, ""});
        return items;
    }
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(entry ? entry->hostDir : host, ec)) {
        Item item;
        item.name = ConvertUtf8ToAnsi(e.path().filename().string(), codePage);
        item.directory = e.is_directory(ec);
        item.size = item.directory ? 0 : e.file_size(ec);
        item.host = e.path().string();
        items.push_back(std::move(item));
    }
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.name < b.name; });
    return items;
}

bool IsValid83Name(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    std::size_t dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (dot != std::string_view::npos && ext.empty()) return false;
    for (std::string_view part : {base, ext})
        for (unsigned char c : part)
            if (c == '.' || Invalid83Char(c)) return false;
    return true;
}

// A long name made ready for its 8.3 names: upper case, blanks and all but
// the last dot removed, invalid characters replaced; base and extension.
struct Stem {
    std::string base, ext;
};

Stem MakeStem(std::string_view longName, const CodePageTable& cp) {
    std::string clean;
    for (std::size_t i = 0; i < longName.size(); ++i) {
        auto c = static_cast<unsigned char>(longName[i]);
        if (cp.lead[c] && i + 1 < longName.size()) {
            clean += longName.substr(i, 2);
            ++i;
        } else if (c == ' ') {
            continue;
        } else if (c >= 'a' && c <= 'z') {
            clean += static_cast<char>(c - 0x20);
        } else if (cp.codePage == 1252 && c >= 0xE0 && c <= 0xFE && c != 0xF7) {
            clean += static_cast<char>(c - 0x20);
        } else {
            clean += static_cast<char>(c != '.' && Invalid83Char(c) ? '_' : c);
        }
    }
    // Leading dots go; the last remaining dot separates the extension.
    clean.erase(0, clean.find_first_not_of('.') == std::string::npos ? clean.size() : clean.find_first_not_of('.'));
    std::size_t dot = clean.rfind('.');
    std::string base = clean.substr(0, dot), ext = dot == std::string::npos ? "" : clean.substr(dot + 1);
    base.erase(std::remove(base.begin(), base.end(), '.'), base.end());
    if (base.empty()) base.assign(1, '_');
    return {std::move(base), std::move(ext)};
}

// What the 8.3 names of a stem depend on: its first seven bytes of base and
// four of extension, and whether there are more.
std::string StemKey(const Stem& stem) {
    std::string key;
    key += static_cast<char>(std::min<std::size_t>(stem.base.size(), 8));
    key += static_cast<char>(std::min<std::size_t>(stem.ext.size(), 5));
    key.append(stem.base, 0, 7);
    key.append(stem.ext, 0, 4);
    return key;
}

// The 8.3 name number n of a stem: the first six bytes of the base (fewer
// as n grows), "~N" and the first three bytes of the extension.
std::string Generate83Name(const Stem& stem, unsigned n, const CodePageTable& cp) {
    const std::string& base = stem.base;
    const std::string& ext = stem.ext;
    std::string tail(1, '~');
    tail += std::to_string(n);
    std::size_t keep = 8 > tail.size() ? 8 - tail.size() : 0;
    keep = std::min(keep, std::size_t{6});
    // Never cut a double-byte character in two.
    std::size_t cut = 0;
    while (cut < base.size()) {
        std::size_t len = cp.lead[static_cast<unsigned char>(base[cut])] && cut + 1 < base.size() ? 2 : 1;
        if (cut + len > keep) break;
        cut += len;
    }
    std::size_t extCut = 0;
    while (extCut < ext.size()) {
        std::size_t len = cp.lead[static_cast<unsigned char>(ext[extCut])] && extCut + 1 < ext.size() ? 2 : 1;
        if (extCut + len > 3) break;
        extCut += len;
    }
    std::string result(base, 0, cut);
    result += tail;
    if (extCut > 0) {
        result += '.';
        result.append(ext, 0, extCut);
    }
    return result;
}

// The alternate (8.3) names of a folder's entries, in listing order:
// explicit names as given, "" for valid 8.3 long names, generated ones
// numbered from ~1 past every name already taken in the folder.
std::vector<std::string> AlternateNames(const std::vector<std::pair<std::string, Text>>& entries,
                                        const CodePageTable& cp) {
    std::set<std::string> taken;
    for (const auto& [name, shortName] : entries) {
        if (shortName) taken.insert(FoldKey(*shortName, cp));
        else if (IsValid83Name(name)) taken.insert(FoldKey(name, cp));
    }
    std::vector<std::string> result;
    std::unordered_map<std::string, unsigned> lastNumber;
    for (const auto& [name, shortName] : entries) {
        if (shortName) {
            result.push_back(*shortName);
        } else if (IsValid83Name(name)) {
            result.emplace_back();
        } else {
            // Names of the same stem key make the same candidates: the
            // search goes on behind the number the last of them took.
            const Stem stem = MakeStem(name, cp);
            unsigned& last = lastNumber[StemKey(stem)];
            std::string candidate;
            for (unsigned n = last + 1;; ++n) {
                candidate = Generate83Name(stem, n, cp);
                if (taken.insert(FoldKey(candidate, cp)).second) {
                    last = n;
                    break;
                }
            }
            result.push_back(candidate);
        }
    }
    return result;
}

}  // namespace
}  // namespace qvsim::detail

namespace w32 {

using namespace qvsim::detail;

HANDLE FindFirstFileA(const char* lpFileName, WIN32_FIND_DATAA* lpFindFileData) {
    QVSIM_CALL(FindFirstFileA);
    QVSIM_FAILS((SetLastErrorCode(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY)), INVALID_HANDLE_VALUE));
    if (lpFileName == nullptr || lpFindFileData == nullptr) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto ws = Current();
    const CodePageTable& cp = *FindCodePage(ws->codePage);
    std::string path = FoldKey(lpFileName, cp);

    // The longest listed \\server\share that the path begins with.
    const std::pair<std::string, FileEntry>* root = nullptr;
    for (const auto& r : ws->fileRoots)
        if (path.compare(0, r.first.size(), r.first) == 0 && (path.size() == r.first.size() || path[r.first.size()] == '\\') &&
            (root == nullptr || r.first.size() > root->first.size()))
            root = &r;
    if (root == nullptr) {
        SetLastErrorCode(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::string> components;
    // Split at backslashes that are characters of their own: the trail byte
    // of a double-byte character is never a separator.
    const char* rest = lpFileName + root->first.size();
    while (*rest != '\0') {
        const char* sep = w32::MbsChr(rest, '\\');
        const char* end = sep != nullptr ? sep : rest + std::strlen(rest);
        if (end != rest) components.emplace_back(rest, end);
        rest = sep != nullptr ? sep + 1 : end;
    }
    if (components.empty()) {
        SetLastErrorCode(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }

    const FileEntry* entry = &root->second;
    std::string host;
    for (std::size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        std::vector<Item> items = ListFolder(entry, host, ws->codePage);
        auto found = std::find_if(items.begin(), items.end(),
                                  [&](const Item& it) { return EqualNoCase(it.name, components[i], cp); });
        if (found == items.end() || (!last && !found->directory)) {
            SetLastErrorCode(last ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        if (!last) {
            entry = found->entry;
            host = found->host;
            continue;
        }
        std::vector<std::pair<std::string, Text>> names;
        for (const Item& it : items) names.emplace_back(it.name, it.shortName);
        std::string alternate = AlternateNames(names, cp)[static_cast<std::size_t>(found - items.begin())];

        std::memset(lpFindFileData, 0, sizeof *lpFindFileData);
        lpFindFileData->dwFileAttributes = found->directory ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        lpFindFileData->nFileSizeHigh = static_cast<DWORD>(found->size >> 32);
        lpFindFileData->nFileSizeLow = static_cast<DWORD>(found->size & 0xFFFFFFFFu);
        CopyBounded(lpFindFileData->cFileName, sizeof lpFindFileData->cFileName, found->name);
        CopyBounded(lpFindFileData->cAlternateFileName, sizeof lpFindFileData->cAlternateFileName, alternate);
    }
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.mu);
    std::uintptr_t id = s.NewHandle();
    s.finds.insert(id);
    return reinterpret_cast<HANDLE>(id);
}

BOOL FindClose(HANDLE hFindFile) {
    QVSIM_CALL(FindClose);
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.mu);
    if (s.finds.erase(reinterpret_cast<std::uintptr_t>(hFindFile)) == 0) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

}  // namespace w32
