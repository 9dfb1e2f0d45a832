// Indexes over the process-wide lists of CNetResConvert, kept so that the
// frequent lookups need not walk a list: which mount-list entry a drive finds
// first, which server-list entry a server name finds first, and where
// GetNextServer found its last server in the server chains.
//
// Invalidation: the lists (server list, volume list, domain selection, mount
// list, MapList, the trees and servers of both providers, the providers'
// records) change only through the library's own code, and every change
// advances one generation count (ListsChanged). Each index remembers the
// generation it was made for; on its next use after the count has moved on
// it is made anew. Nothing else invalidates an index.
//
// Threads: like the lists they index, the indexes are process-wide and
// unguarded, and follow the class's rule: one thread at a time calls the
// library (the C interface serialises its callers). A lookup may rebuild an
// index.
#pragma once

#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include <quorvel/NetResConvert.h>
#include <quorvel/Win32Api.h>

namespace qvlib {

// Advances the generation of the lists: called after every change to them.
void ListsChanged();

// The position of the first mount-list entry whose local name equals szDrive
// (w32::MbsICmp), or -1. szDrive is an ASCII letter and a colon.
long FindDrive(const std::vector<MOUNT_T>& mounts, const char* szDrive);

// The position of the first server-list entry equal to pszName
// (w32::MbsICmp), or -1.
long FindServerEntry(const std::vector<std::string>& servers, const char* pszName);

// The server at a position in the order of GetNextServer: the servers of
// aProviders[0], then those of aProviders[1], each chain from its head, a
// provider that is not available or has no servers passed over. The walk
// starts where the last call found its server when that lies at or before
// dwIndex.
struct ServerAt {
    SLIST* pNode;         // null when dwIndex is past the last server
    _Provider* pProvider; // the provider of pNode
    DWORD dwWalked;       // without pNode: the number of servers there are
};
ServerAt FindServerAt(_Provider* const (&aProviders)[2], DWORD dwIndex);

// A list of names indexed by their case-folded form (the folding that
// w32::MbsICmp applies, learnt from it byte by byte): Find gives what a walk
// of the list comparing with w32::MbsICmp gives, the position of the first
// equal name, without the walk. The server index is one; the batch memory
// (Batch.h) keeps one for the children of each container. Names are read
// through nameAt(i), which must answer as long as the index is used.
class NameIndex {
public:
    NameIndex() { Clear(); }

    template <class NameAt>
    void Build(std::size_t count, NameAt nameAt) {
        Clear();
        for (std::size_t i = 0; i < count; ++i) Add(nameAt(i), static_cast<long>(i));
    }
    // Adds the name at position (after every name before it).
    void Add(const char* pszName, long position);
    // The position of the first name equal to pszName, or -1. Without memory
    // for the key the names are walked.
    template <class NameAt>
    long Find(std::size_t count, NameAt nameAt, const char* pszName) const noexcept {
        bool bKeyed = false;
        try {
            bKeyed = Key(pszName, key_);
        } catch (const std::bad_alloc&) {
        }
        if (!bKeyed) return Walk(count, nameAt, pszName);
        auto it = first_.find(key_);
        const long found = it == first_.end() ? -1 : it->second;
        // A name with double-byte characters cannot equal one without them;
        // those before the one found are compared all the same.
        for (long i : other_) {
            if (found >= 0 && i > found) break;
            if (w32::MbsICmp(nameAt(static_cast<std::size_t>(i)), pszName) == 0) return i;
        }
        if (found < 0 || w32::MbsICmp(nameAt(static_cast<std::size_t>(found)), pszName) == 0) return found;
        return Walk(count, nameAt, pszName);
    }

    // The position of the first name equal to pszName, compared one by one.
    template <class NameAt>
    static long Walk(std::size_t count, NameAt nameAt, const char* pszName) noexcept {
        for (std::size_t i = 0; i < count; ++i)
            if (w32::MbsICmp(nameAt(i), pszName) == 0) return static_cast<long>(i);
        return -1;
    }

private:
    void Clear();
    // The key of a name of single-byte characters; false for a name with a
    // lead byte.
    static bool Key(const char* pszName, std::string& key);

    std::unordered_map<std::string, long> first_;  // folded name -> first position
    std::vector<long> other_;                      // names with double-byte characters
    mutable std::string key_;                      // the key of the name looked up last
};

}  // namespace qvlib
