// The WNet enumeration: buffer packing, batching, container resolution,
// filters and injected faults.
#include "SimTest.h"

#include <cstring>

namespace {

using nlohmann::json;

struct EnumResult {
    DWORD openRc = 0;
    DWORD endRc = 0;  // the code that ended the loop (259 on a normal end)
    std::vector<Res> entries;
    std::vector<DWORD> counts;    // entries per successful call
    std::vector<DWORD> required;  // sizes asked for by ERROR_MORE_DATA
};

std::size_t EntrySize(const Res& r) {
    auto len = [](const std::string& s) { return s == "<null>" ? 0 : s.size() + 1; };
    return sizeof(NETRESOURCEA) + len(r.local) + len(r.remote) + len(r.comment) + len(r.provider);
}

// Enumerates to the end with buffers of `size` bytes; after ERROR_MORE_DATA
// the next call gets exactly the size asked for. Checks that every string
// lies in the caller's buffer behind the records.
EnumResult EnumAll(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* container, DWORD size = 16384,
                   DWORD count = 0xFFFFFFFF) {
    EnumResult out;
    HANDLE h = nullptr;
    out.openRc = w32::WNetOpenEnumA(scope, type, usage, container, &h);
    if (out.openRc != 0) return out;
    for (int guard = 0; guard < 1000; ++guard) {
        DWORD n = count, bytes = size;
        std::vector<char> buf(size + 1);
        DWORD rc = w32::WNetEnumResourceA(h, &n, buf.data(), &bytes);
        if (rc == ERROR_MORE_DATA) {
            out.required.push_back(bytes);
            buf.assign(bytes, 0);
            n = count;
            DWORD again = bytes;
            rc = w32::WNetEnumResourceA(h, &n, buf.data(), &again);
            EXPECT_EQ(rc, 0u) << "the size asked for must hold the next entry";
        }
        if (rc != 0) {
            out.endRc = rc;
            break;
        }
        out.counts.push_back(n);
        const auto* records = reinterpret_cast<const NETRESOURCEA*>(buf.data());
        const char* stringsBegin = reinterpret_cast<const char*>(records + n);
        for (DWORD i = 0; i < n; ++i) {
            for (const char* s : {records[i].lpLocalName, records[i].lpRemoteName, records[i].lpComment,
                                  records[i].lpProvider})
                if (s) {
                    EXPECT_GE(s, stringsBegin);
                    EXPECT_LE(s + std::strlen(s) + 1, buf.data() + buf.size());
                }
            out.entries.emplace_back(records[i]);
        }
    }
    EXPECT_EQ(w32::WNetCloseEnum(h), 0u);
    return out;
}

std::vector<std::string> Remotes(const EnumResult& r) {
    std::vector<std::string> v;
    for (const auto& e : r.entries) v.push_back(e.remote);
    return v;
}

// A server with five shares whose strings differ in length.
json FiveShares(json serverExtra = json::object()) {
    json server = {{"remote", "\\\\SRV"}, {"display", "server"}, {"children", json::array()}};
    for (const char* name : {"\\\\SRV\\A", "\\\\SRV\\LONGER_NAME", "\\\\SRV\\C", "\\\\SRV\\D", "\\\\SRV\\EEEEEEEE"})
        server["children"].push_back({{"remote", name}, {"display", "share"}, {"comment", std::string(name).substr(6)}});
    server.update(serverExtra);
    return {{"network", {{{"remote", "Net"}, {"display", "network"}, {"provider", "Net"}, {"children", {server}}}}}};
}

class Enumeration : public SimTest {};

TEST_F(Enumeration, EverySmallBufferDeliversEachEntryOnceAndAsksForTheNextEntrysSize) {
    Use(FiveShares());
    NETRESOURCEA srv = Container("\\\\SRV", "Net");
    EnumResult all = EnumAll(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &srv);
    ASSERT_EQ(all.entries.size(), 5u);
    ASSERT_EQ(all.endRc, static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(all.entries[1].remote, "\\\\SRV\\LONGER_NAME");
    EXPECT_EQ(all.entries[1].comment, "LONGER_NAME");
    EXPECT_EQ(all.entries[1].provider, "Net");
    EXPECT_EQ(all.entries[1].local, "<null>");

    std::size_t one = EntrySize(all.entries[0]), two = one + EntrySize(all.entries[1]);
    for (DWORD size : {DWORD{0}, DWORD{8}, DWORD(sizeof(NETRESOURCEA)), DWORD(one - 1), DWORD(one), DWORD(two - 1),
                       DWORD(two), DWORD(two + 40), DWORD{100000}}) {
        SCOPED_TRACE(size);
        EnumResult r = EnumAll(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &srv, size);
        EXPECT_EQ(Remotes(r), Remotes(all));
        EXPECT_EQ(r.endRc, static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
        // Each ERROR_MORE_DATA asks for exactly the next entry's size.
        std::size_t next = 0;
        for (std::size_t call = 0, asked = 0; call < r.counts.size(); next += r.counts[call++]) {
            bool fits = EntrySize(all.entries[next]) <= size;
            if (!fits) {
                ASSERT_LT(asked, r.required.size());
                EXPECT_EQ(r.required[asked++], EntrySize(all.entries[next]));
            }
        }
    }
    EXPECT_EQ(EnumAll(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &srv, DWORD(two)).counts,
              (std::vector<DWORD>{2, 2, 1}));
}

TEST_F(Enumeration, CountAndBatchLimitEachCall) {
    Use(FiveShares({{"batch", 3}}));
    NETRESOURCEA srv = Container("\\\\SRV", "Net");
    EXPECT_EQ(EnumAll(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &srv).counts, (std::vector<DWORD>{3, 2}));
    EXPECT_EQ(EnumAll(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &srv, 16384, 2).counts,
              (std::vector<DWORD>{2, 2, 1}));
    EXPECT_EQ(EnumAll(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &srv, 16384, 1).counts,
              (std::vector<DWORD>{1, 1, 1, 1, 1}));
}

TEST_F(Enumeration, BadHandlesAndPointersAnswerWindowsCodes) {
    HANDLE h = nullptr;
    EXPECT_EQ(w32::WNetOpenEnumA(RESOURCE_GLOBALNET, 0, 0, nullptr, nullptr), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(w32::WNetOpenEnumA(9, 0, 0, nullptr, &h), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ASSERT_EQ(w32::WNetOpenEnumA(RESOURCE_GLOBALNET, 0, 0, nullptr, &h), 0u);
    DWORD n = 0xFFFFFFFF, size = 100;
    EXPECT_EQ(w32::WNetEnumResourceA(h, nullptr, nullptr, &size), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(w32::WNetCloseEnum(h), 0u);
    char buf[100];
    EXPECT_EQ(w32::WNetEnumResourceA(h, &n, buf, &size), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(w32::WNetCloseEnum(h), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(w32::WNetCloseEnum(reinterpret_cast<HANDLE>(0x1234)), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // Putting another workstation in force closes every open enumeration.
    ASSERT_EQ(w32::WNetOpenEnumA(RESOURCE_GLOBALNET, 0, 0, nullptr, &h), 0u);
    qvsim::UseDefault();
    EXPECT_EQ(w32::WNetEnumResourceA(h, &n, buf, &size), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Container resolution and filters on the default workstation.
struct ResolveCase {
    const char* what;
    const char* remote;
    const char* provider;
    DWORD type, usage;
    DWORD openRc;
    std::vector<std::string> remotes;
};

TEST_F(Enumeration, ContainersResolveByProviderAndRemoteName) {
    const ResolveCase cases[] = {
        {"provider top", nullptr, "NetWare Services", RESOURCETYPE_DISK, 0, 0, {"\\\\ACME_TREE", "\\\\NW1", "\\\\NW2"}},
        {"empty remote", "", "Microsoft Windows Network", RESOURCETYPE_DISK, 0, 0, {"SALES", "ENGINEERING"}},
        {"unknown provider", nullptr, "Banyan VINES", RESOURCETYPE_DISK, 0, ERROR_BAD_PROVIDER, {}},
        {"remote name in other case", "\\\\nw1", "NetWare Services", RESOURCETYPE_DISK, 0, 0, {"\\\\NW1\\SYS", "\\\\NW1\\DATA"}},
        {"remote outside the provider's subtree", "\\\\FS1", "NetWare Services", RESOURCETYPE_DISK, 0, ERROR_BAD_NETPATH, {}},
        {"remote without provider", "\\\\FS1", nullptr, RESOURCETYPE_ANY, 0, 0,
         {"\\\\FS1\\PROJECTS", "\\\\FS1\\USERS", "\\\\FS1\\LASER"}},
        {"disk filter leaves print shares out", "\\\\FS1", "Microsoft Windows Network", RESOURCETYPE_DISK, 0, 0,
         {"\\\\FS1\\PROJECTS", "\\\\FS1\\USERS"}},
        {"connectable filter", "\\\\ACME_TREE\\Acme\\Engineering", "NetWare Services", RESOURCETYPE_DISK,
         RESOURCEUSAGE_CONNECTABLE, 0,
         {"\\\\ACME_TREE\\Acme\\Engineering\\NW2_PROJ", "\\\\ACME_TREE\\Acme\\Engineering\\NW2_SYS"}},
        {"container filter", "\\\\ACME_TREE\\Acme\\Engineering", "NetWare Services", RESOURCETYPE_DISK,
         RESOURCEUSAGE_CONTAINER, 0, {"\\\\ACME_TREE\\Acme\\Engineering\\NDPS Public Access Printers"}},
        {"a share is no container", "\\\\FS1\\PROJECTS", "Microsoft Windows Network", RESOURCETYPE_DISK, 0,
         ERROR_NOT_CONTAINER, {}},
        {"unknown name", "\\\\NOWHERE", "Microsoft Windows Network", RESOURCETYPE_DISK, 0, ERROR_BAD_NETPATH, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        NETRESOURCEA container = Container(c.remote, c.provider);
        EnumResult r = EnumAll(RESOURCE_GLOBALNET, c.type, c.usage, &container);
        EXPECT_EQ(r.openRc, c.openRc);
        EXPECT_EQ(Remotes(r), c.remotes);
    }
}

TEST_F(Enumeration, TopLevelAndDefaultsOfNodes) {
    EnumResult top = EnumAll(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, nullptr);
    ASSERT_EQ(Remotes(top), (std::vector<std::string>{"NetWare Services", "Microsoft Windows Network"}));
    EXPECT_EQ(top.entries[0].display, static_cast<DWORD>(RESOURCEDISPLAYTYPE_NETWORK));
    EXPECT_EQ(top.entries[0].provider, "NetWare Services");
    EXPECT_EQ(top.entries[0].usage, static_cast<DWORD>(RESOURCEUSAGE_CONTAINER));

    NETRESOURCEA nw1 = Container("\\\\NW1", "NetWare Services");
    EnumResult shares = EnumAll(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &nw1);
    ASSERT_EQ(shares.entries.size(), 2u);
    EXPECT_EQ(shares.entries[0].scope, static_cast<DWORD>(RESOURCE_GLOBALNET));
    EXPECT_EQ(shares.entries[0].type, static_cast<DWORD>(RESOURCETYPE_DISK));
    EXPECT_EQ(shares.entries[0].display, static_cast<DWORD>(RESOURCEDISPLAYTYPE_SHARE));
    EXPECT_EQ(shares.entries[0].usage, static_cast<DWORD>(RESOURCEUSAGE_CONNECTABLE));
    EXPECT_EQ(shares.entries[0].provider, "NetWare Services");  // inherited from the top node
}

TEST_F(Enumeration, InjectedFaults) {
    using qvtest::Node;
    json down = Node("\\\\DOWN", "server"), dead = Node("\\\\DEAD", "server");
    json flaky = Node("\\\\FLAKY", "server",
                      {Node("\\\\FLAKY\\A", "share"), Node("\\\\FLAKY\\B", "share"), Node("\\\\FLAKY\\C", "share")});
    down["open_error"] = 53;
    flaky["enum_error"] = 59;
    flaky["enum_error_after"] = 2;
    dead["enum_error"] = 64;
    Use({{"unknown_container_error", 67}, {"network", {qvtest::Top("Net", {down, flaky, dead})}}});
    struct Case {
        const char* server;
        DWORD openRc, endRc;
        std::vector<DWORD> counts;
    };
    const Case cases[] = {{"\\\\DOWN", 53, 0, {}}, {"\\\\FLAKY", 0, 59, {2}}, {"\\\\DEAD", 0, 64, {}},
                          {"\\\\GONE", 67, 0, {}}};
    for (const Case& c : cases) {
        NETRESOURCEA container = Container(c.server, "Net");
        const EnumResult r = EnumAll(RESOURCE_GLOBALNET, 0, 0, &container);
        EXPECT_EQ(r.openRc, c.openRc) << c.server;
        EXPECT_EQ(r.endRc, c.endRc) << c.server;
        EXPECT_EQ(r.counts, c.counts) << c.server;
    }
}

TEST_F(Enumeration, ConnectionsInFileOrderAsConnectedDiskShares) {
    Use({{"connections",
          {{{"local", "F:"}, {"remote", "\\\\SRV\\VOL"}, {"provider", "Net"}, {"comment", "data"}},
           {{"local", nullptr}, {"remote", "\\\\SRV\\X"}, {"provider", nullptr}}}}});
    EnumResult r = EnumAll(RESOURCE_CONNECTED, RESOURCETYPE_DISK, 0, nullptr);
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].scope, static_cast<DWORD>(RESOURCE_CONNECTED));
    EXPECT_EQ(r.entries[0].display, static_cast<DWORD>(RESOURCEDISPLAYTYPE_SHARE));
    EXPECT_EQ(r.entries[0].usage, static_cast<DWORD>(RESOURCEUSAGE_CONNECTABLE));
    EXPECT_EQ(r.entries[0].local, "F:");
    EXPECT_EQ(r.entries[0].comment, "data");
    EXPECT_EQ(r.entries[1].local, "<null>");
    EXPECT_EQ(r.entries[1].provider, "<null>");
}

}  // namespace
