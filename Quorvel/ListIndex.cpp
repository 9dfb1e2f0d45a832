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

// ---- servers --------------------------------------------------------------------

// The server list by case-folded name: the folding that w32::MbsICmp applies,
// learnt from it byte by byte. Names with a lead byte are compared as they are.
struct ServerIndex {
    unsigned long dwGeneration = 0;
    std::unordered_map<std::string, long> first;  // folded name -> first position
    std::vector<long> other;                      // entries with double-byte characters
    unsigned char fold[256] = {};                 // 0: not learnt yet
    bool lead[256] = {};
    std::string key;                              // the key of the name looked up

    // The smallest single-byte character that w32::MbsICmp finds equal to c.
    unsigned char Fold(unsigned char c) {
        if (fold[c] == 0) {
            const char one[2] = {static_cast<char>(c), '\0'};
            for (unsigned b = 1; b <= c; ++b) {
                const char other[2] = {static_cast<char>(b), '\0'};
                if (!lead[b] && w32::MbsICmp(one, other) == 0) {
                    fold[c] = static_cast<unsigned char>(b);
                    break;
                }
            }
        }
        return fold[c];
    }

    // The key of a name of single-byte characters into out; false for a name
    // with a lead byte.
    bool Key(const char* psz, std::string& out) {
        out.clear();
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(psz); *p != 0; ++p) {
            if (lead[*p]) return false;
            out.push_back(static_cast<char>(Fold(*p)));
        }
        return true;
    }

    void Build(const std::vector<std::string>& servers) {
        first.clear();
        other.clear();
        std::memset(fold, 0, sizeof fold);
        for (unsigned c = 0; c < 256; ++c) lead[c] = c != 0 && w32::IsLeadByte(static_cast<unsigned char>(c));
        for (std::size_t i = 0; i < servers.size(); ++i) {
            if (Key(servers[i].c_str(), key))
                first.emplace(key, static_cast<long>(i));  // the first one stays
            else
                other.push_back(static_cast<long>(i));
        }
    }
};
constinit std::unique_ptr<ServerIndex> s_pServers QV_PROCESS_WIDE;

long WalkServers(const std::vector<std::string>& servers, const char* pszName) {
    for (std::size_t i = 0; i < servers.size(); ++i)
        if (w32::MbsICmp(servers[i].c_str(), pszName) == 0) return static_cast<long>(i);
    return -1;
}

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
    try {
        if (!s_pServers) s_pServers = std::make_unique<ServerIndex>();
        ServerIndex& index = *s_pServers;
        if (index.dwGeneration != s_dwGeneration) {
            index.dwGeneration = 0;
            index.Build(servers);
            index.dwGeneration = s_dwGeneration;
        }
        if (!index.Key(pszName, index.key)) return WalkServers(servers, pszName);
        auto it = index.first.find(index.key);
        const long found = it == index.first.end() ? -1 : it->second;
        // An entry with double-byte characters cannot equal a name without
        // them; those before the one found are compared all the same.
        for (long i : index.other) {
            if (found >= 0 && i > found) break;
            if (w32::MbsICmp(servers[static_cast<std::size_t>(i)].c_str(), pszName) == 0) return i;
        }
        if (found < 0 || w32::MbsICmp(servers[static_cast<std::size_t>(found)].c_str(), pszName) == 0)
            return found;
        return WalkServers(servers, pszName);
    } catch (const std::exception&) {
        // No memory for the index: the list is walked.
        return WalkServers(servers, pszName);
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

}  // namespace qvlib
