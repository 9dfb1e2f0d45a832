// The C interface answers as the class: every case runs from a freshly loaded
// library on the default workstation, once through CNetResConvert and once
// through quorvel.h, and both must give the same status and the same text.
// The C side also asks each list for its size first and is refused a buffer
// one byte (or record) short, so the sizes it writes back are checked too.
#include <quorvel/quorvel.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "LibraryFixture.h"

namespace {

enum class Op { Type, ToDnc, ToUnc, ToUncMaps, ToMaps, MapEntry, ServerOf, Split, Servers, Count,
                First, Next, Info, Volumes, Mounts, Build, Clear, Mode };

struct Case {
    Op op;
    const char* arg;
    uint32_t num;
};

struct Answer {
    uint32_t status;
    std::string text;
    bool operator==(const Answer&) const = default;
};

void PrintTo(const Answer& a, std::ostream* os) { *os << a.status << " [" << a.text << "]"; }

std::string Text(const char* buf, std::size_t size) { return std::string(buf, ::strnlen(buf, size)); }

std::string Join(const std::vector<std::string>& names) {
    std::string s;
    for (const std::string& n : names) s += n + "|";
    return s;
}

std::string Record(const char* remote, const char* provider, uint32_t scope, uint32_t type,
                   uint32_t display, uint32_t usage) {
    return std::string(remote ? remote : "-") + "/" + (provider ? provider : "-") + "/" +
           std::to_string(scope) + std::to_string(type) + std::to_string(display) + std::to_string(usage);
}

// ---- the class --------------------------------------------------------------

Answer ViaClass(const Case& c) {
    using C = CNetResConvert;
    char out[300], out2[300];
    std::memset(out, '#', sizeof out);
    std::memset(out2, '#', sizeof out2);
    std::vector<std::string> maps;
    NETRESOURCEA r{};
    r.dwUsage = 7;
    DWORD n = c.num;
    switch (c.op) {
        case Op::Type: { DWORD st = C::GetResNameType(c.arg, n); return {st, std::to_string(n)}; }
        case Op::ToDnc: { DWORD st = C::ConvRes2DNC(c.arg, out, n); return {st, Text(out, 300) + "/" + std::to_string(n)}; }
        case Op::ToUnc: { DWORD st = C::ConvDNCtoUNC(c.arg, out); return {st, Text(out, 300)}; }
        case Op::ToUncMaps: { DWORD st = C::ConvDNC2UNC(c.arg, out, maps); return {st, Text(out, 300) + " " + Join(maps)}; }
        case Op::ToMaps: { DWORD st = C::ConvDNCtoMAP(c.arg, maps); return {st, Join(maps)}; }
        case Op::MapEntry: { DWORD st = C::GetMapEntry(c.arg, &r, c.num, out); return {st, Text(out, 300)}; }
        case Op::ServerOf: { DWORD st = C::GetServerFromDNC(const_cast<char*>(c.arg), out); return {st, Text(out, 300)}; }
        case Op::Split: {
            C::GetServerCount();
            DWORD st = C::ExtractServerVolume(const_cast<char*>(c.arg), out, out2);
            return {st, Text(out, 300) + " " + Text(out2, 300)};
        }
        case Op::Servers: return {0, Join(C::GetServerList())};
        case Op::Count: return {C::GetServerCount(), ""};
        case Op::First: case Op::Next: case Op::Info: {
            DWORD st = c.op == Op::First ? C::GetFirstServer(&r)
                     : c.op == Op::Next  ? C::GetNextServer(c.num, &r) : C::GetServerInfo(c.num, &r);
            return {st, Record(r.lpRemoteName, r.lpProvider, r.dwScope, r.dwType, r.dwDisplayType, r.dwUsage)};
        }
        case Op::Volumes: {
            NETRESOURCEA s = {2, 1, 2, 0, nullptr, const_cast<char*>(c.arg), nullptr, nullptr};
            DWORD st = C::EnumServerRes(&s);
            return {st, std::to_string(s.dwUsage) + " " + Join(C::GetVolumeList())};
        }
        case Op::Mounts: {
            std::string s;
            for (const MOUNT_T& m : C::GetMountList())
                s += m.LocalName + "=" + m.RemoteName + ">" + m.DNCName + "/" + std::to_string(m.dwNetType) + "|";
            return {0, s};
        }
        case Op::Build: return {C::BuildLists(), ""};
        case Op::Clear: C::GetServerCount(); return {C::ClearLists(), Join(C::GetVolumeList())};
        case Op::Mode: C::SetConvertMode(static_cast<WORD>(c.num)); return {C::GetConvertMode(), ""};
    }
    return {};
}

// ---- the C interface --------------------------------------------------------

// Reads a name list through one of the C list functions: a size query, a
// buffer one byte short, then a buffer of exactly the size asked for.
template <typename Call>
Answer CNames(Call call) {
    uint32_t size = 0, count = 99;
    uint32_t st = call(nullptr, &size, &count);
    if (st != QUORVEL_ERROR_MORE_DATA) return {st, count == 0 ? "" : "count on failure"};
    std::vector<char> buf(size);
    uint32_t shortSize = size - 1;
    if (call(buf.data(), &shortSize, nullptr) != QUORVEL_ERROR_MORE_DATA || shortSize != size)
        return {st, "short buffer taken"};
    uint32_t have = size;
    st = call(buf.data(), &have, &count);
    std::vector<std::string> names;
    for (const char* p = buf.data(); *p != '\0'; p += std::strlen(p) + 1) names.emplace_back(p);
    if (have != size || count != names.size() || Join(names).size() + 1 != size || buf.back() != '\0')
        return {st, "size or count"};
    return {st, Join(names)};
}

// Splits a volume object's name with the server list as it stands.
Answer SplitVolume(const char* element) {
    char out[300], out2[300];
    std::memset(out, '#', sizeof out);
    std::memset(out2, '#', sizeof out2);
    uint32_t st = quorvel_extract_server_volume(element, out, out2);
    return {st, Text(out, 300) + " " + Text(out2, 300)};
}

Answer ViaC(const Case& c) {
    char out[300], out2[300];
    std::memset(out, '#', sizeof out);
    std::memset(out2, '#', sizeof out2);
    quorvel_server r{};
    r.usage = 7;
    uint32_t n = c.num;
    switch (c.op) {
        case Op::Type: {
            uint32_t st = quorvel_res_name_type(c.arg, &n);
            if (quorvel_res_name_type(c.arg, nullptr) != st) return {st, "without type"};
            return {st, std::to_string(n)};
        }
        case Op::ToDnc: { uint32_t st = quorvel_res_to_dnc(c.arg, out, &n); return {st, Text(out, 300) + "/" + std::to_string(n)}; }
        case Op::ToUnc: { uint32_t st = quorvel_dnc_to_unc(c.arg, out); return {st, Text(out, 300)}; }
        case Op::ToUncMaps: {
            Answer a = CNames([&](char* b, uint32_t* s, uint32_t* k) { return quorvel_dnc_to_unc_maps(c.arg, out, b, s, k); });
            return {a.status, Text(out, 300) + " " + a.text};
        }
        case Op::ToMaps: return CNames([&](char* b, uint32_t* s, uint32_t* k) { return quorvel_dnc_to_maps(c.arg, b, s, k); });
        case Op::MapEntry: { uint32_t st = quorvel_map_entry(c.arg, c.num, out); return {st, Text(out, 300)}; }
        case Op::ServerOf: { uint32_t st = quorvel_server_from_dnc(c.arg, out); return {st, Text(out, 300)}; }
        case Op::Split: quorvel_server_count(); return SplitVolume(c.arg);
        case Op::Servers: return CNames(quorvel_server_list);
        case Op::Count: return {quorvel_server_count(), ""};
        case Op::First: case Op::Next: case Op::Info: {
            uint32_t st = c.op == Op::First ? quorvel_first_server(&r)
                        : c.op == Op::Next  ? quorvel_next_server(c.num, &r) : quorvel_server_info(c.num, &r);
            if (st != 0) return {st, Record(nullptr, nullptr, r.scope, r.type, r.display_type, r.usage)};
            return {st, Record(r.remote_name, r.provider, r.scope, r.type, r.display_type, r.usage)};
        }
        case Op::Volumes: {
            quorvel_server s = {2, 1, 2, 0, {}, {}};
            std::strcpy(s.remote_name, c.arg);
            uint32_t st = quorvel_enum_server_res(&s);
            Answer a = CNames(quorvel_volume_list);
            return {a.status == 0 ? st : a.status, std::to_string(s.usage) + " " + a.text};
        }
        case Op::Mounts: {
            uint32_t count = 0;
            quorvel_mount_list(nullptr, &count);
            std::vector<quorvel_mount> m(count);
            uint32_t shortCount = count - 1;
            if (quorvel_mount_list(m.data(), &shortCount) != QUORVEL_ERROR_MORE_DATA || shortCount != count)
                return {0, "short array taken"};
            uint32_t st = quorvel_mount_list(m.data(), &count);
            std::string s;
            for (const quorvel_mount& e : m)
                s += std::string(e.local_name) + "=" + e.remote_name + ">" + e.dnc_name + "/" + std::to_string(e.net_type) + "|";
            return {st, count == m.size() ? s : "count"};
        }
        case Op::Build: return {quorvel_build_lists(), ""};
        case Op::Clear: quorvel_server_count(); return {quorvel_clear_lists(), CNames(quorvel_volume_list).text};
        case Op::Mode: quorvel_set_convert_mode(static_cast<uint16_t>(c.num)); return {quorvel_get_convert_mode(), ""};
    }
    return {};
}

}  // namespace

