// The memory of a batch of conversions (Batch.h).
#include "Batch.h"

#include <memory>
#include <unordered_map>

#include "ConvInternal.h"
#include "Zx_trace.h"

namespace qvlib::batch {
namespace {

struct Memory {
    // Key: the container's provider, a line feed, its remote name, as given.
    std::unordered_map<std::string, std::unique_ptr<Level>> levels;
};

constinit bool s_bActive = false;
constinit std::unique_ptr<Memory> s_pMemory QV_PROCESS_WIDE;

std::string Key(const NETRESOURCEA& container) {
    std::string key = container.lpProvider != nullptr ? container.lpProvider : "";
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

const Level* Find(const NETRESOURCEA& container) {
    if (!s_pMemory) return nullptr;
    try {
        auto it = s_pMemory->levels.find(Key(container));
        return it == s_pMemory->levels.end() ? nullptr : it->second.get();
    } catch (const std::exception&) {
        return nullptr;
    }
}

const Level* Keep(const NETRESOURCEA& container, Level&& level) {
    if (level.dwEnd == ERROR_NOT_ENOUGH_MEMORY) return nullptr;
    try {
        if (!s_pMemory) s_pMemory = std::make_unique<Memory>();
        auto kept = std::make_unique<Level>(std::move(level));
        const Level& at = *kept;
        kept->names.Build(at.children.size(), [&at](std::size_t i) { return at.NameAt(i); });
        return s_pMemory->levels.emplace(Key(container), std::move(kept)).first->second.get();
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace qvlib::batch
