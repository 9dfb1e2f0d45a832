// The simulated Win32 functions, each with its index beside it, so that the
// list and the indexes cannot drift, and what every call of one of them
// does first (QVSIM_CALL): it is counted, for the command's --stats and the
// benchmarks, and it spends the latency that the workstation's `latency`
// gives the function, as a call over a network would. The C runtime's
// multibyte helpers are no platform calls and are not counted.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace qvsim::detail {

// X(function, network): network functions share the latency "network".
#define QVSIM_FUNCTIONS(X)          \
    X(WNetOpenEnumA, true)          \
    X(WNetEnumResourceA, true)      \
    X(WNetCloseEnum, true)          \
    X(WNetGetUniversalNameA, true)  \
    X(WNetGetProviderNameA, true)   \
    X(GetVersionExA, false)         \
    X(FindFirstFileA, false)        \
    X(FindClose, false)             \
    X(GetPrivateProfileSectionA, false) \
    X(GetPrivateProfileIntA, false) \
    X(GetComputerNameA, false)      \
    X(GetCurrentThreadId, false)    \
    X(FormatMessageA, false)        \
    X(LocalFree, false)             \
    X(RegOpenKeyExA, false)         \
    X(RegQueryValueExA, false)      \
    X(RegCloseKey, false)           \
    X(GetFileVersionInfoSizeA, false) \
    X(GetFileVersionInfoA, false)   \
    X(VerQueryValueA, false)

enum class Fn : unsigned {
#define QVSIM_INDEX(name, network) name,
    QVSIM_FUNCTIONS(QVSIM_INDEX)
#undef QVSIM_INDEX
};

struct FunctionInfo {
    const char* name;
    bool network;
};

inline constexpr FunctionInfo kFunctions[] = {
#define QVSIM_INFO(name, network) {#name, network},
    QVSIM_FUNCTIONS(QVSIM_INFO)
#undef QVSIM_INFO
};
inline constexpr std::size_t kFunctionCount = sizeof kFunctions / sizeof kFunctions[0];

// Microseconds each function's call takes, by index.
using Latencies = std::array<std::uint32_t, kFunctionCount>;

// The calls made so far and the latencies in force, by index.
extern std::atomic<std::uint64_t> g_calls[kFunctionCount];
extern std::atomic<std::uint32_t> g_latency[kFunctionCount];

// Counts a call and spends its latency.
void Called(Fn function);

}  // namespace qvsim::detail

#define QVSIM_CALL(function) ::qvsim::detail::Called(::qvsim::detail::Fn::function)
