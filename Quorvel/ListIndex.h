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

#include <string>
#include <vector>

#include <quorvel/NetResConvert.h>

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

}  // namespace qvlib
