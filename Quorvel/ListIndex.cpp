// The indexes over the lists and the generation count that keeps them true
// (ListIndex.h).
#include "ListIndex.h"

#include <cstring>
#include <memory>
#include <unordered_map>

#include "ConvInternal.h"

namespace qvlib {
namespace {

// 0 is never a generation: an index made for it is no index.
constinit unsigned long s_dwGeneration = 1;

// ---- drives ---------------------------------------------------------------------

constexpr long kUnknown = -2;

struct DriveIndex {
    unsigned long dwGeneration = 0;
    long aSlot[52] = {};  // per letter A..Z, a..z: the position, -1, or kUnknown
};
constinit DriveIndex s_Drives;

// ---- names ----------------------------------------------------------------------

// The folding of single-byte characters that w32::MbsICmp applies, learnt
// from it byte by byte, for the code page it was learnt in (told apart by
// the lead bytes that tell the supported code pages apart).
struct CaseFolding {
    unsigned nCodePage = ~0u;
    unsigned char fold[256] = {};  // 0: not learnt yet
    bool lead[256] = {};

    void Refresh() {
        const unsigned nSeen = (w32::IsLeadByte(0x81) ? 1u : 0u) | (w32::IsLeadByte(0xA0) ? 2u : 0u) |
                               (w32::IsLeadByte(0xFD) ? 4u : 0u);
        if (nSeen == nCodePage) return;
        nCodePage = nSeen;
        std::memset(fold, 0, sizeof fold);
        for (unsigned c = 0; c < 256; ++c) lead[c] = c != 0 && w32::IsLeadByte(static_cast<unsigned char>(c));
    }

    // The smallest single-byte character that w32::MbsICmp finds equal to c.
    unsigned char Fold(unsigned char c) {
        const unsigned char f = fold[c];
        return f != 0 ? f : Learn(c);
    }

    unsigned char Learn(unsigned char c);
};

unsigned char CaseFolding::Learn(unsigned char c) {
    const char one[2] = {static_cast<char>(c), '\0'};
    for (unsigned b = 1; b <= c; ++b) {
        const char other[2] = {static_cast<char>(b), '\0'};
        if (!lead[b] && w32::MbsICmp(one, other) == 0) {
            fold[c] = static_cast<unsigned char>(b);
            break;
        }
    }
    return fold[c];
}
constinit CaseFolding s_Folding;

// The server list's index.
struct ServerIndex {
    unsigned long dwGeneration = 0;
    NameIndex names;
};
constinit std::unique_ptr<ServerIndex> s_pServers QV_PROCESS_WIDE;

// ---- the server cursor ------------------------------------------------------------

struct ServerCursor {
    unsigned long dwGeneration = 0;
    SLIST* pNode = nullptr;
    int iProvider = 0;
    DWORD dwIndex = 0;
};
constinit ServerCursor s_Cursor;

}  // namespace

void ListsChanged() {
    if (++s_dwGeneration == 0) s_dwGeneration = 1;
}

long FindDrive(const std::vector<MOUNT_T>& mounts, const char* szDrive) {
    if (s_Drives.dwGeneration != s_dwGeneration) {
        for (long& slot : s_Drives.aSlot) slot = kUnknown;
        s_Drives.dwGeneration = s_dwGeneration;
    }
    const unsigned char c = static_cast<unsigned char>(szDrive[0]);
    long& slot = s_Drives.aSlot[c >= 'a' ? c - 'a' + 26 : c - 'A'];
    if (slot == kUnknown) {
        slot = -1;
        for (std::size_t i = 0; i < mounts.size(); ++i) {
            if (w32::MbsICmp(mounts[i].LocalName.c_str(), szDrive) == 0) {
                slot = static_cast<long>(i);
                break;
            }
        }
    }
    return slot;
}

long FindServerEntry(const std::vector<std::string>& servers, const char* pszName) {
    const auto nameAt = [&servers](std::size_t i) { return servers[i].c_str(); };
    try {
        if (!s_pServers) s_pServers = std::make_unique<ServerIndex>();
        ServerIndex& index = *s_pServers;
        if (index.dwGeneration != s_dwGeneration) {
            index.dwGeneration = 0;
            index.names.Build(servers.size(), nameAt);
            index.dwGeneration = s_dwGeneration;
        }
        return index.names.Find(servers.size(), nameAt, pszName);
    } catch (const std::exception&) {
        // No memory for the index: the list is walked.
        return NameIndex::Walk(servers.size(), nameAt, pszName);
    }
}

ServerAt FindServerAt(_Provider* const (&aProviders)[2], DWORD dwIndex) {
    ServerCursor& cur = s_Cursor;
    const bool bResume = cur.pNode != nullptr && cur.dwGeneration == s_dwGeneration && cur.dwIndex <= dwIndex;
    DWORD n = bResume ? cur.dwIndex : 0;
    for (int p = bResume ? cur.iProvider : 0; p < 2; ++p) {
        _Provider* pProv = aProviders[p];
        if (pProv->wAvailable == 0 || pProv->dwServerCount == 0) continue;
        SLIST* pFirst = bResume && p == cur.iProvider ? cur.pNode : pProv->pServers;
        for (SLIST* pNode = pFirst; pNode != nullptr; pNode = pNode->pNext) {
            if (n == dwIndex) {
                cur = {s_dwGeneration, pNode, p, n};
                return {pNode, pProv, n};
            }
            ++n;
        }
    }
    return {nullptr, nullptr, n};
}

void NameIndex::Clear() {
    first_.clear();
    other_.clear();
    s_Folding.Refresh();
}

void NameIndex::Add(const char* pszName, long position) {
    if (Key(pszName, key_)) {
        // The first one stays. Not try_emplace: where it is not inlined away
        // (the sanitizer build) it brings in std::piecewise_construct, a
        // unique symbol, and dlclose never unloads a library that has one.
        first_.emplace(key_, position);
    } else {
        other_.push_back(position);
    }
}

bool NameIndex::Key(const char* pszName, std::string& key) {
    if (pszName == nullptr) {
        key.clear();
        return false;
    }
    key.resize(std::strlen(pszName));
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pszName);
    for (char& k : key) {
        if (s_Folding.lead[*p]) return false;
        k = static_cast<char>(s_Folding.Fold(*p++));
    }
    return true;
}

}  // namespace qvlib
