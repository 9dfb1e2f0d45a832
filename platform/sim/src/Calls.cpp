// The counters and latencies of the simulated functions (Calls.h).
#include "SimInternal.h"

#include <chrono>
#include <thread>

#include <quorvel/sim/Command.h>

namespace qvsim::detail {

constinit std::atomic<std::uint64_t> g_calls[kFunctionCount] = {};
constinit std::atomic<std::uint32_t> g_latency[kFunctionCount] = {};

void Called(Fn function) {
    // The first call of a process chooses the workstation, and with it the
    // latencies, before it spends its own.
    if (g_activeCodePage.load(std::memory_order_acquire) == nullptr) ChooseFirstCodePage();
    const auto i = static_cast<std::size_t>(function);
    g_calls[i].fetch_add(1, std::memory_order_relaxed);
    if (const std::uint32_t us = g_latency[i].load(std::memory_order_relaxed); us != 0)
        std::this_thread::sleep_for(std::chrono::microseconds(us));
}

void UseLatencies(const Latencies& latencies) {
    for (std::size_t i = 0; i < kFunctionCount; ++i) g_latency[i].store(latencies[i], std::memory_order_relaxed);
}

}  // namespace qvsim::detail

namespace qvsim::command {

std::vector<CallCount> CallCounts() {
    std::vector<CallCount> calls;
    for (std::size_t i = 0; i < detail::kFunctionCount; ++i)
        calls.push_back({detail::kFunctions[i].name, detail::g_calls[i].load(std::memory_order_relaxed)});
    return calls;
}

}  // namespace qvsim::command
