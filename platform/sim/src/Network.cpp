// The Windows networking functions (MPR) over the workstation's network,
// connections and providers.
#include "SimInternal.h"

#include <cstring>

namespace w32 {

using namespace qvsim::detail;

namespace {

HANDLE ToHandle(std::uintptr_t id) { return reinterpret_cast<HANDLE>(id); }
std::uintptr_t FromHandle(HANDLE h) { return reinterpret_cast<std::uintptr_t>(h); }

bool Keep(DWORD nodeType, DWORD nodeUsage, DWORD type, DWORD usage) {
    if (type == RESOURCETYPE_DISK && nodeType == RESOURCETYPE_PRINT) return false;
    if (type == RESOURCETYPE_PRINT && nodeType == RESOURCETYPE_DISK) return false;
    DWORD mask = usage & (RESOURCEUSAGE_CONNECTABLE | RESOURCEUSAGE_CONTAINER);
    return mask == 0 || (nodeUsage & mask) != 0;
}

bool Empty(const char* s) { return s == nullptr || *s == 0; }

// Depth-first search (node before its children) for a remote name.
const Node* FindNode(const std::vector<Node>& nodes, std::string_view remote, const CodePageTable& cp) {
    for (const Node& n : nodes) {
        if (n.remote && EqualNoCase(*n.remote, remote, cp)) return &n;
        if (const Node* found = FindNode(n.children, remote, cp)) return found;
    }
    return nullptr;
}

// The first node of a name below a top-level node, through the index when
// the workstation has one.
const Node* FindBelow(const Workstation& ws, const Node& top, const char* remote, const CodePageTable& cp) {
    const std::size_t i = static_cast<std::size_t>(&top - ws.network.data());
    if (i >= ws.networkIndex.size()) return FindNode(top.children, remote, cp);
    const auto& index = ws.networkIndex[i];
    // The folded name goes into a buffer of the thread's own: a container is
    // looked up on every enumeration that names one.
    thread_local std::string key;
    FoldKeyInto(remote, cp, key);
    auto it = index.find(key);
    return it == index.end() ? nullptr : it->second;
}

void IndexBelow(const std::vector<Node>& nodes, std::unordered_map<std::string, const Node*>& index,
                const CodePageTable& cp) {
    for (const Node& n : nodes) {
        if (n.remote) index.emplace(FoldKey(*n.remote, cp), &n);  // the first one stays
        IndexBelow(n.children, index, cp);
    }
}

// Resolves the container of a global enumeration. On success *children is
// the list to enumerate and *owner the node that owns it (null for the top).
DWORD ResolveContainer(const Workstation& ws, const NETRESOURCEA* container, const std::vector<Node>** children,
                       const Node** owner) {
    const CodePageTable& cp = *FindCodePage(ws.codePage);
    *owner = nullptr;
    *children = &ws.network;
    if (container == nullptr) return NO_ERROR;

    // The top-level nodes searched: those of the named provider, or all.
    const bool namedProvider = !Empty(container->lpProvider);
    auto searched = [&](const Node& top) {
        return !namedProvider || (top.provider && EqualNoCase(*top.provider, container->lpProvider, cp));
    };
    const Node* const end = ws.network.data() + ws.network.size();
    const Node* first = ws.network.data();
    while (first != end && !searched(*first)) ++first;
    if (namedProvider && first == end) return ERROR_BAD_PROVIDER;

    if (Empty(container->lpRemoteName)) {
        if (!namedProvider) return NO_ERROR;
        *owner = first;
    } else {
        for (const Node* top = first; top != end; ++top) {
            if (top != first && !searched(*top)) continue;
            if (top->remote && EqualNoCase(*top->remote, container->lpRemoteName, cp)) {
                *owner = top;
                break;
            }
            if ((*owner = FindBelow(ws, *top, container->lpRemoteName, cp)) != nullptr) break;
        }
        if (*owner == nullptr) return ws.unknownContainerError;
        if (((*owner)->usage & RESOURCEUSAGE_CONTAINER) == 0) return ERROR_NOT_CONTAINER;
    }
    *children = &(*owner)->children;
    return (*owner)->openError.value_or(NO_ERROR);
}

std::size_t StringSize(const Text* t) { return *t ? (*t)->size() + 1 : 0; }

std::size_t RecordSize(const EnumRecord& r) {
    return sizeof(NETRESOURCEA) + StringSize(r.local) + StringSize(r.remote) + StringSize(r.comment) +
           StringSize(r.provider);
}

char* PlaceString(const Text* text, char*& strings) {
    const Text& t = *text;
    if (!t) return nullptr;
    char* at = strings;
    std::memcpy(at, t->c_str(), t->size() + 1);
    strings += t->size() + 1;
    return at;
}

}  // namespace

DWORD WNetOpenEnumA(DWORD dwScope, DWORD dwType, DWORD dwUsage, NETRESOURCEA* lpNetResource, HANDLE* lphEnum) {
    QVSIM_CALL(WNetOpenEnumA);
    QVSIM_FAILS(QVSIM_CODE(ERROR_NO_NETWORK));
    if (lphEnum == nullptr) return ERROR_INVALID_ADDRESS;
    if (dwType > RESOURCETYPE_PRINT) return ERROR_INVALID_PARAMETER;
    auto ws = Current();
    EnumState state;
    state.ws = ws;
    if (dwScope == RESOURCE_CONNECTED || dwScope == RESOURCE_REMEMBERED) {
        for (const Connection& c : ws->connections)
            if (Keep(RESOURCETYPE_DISK, RESOURCEUSAGE_CONNECTABLE, dwType, dwUsage))
                state.records.push_back({dwScope, RESOURCETYPE_DISK, RESOURCEDISPLAYTYPE_SHARE,
                                         RESOURCEUSAGE_CONNECTABLE, &c.local, &c.remote, &c.comment, &c.provider});
    } else if (dwScope == RESOURCE_GLOBALNET) {
        const std::vector<Node>* children = nullptr;
        const Node* owner = nullptr;
        if (DWORD rc = ResolveContainer(*ws, lpNetResource, &children, &owner); rc != NO_ERROR) return rc;
        state.records.reserve(children->size());
        for (const Node& n : *children)
            if (Keep(n.type, n.usage, dwType, dwUsage))
                state.records.push_back({RESOURCE_GLOBALNET, n.type, n.display, n.usage, &n.local, &n.remote,
                                         &n.comment, &n.provider});
        if (owner) {
            state.batch = owner->batch;
            state.enumError = owner->enumError;
            state.enumErrorAfter = owner->enumErrorAfter;
        }
    } else {
        return ERROR_INVALID_PARAMETER;
    }
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.mu);
    std::uintptr_t id = s.NewHandle();
    s.enums.emplace(id, std::move(state));
    *lphEnum = ToHandle(id);
    return NO_ERROR;
}

