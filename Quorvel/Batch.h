// The memory of a batch of conversions. While a client converts many names
// in one batch (quorvel_batch_begin ... quorvel_batch_end in the C interface,
// `quorvel to-dnc -` and `from-dnc -`), what the library learns from the
// network to resolve a name is kept and used again for the names after it:
// the children of each container an NDS name is searched in, as the network
// listed them the first time, and the containers that cannot be opened (a
// server that is not listed among them). A catalogue then costs platform
// calls for its distinct containers, not for each of its names; every answer
// stays what the conversion without the memory gives.
//
// Lifetime: from Begin to End, nothing longer; Begin starts with an empty
// memory, and a long-running client ends a batch and begins another to see
// changes of the network. While tracing is on nothing is remembered, so that
// the trace shows every call.
//
// Threads: like the lists, the memory is process-wide and unguarded: one
// thread at a time calls the library (the C interface serialises its callers).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ConvInternal.h"
#include "ListIndex.h"

namespace qvlib::batch {

// One entry of a container as the network listed it.
struct Child {
    DWORD dwScope, dwType, dwDisplayType, dwUsage;
    std::optional<std::string> remote, provider;
};

// What the enumeration of a container's children gave so far. It is read
// as far as the names searched need: a search that finds its name stops, as
// a search without the memory does, and the next one reads on from there
// through the enumeration kept open, until the network has listed every
// child.
struct Level {
    DWORD dwOpen = 0;             // the failure to open the enumeration, or 0
    std::vector<Child> children;  // in the order the network listed them
    bool bComplete = false;       // every child read (or the enumeration failed)
    DWORD dwEnd = 0;              // once complete: 0, or the failure that ended it
    NameIndex names;              // the children by remote name
    EnumHandle hEnum;             // open while not complete
    EnumBuffer buf;               // the enumeration's buffer, at the size the network asked for

    const char* NameAt(std::size_t i) const {
        return children[i].remote ? children[i].remote->c_str() : nullptr;
    }
    // Appends a child as the network listed it (may throw std::bad_alloc).
    void Add(const NETRESOURCEA& entry);
    // The enumeration has ended with status (0 at the end of the list).
    void End(DWORD status);
};

void Begin();
void End();

// Whether a search uses the memory: a batch runs and tracing is off.
bool InUse();

// The level kept for a container (the same remote name and provider), or
// null.
Level* Find(const NETRESOURCEA& container);
// A new, empty level kept for the container; null when there is no memory
// for it.
Level* Add(const NETRESOURCEA& container);
// Forgets the container's level: the next search begins anew (after a
// failure that a search without the memory would not repeat, such as running
// out of memory).
void Forget(const NETRESOURCEA& container);

}  // namespace qvlib::batch