class CInterface : public LibraryFixture {};

TEST_F(CInterface, AnswersAsTheClass) {
    const Case cases[] = {
        {Op::Type, "F:\\x", 0}, {Op::Type, "\\\\NW1", 0}, {Op::Type, "xy", 0}, {Op::Type, nullptr, 0},
        {Op::ToDnc, "F:\\REPORTS\\2026\\summary.txt", 260}, {Op::ToDnc, "F:\\REPORTS\\2026\\summary.txt", 5},
        {Op::ToDnc, "\\\\NW1\\DATA\\REPORTS", 260}, {Op::ToDnc, "\\\\ACME_TREE\\Acme\\Sales\\NW1_DATA\\REPORTS", 260},
        {Op::ToDnc, "\\\\fs1\\projects\\Plans", 8}, {Op::ToDnc, "H:\\Manuals 2026", 260},
        {Op::ToDnc, "Z:\\x", 260}, {Op::ToDnc, "ab", 260}, {Op::ToDnc, "F:\\x", 0}, {Op::ToDnc, nullptr, 260},
        {Op::ToUnc, "\\\\NW1\\DATA\\x", 0}, {Op::ToUnc, "\\\\NW1", 0}, {Op::ToUnc, "NW1\\DATA", 0}, {Op::ToUnc, nullptr, 0},
        {Op::ToUncMaps, "\\\\FS1\\PROJECTS\\2026\\budget.xls", 0}, {Op::ToUncMaps, "\\\\FS2\\PUBLIC\\DOCUME~1\\readme.txt", 0},
        {Op::ToUncMaps, "\\\\NOBODY\\X", 0}, {Op::ToUncMaps, "\\\\NW1", 0}, {Op::ToUncMaps, nullptr, 0},
        {Op::ToMaps, "\\\\nw1\\data", 0}, {Op::ToMaps, "bad", 0},
        {Op::MapEntry, "\\\\NW1\\DATA", 0}, {Op::MapEntry, "\\\\NW1\\DATA", 1}, {Op::MapEntry, nullptr, 0},
        {Op::ServerOf, "\\\\NW1\\DATA\\x", 0}, {Op::ServerOf, nullptr, 0},
        {Op::Split, "NW1_DATA", 0}, {Op::Split, "NOPE_X", 0}, {Op::Split, nullptr, 0},
        {Op::Servers, nullptr, 0}, {Op::Count, nullptr, 0}, {Op::First, nullptr, 0},
        {Op::Next, nullptr, 0}, {Op::Next, nullptr, 3}, {Op::Next, nullptr, 99}, {Op::Info, nullptr, 4},
        {Op::Volumes, "\\\\NW1", 0}, {Op::Volumes, "\\\\FS1", 0}, {Op::Volumes, "\\\\NOPE", 0},
        {Op::Mounts, nullptr, 0}, {Op::Build, nullptr, 0}, {Op::Clear, nullptr, 0}, {Op::Mode, nullptr, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.op)) + " " + (c.arg ? c.arg : "NULL") + " " + std::to_string(c.num));
        A::ResetToLoadState();
        A::MapList() = {"X:\\MAPPED"};
        const Answer expected = ViaClass(c);
        A::ResetToLoadState();
        A::MapList() = {"X:\\MAPPED"};
        EXPECT_EQ(ViaC(c), expected);
    }
    // The null arguments that only the C forms have.
    char dnc[8] = "#";
    EXPECT_EQ(quorvel_res_to_dnc("F:\\REPORTS", dnc, nullptr), QUORVEL_ERROR_INVALID_PARAMETER);
    EXPECT_STREQ(dnc, "#");
    uint32_t count = 0;
    EXPECT_EQ(quorvel_server_list(nullptr, nullptr, &count), QUORVEL_OK);
    EXPECT_EQ(count, CNetResConvert::GetServerCount());
    EXPECT_EQ(quorvel_mount_list(nullptr, nullptr), QUORVEL_ERROR_INVALID_ADDRESS);
    EXPECT_EQ(quorvel_enum_server_res(nullptr), QUORVEL_ERROR_INVALID_ADDRESS);
    EXPECT_EQ(quorvel_first_server(nullptr), QUORVEL_ERROR_INVALID_ADDRESS);
}