DWORD WNetEnumResourceA(HANDLE hEnum, DWORD* lpcCount, void* lpBuffer, DWORD* lpBufferSize) {
    QVSIM_CALL(WNetEnumResourceA);
    QVSIM_FAILS(QVSIM_CODE(ERROR_UNEXP_NET_ERR));
    if (lpcCount == nullptr || lpBufferSize == nullptr || (lpBuffer == nullptr && *lpBufferSize != 0))
        return ERROR_INVALID_ADDRESS;
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.mu);
    auto it = s.enums.find(FromHandle(hEnum));
    if (it == s.enums.end()) return ERROR_INVALID_HANDLE;
    EnumState& e = it->second;

    if (e.enumError && e.next >= e.enumErrorAfter) return *e.enumError;
    if (e.next >= e.records.size()) {
        *lpcCount = 0;
        return ERROR_NO_MORE_ITEMS;
    }
    // How many entries this call may deliver at most.
    std::size_t limit = e.records.size() - e.next;
    if (*lpcCount != 0xFFFFFFFF && *lpcCount < limit) limit = *lpcCount;
    if (e.batch && *e.batch < limit) limit = *e.batch;
    if (e.enumError && e.enumErrorAfter - e.next < limit) limit = e.enumErrorAfter - e.next;
    if (limit == 0) return ERROR_INVALID_PARAMETER;

    // Whole entries that fit: records first, their strings behind all of them.
    std::size_t count = 0, total = 0;
    while (count < limit) {
        std::size_t need = RecordSize(e.records[e.next + count]);
        if (total + need > *lpBufferSize) break;
        total += need;
        ++count;
    }
    if (count == 0) {
        *lpBufferSize = static_cast<DWORD>(RecordSize(e.records[e.next]));
        return ERROR_MORE_DATA;
    }
    auto* records = static_cast<NETRESOURCEA*>(lpBuffer);
    char* strings = reinterpret_cast<char*>(records + count);
    for (std::size_t i = 0; i < count; ++i) {
        const EnumRecord& r = e.records[e.next + i];
        NETRESOURCEA& out = records[i];
        out.dwScope = r.scope;
        out.dwType = r.type;
        out.dwDisplayType = r.display;
        out.dwUsage = r.usage;
        out.lpLocalName = PlaceString(r.local, strings);
        out.lpRemoteName = PlaceString(r.remote, strings);
        out.lpComment = PlaceString(r.comment, strings);
        out.lpProvider = PlaceString(r.provider, strings);
    }
    e.next += count;
    *lpcCount = static_cast<DWORD>(count);
    return NO_ERROR;
}

DWORD WNetCloseEnum(HANDLE hEnum) {
    QVSIM_CALL(WNetCloseEnum);
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.mu);
    return s.enums.erase(FromHandle(hEnum)) ? NO_ERROR : ERROR_INVALID_HANDLE;
}

