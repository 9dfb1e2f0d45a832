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

#include "ListIndex.h"

namespace qvlib::batch {

// One entry of a container as the network listed it.
struct Child {
    DWORD dwScope, dwType, dwDisplayType, dwUsage;
    std::optional<std::string> remote, provider;
};

// What an enumeration of a container's children gave.
struct Level {
    DWORD dwOpen = 0;             // the failure to open it, or 0
    std::vector<Child> children;  // in the order the network listed them
    DWORD dwEnd = 0;              // 0 once every child was listed, else the failure that ended it
    NameIndex names;              // the children by remote name

    const char* NameAt(std::size_t i) const {
        return children[i].remote ? children[i].remote->c_str() : nullptr;
    }
};

void Begin();
void End();

// Whether a search uses the memory: a batch runs and tracing is off.
bool InUse();

// The level remembered for a container (the same remote name and provider),
// or null.
const Level* Find(const NETRESOURCEA& container);
// Keeps a level read whole for the container and gives it back; null when it
// cannot be kept (no memory, or a read that itself ran out of memory), and
// the search then goes to the network as without the memory.
const Level* Keep(const NETRESOURCEA& container, Level&& level);

}  // namespace qvlib::batch