// Any number of threads at once get the answers one thread gets: every name
// of the default workstation converted, the mount list and the server list
// read, while other threads empty the lists, so that they are rebuilt under
// each other, and begin and end batches. (ThreadSanitizer runs this in CI.)
TEST_F(CInterface, AnswersAsOneThreadFromManyThreads) {
    const Case cases[] = {
        {Op::ToDnc, "F:\\REPORTS\\2026\\summary.txt", 260}, {Op::ToDnc, "\\\\NW1\\DATA\\REPORTS", 260},
        {Op::ToDnc, "\\\\ACME_TREE\\Acme\\Sales\\NW1_DATA\\REPORTS", 260},
        {Op::ToDnc, "\\\\ACME_TREE\\Acme\\Engineering\\NW2_PROJ\\x", 260}, {Op::ToDnc, "\\\\fs1\\projects\\Plans", 8},
        {Op::ToDnc, "Z:\\x", 260}, {Op::ToUncMaps, "\\\\FS1\\PROJECTS\\2026\\budget.xls", 0},
        {Op::ToMaps, "\\\\nw1\\data", 0}, {Op::Split, "NW1_DATA", 0}, {Op::Servers, nullptr, 0},
        {Op::Mounts, nullptr, 0}, {Op::Next, nullptr, 3},
    };
    // What one thread gets, and what it gets when the lists are emptied
    // between the two calls of a split (the server count that builds the
    // server list, then the split, which reads the list as it stands).
    std::vector<Answer> expected, afterClear;
    for (const Case& c : cases) expected.push_back(ViaC(c));
    for (const Case& c : cases) {
        quorvel_clear_lists();
        afterClear.push_back(c.op == Op::Split ? SplitVolume(c.arg) : ViaC(c));
    }

    constexpr int kThreads = 8;
    std::vector<std::vector<std::string>> faults(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 200; ++round) {
                if (t == 0 && round % 3 == 0) quorvel_clear_lists();
                if (t == 1 && round % 5 == 0) quorvel_batch_begin();
                if (t == 1 && round % 5 == 4) quorvel_batch_end();
                for (std::size_t i = 0; i < std::size(cases); ++i) {
                    const std::size_t k = (i + static_cast<std::size_t>(t)) % std::size(cases);
                    const Answer got = ViaC(cases[k]);
                    if (!(got == expected[k]) && !(got == afterClear[k]))
                        faults[t].push_back(std::string(cases[k].arg ? cases[k].arg : "") + ": " +
                                            std::to_string(got.status) + " [" + got.text + "]");
                }
            }
        });
    }
    for (std::thread& th : threads) th.join();
    quorvel_batch_end();
    for (int t = 0; t < kThreads; ++t) EXPECT_TRUE(faults[t].empty()) << "thread " << t << ": " << faults[t].front();
}
