// The simulation's test interface (quorvel/sim/Testing.h): the event counter
// behind the fault hook of every simulated function (FaultHook.h), and what
// the tests read of the simulation's state.
#include "SimInternal.h"

#include <quorvel/sim/Testing.h>

namespace qvsim::detail {
namespace {

std::atomic<bool> g_counting{false};
unsigned long long g_count = 0;
unsigned long long g_failAt = 0;
bool g_persistent = false;
unsigned long g_code = 0;
// Nesting of simulated calls on this thread: what happens inside one is the
// simulation's own business.
thread_local int t_depth = 0;

bool CountEvent() {
    ++g_count;
    return g_failAt != 0 && (g_count == g_failAt || (g_persistent && g_count > g_failAt));
}

}  // namespace

FaultPoint::FaultPoint() : fails_(false) {
    if (++t_depth == 1 && g_counting.load(std::memory_order_relaxed)) fails_ = CountEvent();
}

FaultPoint::~FaultPoint() { --t_depth; }

unsigned long FaultPoint::Code(unsigned long def) const { return g_code != 0 ? g_code : def; }

}  // namespace qvsim::detail

namespace qvsim::testing {

using namespace detail;

void StartFaults(unsigned long long failAt, bool persistent, unsigned long code) {
    g_count = 0;
    g_failAt = failAt;
    g_persistent = persistent;
    g_code = code;
    g_counting.store(true);
}

unsigned long long StopFaults() {
    g_counting.store(false);
    return g_count;
}

bool AllocationFails() noexcept {
    if (!g_counting.load(std::memory_order_relaxed) || t_depth != 0) return false;
    return CountEvent();
}

std::size_t OpenHandles() {
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.mu);
    return s.enums.size() + s.finds.size() + s.keys.size() + s.allocations.size();
}

unsigned long LastError() { return LastErrorCode(); }

}  // namespace qvsim::testing
