// Shared helpers of the fuzz targets: the workstations the targets run on,
// and exact-size heap copies so that AddressSanitizer sees any overrun.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>
#include <quorvel/sim/Command.h>
#include <quorvel/sim/Workstation.h>

#include "LibraryAccess.h"
#include "Zx_trace.h"

// An invariant of a target: fatal under the fuzzer, a test failure when the
// corpus is replayed by the test program.
#if defined(QUORVEL_FUZZ_IN_TESTS)
#include <gtest/gtest.h>
#define QV_FUZZ_CHECK(cond) \
    do {                    \
        if (!(cond)) ADD_FAILURE() << "invariant failed: " #cond; \
    } while (0)
#else
#define QV_FUZZ_CHECK(cond) \
    do {                    \
        if (!(cond)) std::abort(); \
    } while (0)
#endif

namespace qvfuzz {

// The environments a conversion target runs on: code page, operating system
// and which NetWare client names itself in the provider name.
struct Environment {
    unsigned codePage;
    int platformId;      // 1 Windows 95/98, 2 Windows NT
    const char* nwName;  // provider name of the NetWare client
};

inline constexpr Environment kEnvironments[] = {
    {1252, 2, "NetWare Services"},          // NT, the vendor's own client
    {1252, 2, "NetWare Network"},           // NT, Microsoft's client
    {1252, 1, "Novell NetWare"},            // Windows 95/98, the vendor's client
    {1252, 1, "NetWare Network"},           // Windows 95/98, Microsoft's client
    {932, 2, "NetWare Services"},
    {932, 2, "NetWare Network"},
    {932, 1, "Novell NetWare"},
    {932, 1, "NetWare Network"},
};
inline constexpr std::size_t kEnvironmentCount = sizeof kEnvironments / sizeof kEnvironments[0];

// The embedded default workstation moved to the given environment: the
// NetWare provider renamed everywhere it appears.
inline std::string WorkstationJson(const Environment& env) {
    nlohmann::json ws = nlohmann::json::parse(qvsim::DefaultWorkstationJson());
    ws["code_page"] = env.codePage;
    ws["os"]["platform_id"] = env.platformId;
    if (env.platformId == 1) {
        ws["os"]["major"] = 4;
        ws["os"]["minor"] = 10;
    }
    std::string text = ws.dump();
    const std::string from = "NetWare Services";
    for (std::size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + std::strlen(env.nwName)))
        text.replace(pos, from.size(), env.nwName);
    return text;
}

// Puts environment `config` (with the two registry switches) in force and
// builds the lists, unless that configuration is in force already. The
// server list is built too, so that the operations that only read it see
// servers.
inline unsigned g_currentConfig = ~0u;
inline void UseEnvironment(unsigned config) {
    if (config == g_currentConfig) return;
    g_currentConfig = config;
    using A = qvtest::Library;
    const Environment& env = kEnvironments[config % kEnvironmentCount];
    std::string error;
    QV_FUZZ_CHECK(qvsim::UseText(WorkstationJson(env), "fuzz.json", "/tmp", error));
    A::ResetToLoadState();
    CNetResConvert::BuildLists();
    A::UseGetUniv() = (config / kEnvironmentCount) & 1;
    A::UseLongAndShortDir() = ((config / kEnvironmentCount) >> 1) & 1;
    CNetResConvert::GetServerList();
    CNetResConvert::GetMountList();
}
inline constexpr unsigned kConfigCount = kEnvironmentCount * 4;

// Forgets which configuration is in force (for a program that changes the
// workstation between inputs).
inline void ForgetEnvironment() { g_currentConfig = ~0u; }

// A heap block of exactly n bytes, 0x5A where never written (n may be 0: any
// write is then an overrun).
class ExactBuffer {
public:
    explicit ExactBuffer(std::size_t n) : p_(new char[n]), n_(n) { std::memset(p_.get(), 0x5A, n_); }
    char* get() const { return p_.get(); }
    std::size_t size() const { return n_; }
    // True when the buffer holds a terminator.
    bool Terminated() const { return std::memchr(p_.get(), '\0', n_) != nullptr; }

private:
    std::unique_ptr<char[]> p_;
    std::size_t n_;
};

// A zero-terminated copy of the bytes in a heap block of exactly that size.
struct ExactString : ExactBuffer {
    ExactString(const std::uint8_t* data, std::size_t size) : ExactBuffer(size + 1) {
        if (size != 0) std::memcpy(get(), data, size);
        get()[size] = '\0';
    }
    explicit ExactString(const std::string& s)
        : ExactString(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()) {}
};

// Reads the first byte as a selector and removes it from the input.
inline unsigned TakeByte(const std::uint8_t*& data, std::size_t& size) {
    if (size == 0) return 0;
    unsigned b = *data++;
    --size;
    return b;
}

}  // namespace qvfuzz
