// The WNet enumeration: buffer packing, batching, container resolution,
// filters, handles and the latency of a call (the injected faults show in the
// library's scan tests).
#include "SimFixture.h"
#include "SimInternal.h"

#include <chrono>
#include <cstring>

namespace {

struct EnumResult {
    DWORD openRc = 0;
    DWORD endRc = 0;  // the code that ended the loop (259 on a normal end)
    std::vector<std::string> remotes;
    std::vector<std::size_t> sizes;  // bytes each entry takes in a buffer
    std::vector<DWORD> counts;       // entries per successful call
    std::vector<DWORD> required;     // sizes asked for by ERROR_MORE_DATA
};

// Enumerates to the end with buffers of `size` bytes; after ERROR_MORE_DATA
// the next call gets exactly the size asked for. Every string must lie in
// the caller's buffer behind the records.
EnumResult EnumAll(NETRESOURCEA* container, DWORD size = 16384, DWORD count = 0xFFFFFFFF,
                   DWORD scope = RESOURCE_GLOBALNET, DWORD type = RESOURCETYPE_DISK, DWORD usage = 0) {
    EnumResult out;
    HANDLE h = nullptr;
    if ((out.openRc = w32::WNetOpenEnumA(scope, type, usage, container, &h)) != 0) return out;
    for (int guard = 0; guard < 1000; ++guard) {
        DWORD n = count, bytes = size;
        std::vector<char> buf(size + 1);
        DWORD rc = w32::WNetEnumResourceA(h, &n, buf.data(), &bytes);
        if (rc == ERROR_MORE_DATA) {
            out.required.push_back(bytes);
            buf.assign(bytes, 0);
            n = count;
            rc = w32::WNetEnumResourceA(h, &n, buf.data(), &bytes);
            EXPECT_EQ(rc, 0u) << "the size asked for must hold the next entry";
        }
        if (rc != 0) {
            out.endRc = rc;
            break;
        }
        out.counts.push_back(n);
        const auto* records = reinterpret_cast<const NETRESOURCEA*>(buf.data());
        for (DWORD i = 0; i < n; ++i) {
            std::size_t bytesOf = sizeof(NETRESOURCEA);
            for (const char* s : {records[i].lpLocalName, records[i].lpRemoteName, records[i].lpComment,
                                  records[i].lpProvider})
                if (s) {
                    EXPECT_GE(s, reinterpret_cast<const char*>(records + n));
                    EXPECT_LE(s + std::strlen(s) + 1, buf.data() + buf.size());
                    bytesOf += std::strlen(s) + 1;
                }
            out.remotes.push_back(records[i].lpRemoteName ? records[i].lpRemoteName : "<null>");
            out.sizes.push_back(bytesOf);
        }
    }
    EXPECT_EQ(w32::WNetCloseEnum(h), 0u);
    return out;
}

// A server with five shares whose strings differ in length.
json FiveShares(json serverExtra = json::object()) {
    json server = {{"remote", "\\\\SRV"}, {"display", "server"}, {"children", json::array()}};
    for (const char* name : {"\\\\SRV\\A", "\\\\SRV\\LONGER_NAME", "\\\\SRV\\C", "\\\\SRV\\D", "\\\\SRV\\EEEEEEEE"})
        server["children"].push_back({{"remote", name}, {"display", "share"}, {"comment", std::string(name).substr(6)}});
    server.update(serverExtra);
    return {{"network", {qvtest::Top("Net", {server})}}};
}

using Enumeration = SimFixture;

TEST_F(Enumeration, SmallBuffersBatchesAndCountsDeliverEachEntryOnce) {
    Use(FiveShares());
    NETRESOURCEA srv = Container("\\\\SRV", "Net");
    const EnumResult all = EnumAll(&srv);
    ASSERT_EQ(all.remotes.size(), 5u);
    EXPECT_EQ(all.endRc, static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    const std::size_t one = all.sizes[0], two = one + all.sizes[1];
    for (DWORD size : {DWORD{0}, DWORD{8}, DWORD(sizeof(NETRESOURCEA)), DWORD(one - 1), DWORD(one), DWORD(two - 1),
                       DWORD(two), DWORD(two + 40)}) {
        const EnumResult r = EnumAll(&srv, size);
        EXPECT_EQ(r.remotes, all.remotes) << size;
        // Each ERROR_MORE_DATA asks for exactly the next entry's size.
        std::vector<DWORD> asked;
        for (std::size_t call = 0, next = 0; call < r.counts.size(); next += r.counts[call++])
            if (all.sizes[next] > size) asked.push_back(static_cast<DWORD>(all.sizes[next]));
        EXPECT_EQ(r.required, asked) << size;
    }
    EXPECT_EQ(EnumAll(&srv, DWORD(two)).counts, (std::vector<DWORD>{2, 2, 1}));
    Use(FiveShares({{"batch", 3}}));
    EXPECT_EQ(EnumAll(&srv).counts, (std::vector<DWORD>{3, 2}));
    EXPECT_EQ(EnumAll(&srv, 16384, 2).counts, (std::vector<DWORD>{2, 2, 1}));
}

TEST_F(Enumeration, BadHandlesAndPointersAnswerWindowsCodes) {
    HANDLE h = nullptr;
    EXPECT_EQ(w32::WNetOpenEnumA(RESOURCE_GLOBALNET, 0, 0, nullptr, nullptr), DWORD{ERROR_INVALID_ADDRESS});
    EXPECT_EQ(w32::WNetOpenEnumA(9, 0, 0, nullptr, &h), DWORD{ERROR_INVALID_PARAMETER});
    ASSERT_EQ(w32::WNetOpenEnumA(RESOURCE_GLOBALNET, 0, 0, nullptr, &h), 0u);
    DWORD n = 0xFFFFFFFF, size = 100;
    char buf[100];
    EXPECT_EQ(w32::WNetEnumResourceA(h, nullptr, nullptr, &size), DWORD{ERROR_INVALID_ADDRESS});
    EXPECT_EQ(w32::WNetCloseEnum(h), 0u);
    EXPECT_EQ(w32::WNetEnumResourceA(h, &n, buf, &size), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(w32::WNetCloseEnum(h), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(w32::WNetCloseEnum(reinterpret_cast<HANDLE>(0x1234)), DWORD{ERROR_INVALID_HANDLE});
    // Putting another workstation in force closes every open enumeration.
    ASSERT_EQ(w32::WNetOpenEnumA(RESOURCE_GLOBALNET, 0, 0, nullptr, &h), 0u);
    qvsim::UseDefault();
    EXPECT_EQ(w32::WNetEnumResourceA(h, &n, buf, &size), DWORD{ERROR_INVALID_HANDLE});
}

TEST_F(Enumeration, ContainersResolveByProviderAndRemoteName) {
    const char* const nw = "NetWare Services";
    const char* const ms = "Microsoft Windows Network";
    const char* const eng = "\\\\ACME_TREE\\Acme\\Engineering";
    const struct {
        const char *remote, *provider;
        DWORD type, usage, openRc;
        std::vector<std::string> remotes;
    } cases[] = {
        {nullptr, nullptr, RESOURCETYPE_DISK, 0, 0, {nw, ms}},
        {nullptr, nw, RESOURCETYPE_DISK, 0, 0, {"\\\\ACME_TREE", "\\\\NW1", "\\\\NW2"}},
        {"", ms, RESOURCETYPE_DISK, 0, 0, {"SALES", "ENGINEERING"}},
        {nullptr, "Banyan VINES", RESOURCETYPE_DISK, 0, ERROR_BAD_PROVIDER, {}},
        {"\\\\nw1", nw, RESOURCETYPE_DISK, 0, 0, {"\\\\NW1\\SYS", "\\\\NW1\\DATA"}},
        {"\\\\FS1", nw, RESOURCETYPE_DISK, 0, ERROR_BAD_NETPATH, {}},  // outside the provider's subtree
        {"\\\\FS1", nullptr, RESOURCETYPE_ANY, 0, 0, {"\\\\FS1\\PROJECTS", "\\\\FS1\\USERS", "\\\\FS1\\LASER"}},
        {"\\\\FS1", ms, RESOURCETYPE_DISK, 0, 0, {"\\\\FS1\\PROJECTS", "\\\\FS1\\USERS"}},
        {eng, nw, RESOURCETYPE_DISK, RESOURCEUSAGE_CONNECTABLE, 0,
         {"\\\\ACME_TREE\\Acme\\Engineering\\NW2_PROJ", "\\\\ACME_TREE\\Acme\\Engineering\\NW2_SYS"}},
        {eng, nw, RESOURCETYPE_DISK, RESOURCEUSAGE_CONTAINER, 0,
         {"\\\\ACME_TREE\\Acme\\Engineering\\NDPS Public Access Printers"}},
        {"\\\\FS1\\PROJECTS", ms, RESOURCETYPE_DISK, 0, ERROR_NOT_CONTAINER, {}},
        {"\\\\NOWHERE", ms, RESOURCETYPE_DISK, 0, ERROR_BAD_NETPATH, {}},
    };
    for (const auto& c : cases) {
        NETRESOURCEA container = Container(c.remote, c.provider);
        const EnumResult r = EnumAll(c.remote || c.provider ? &container : nullptr, 16384, 0xFFFFFFFF,
                                     RESOURCE_GLOBALNET, c.type, c.usage);
        EXPECT_EQ(r.openRc, c.openRc) << (c.remote ? c.remote : "-") << " " << (c.provider ? c.provider : "-");
        EXPECT_EQ(r.remotes, c.remotes) << (c.remote ? c.remote : "-") << " " << (c.provider ? c.provider : "-");
    }
}

TEST_F(Enumeration, ALatencyIsSpentOnEachCallOfItsFunction) {
    using qvsim::detail::Fn;
    using qvsim::detail::g_latency;
    const auto latencyOf = [](Fn f) { return g_latency[static_cast<std::size_t>(f)].load(); };
    json ws = FiveShares();
    ws["latency"] = {{"network", 1}, {"WNetOpenEnumA", 20000}};
    Use(ws);
    EXPECT_EQ(latencyOf(Fn::WNetOpenEnumA), 20000u);
    EXPECT_EQ(latencyOf(Fn::WNetEnumResourceA), 1u);
    EXPECT_EQ(latencyOf(Fn::GetVersionExA), 0u);
    for (int call = 0; call < 2; ++call) {
        HANDLE h = nullptr;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(w32::WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, nullptr, &h), 0u);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20)) << "call " << call;
        EXPECT_EQ(w32::WNetCloseEnum(h), 0u);
    }
    // Another workstation puts its own latencies in force.
    qvsim::UseDefault();
    EXPECT_EQ(latencyOf(Fn::WNetOpenEnumA), 0u);
    EXPECT_EQ(latencyOf(Fn::WNetEnumResourceA), 0u);
}

}  // namespace