DWORD WNetGetUniversalNameA(const char* lpLocalPath, DWORD dwInfoLevel, void* lpBuffer, DWORD* lpBufferSize) {
    QVSIM_CALL(WNetGetUniversalNameA);
    QVSIM_FAILS(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY));
    if (lpLocalPath == nullptr || lpBufferSize == nullptr || (lpBuffer == nullptr && *lpBufferSize != 0))
        return ERROR_INVALID_ADDRESS;
    if (dwInfoLevel != UNIVERSAL_NAME_INFO_LEVEL && dwInfoLevel != REMOTE_NAME_INFO_LEVEL)
        return ERROR_INVALID_LEVEL;
    if (!(std::strlen(lpLocalPath) >= 2 && lpLocalPath[1] == ':' &&
          ((lpLocalPath[0] >= 'A' && lpLocalPath[0] <= 'Z') || (lpLocalPath[0] >= 'a' && lpLocalPath[0] <= 'z'))))
        return ERROR_BAD_DEVICE;
    auto ws = Current();
    const CodePageTable& cp = *FindCodePage(ws->codePage);
    const Connection* conn = nullptr;
    for (const Connection& c : ws->connections)
        if (c.local && EqualNoCase(*c.local, std::string_view(lpLocalPath, 2), cp)) {
            conn = &c;
            break;
        }
    if (conn == nullptr) return ERROR_NOT_CONNECTED;
    if (conn->universalError) return *conn->universalError;
    const Text& base = conn->universal ? conn->universal : conn->remote;
    if (!base) return ERROR_NOT_CONNECTED;

    std::string rest(lpLocalPath + 2);
    std::string universal = *base;
    if (!universal.empty() && universal.back() == '\\' && !rest.empty() && rest.front() == '\\')
        universal.pop_back();
    universal += rest;
    const std::string& connection = conn->remote ? *conn->remote : *base;

    const bool level2 = dwInfoLevel == REMOTE_NAME_INFO_LEVEL;
    std::size_t need = (level2 ? sizeof(REMOTE_NAME_INFOA) : sizeof(UNIVERSAL_NAME_INFOA)) + universal.size() + 1;
    if (level2) need += connection.size() + 1 + rest.size() + 1;
    if (need > *lpBufferSize) {
        *lpBufferSize = static_cast<DWORD>(need);
        return ERROR_MORE_DATA;
    }
    char* strings = static_cast<char*>(lpBuffer) + (level2 ? sizeof(REMOTE_NAME_INFOA) : sizeof(UNIVERSAL_NAME_INFOA));
    auto place = [&strings](const std::string& text) {
        char* at = strings;
        std::memcpy(at, text.c_str(), text.size() + 1);
        strings += text.size() + 1;
        return at;
    };
    if (level2) {
        auto* info = static_cast<REMOTE_NAME_INFOA*>(lpBuffer);
        info->lpUniversalName = place(universal);
        info->lpConnectionName = place(connection);
        info->lpRemainingPath = place(rest);
    } else {
        static_cast<UNIVERSAL_NAME_INFOA*>(lpBuffer)->lpUniversalName = place(universal);
    }
    return NO_ERROR;
}

DWORD WNetGetProviderNameA(DWORD dwNetType, char* lpProviderName, DWORD* lpBufferSize) {
    QVSIM_CALL(WNetGetProviderNameA);
    QVSIM_FAILS(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY));
    if (lpBufferSize == nullptr || (lpProviderName == nullptr && *lpBufferSize != 0)) return ERROR_INVALID_ADDRESS;
    auto ws = Current();
    const std::optional<ProviderEntry>* entry = dwNetType == WNNC_NET_NETWARE  ? &ws->netware
                                                : dwNetType == WNNC_NET_LANMAN ? &ws->lanman
                                                                                : nullptr;
    if (entry == nullptr || !entry->has_value()) return ERROR_NO_NETWORK;
    const ProviderEntry& p = **entry;
    if (p.error) return *p.error;
    if (p.name.size() + 1 > *lpBufferSize) {
        *lpBufferSize = static_cast<DWORD>(p.name.size() + 1);
        return ERROR_MORE_DATA;
    }
    std::memcpy(lpProviderName, p.name.c_str(), p.name.size() + 1);
    return NO_ERROR;
}

}  // namespace w32

namespace qvsim::detail {

void IndexNetwork(Workstation& ws) {
    const CodePageTable& cp = *FindCodePage(ws.codePage);
    ws.networkIndex.assign(ws.network.size(), {});
    for (std::size_t i = 0; i < ws.network.size(); ++i) w32::IndexBelow(ws.network[i].children, ws.networkIndex[i], cp);
}

}  // namespace qvsim::detail
