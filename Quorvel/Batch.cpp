// The memory of a batch of conversions (Batch.h).
#include "Batch.h"

#include <memory>
#include <unordered_map>

#include "Zx_trace.h"

namespace qvlib::batch {
namespace {

struct Memory {
    // Key: the container's provider, a line feed, its remote name, as given.
    std::unordered_map<std::string, std::unique_ptr<Level>> levels;
    std::string key;  // the key of the container looked up last
};

constinit bool s_bActive = false;
constinit std::unique_ptr<Memory> s_pMemory QV_PROCESS_WIDE;

// The key of a container, made in the memory's own buffer.
const std::string& Key(const NETRESOURCEA& container) {
    std::string& key = s_pMemory->key;
    key.assign(container.lpProvider != nullptr ? container.lpProvider : "");
    key += '\n';
    if (container.lpRemoteName != nullptr) key += container.lpRemoteName;
    return key;
}

}  // namespace

void Begin() {
    s_pMemory.reset();
    s_bActive = true;
}

void End() {
    s_pMemory.reset();
    s_bActive = false;
}

bool InUse() { return s_bActive && !TraceIsOn(); }

void Level::Add(const NETRESOURCEA& entry) {
    auto text = [](const char* psz) { return psz ? std::optional<std::string>(psz) : std::nullopt; };
    children.push_back({entry.dwScope, entry.dwType, entry.dwDisplayType, entry.dwUsage,
                        text(entry.lpRemoteName), text(entry.lpProvider)});
    try {
        names.Add(NameAt(children.size() - 1), static_cast<long>(children.size() - 1));
    } catch (...) {
        children.pop_back();
        throw;
    }
}

void Level::End(DWORD status) {
    bComplete = true;
    dwEnd = status;
    hEnum.Close();
    buf.Free();
}

Level* Find(const NETRESOURCEA& container) {
    if (!s_pMemory) return nullptr;
    try {
        auto it = s_pMemory->levels.find(Key(container));
        return it == s_pMemory->levels.end() ? nullptr : it->second.get();
    } catch (const std::exception&) {
        return nullptr;
    }
}

Level* Add(const NETRESOURCEA& container) {
    try {
        if (!s_pMemory) s_pMemory = std::make_unique<Memory>();
        return s_pMemory->levels.emplace(Key(container), std::make_unique<Level>()).first->second.get();
    } catch (const std::exception&) {
        return nullptr;
    }
}

void Forget(const NETRESOURCEA& container) {
    try {
        if (s_pMemory) s_pMemory->levels.erase(Key(container));
    } catch (const std::exception&) {
        s_pMemory.reset();  // forgets everything rather than keep a level it could not drop
    }
}

}  // namespace qvlib::batch
