// Batches of the C interface: a large generated catalogue of names converted
// one by one and then within one batch, on several workstations, must give
// the same answer for every name (status, DNC name or UNC path and mapped
// paths, the size written back), while the batch asks the network once per
// container; with tracing on, a batch remembers nothing.
#include <quorvel/quorvel.h>
#include <quorvel/sim/Command.h>

#include <cstring>
#include <string>
#include <vector>

#include "LibraryFixture.h"

namespace {

using nlohmann::json;
using qvtest::Node;

// The WNet calls made so far.
unsigned long long NetworkCalls() {
    unsigned long long n = 0;
    for (const qvsim::command::CallCount& c : qvsim::command::CallCounts())
        if (std::strncmp(c.function, "WNet", 4) == 0) n += c.calls;
    return n;
}

// What the C interface answers for a name, in both directions, with a buffer
// of `size` bytes for its DNC name.
std::string Answer(const std::string& name, uint32_t size) {
    std::vector<char> dnc(size + 1, '#');
    uint32_t written = size;
    const uint32_t status = quorvel_res_to_dnc(name.c_str(), size == 0 ? nullptr : dnc.data(), &written);
    std::string answer = std::to_string(status) + "/" + std::to_string(written) + "/";
    if (size > 0) answer += std::string(dnc.data(), ::strnlen(dnc.data(), size));
    char unc[QUORVEL_PATH_SIZE] = {};
    char maps[2048];
    uint32_t mapsSize = sizeof maps, count = 0;
    const uint32_t back = quorvel_dnc_to_unc_maps(name.c_str(), unc, maps, &mapsSize, &count);
    answer.append("|").append(std::to_string(back)).append("/").append(unc).append("/").append(std::to_string(count));
    for (const char* p = maps; back == 0 && *p != '\0'; p += std::strlen(p) + 1) answer.append("/").append(p);
    return answer;
}

// A generated NDS tree below \\CAT: organisational units of containers, each
// with volume objects of listed servers, of an unlisted one and a non-volume
// entry; and containers that fail: one that cannot be opened, one whose
// listing ends in an error, one that lists two entries a call. name(s)
// spells each name, so that a code page's characters can stand in them.
json Catalogue(int units, int containers, const std::string& unitName) {
    json servers = json::array();
    json tree = json::array();
    for (int u = 0; u < units; ++u) {
        json unit = json::array();
        for (int c = 0; c < containers; ++c) {
            const std::string base = "\\\\CAT\\" + unitName + std::to_string(u) + "\\C" + std::to_string(c);
            // A server of a volume object's name before it: a search passes servers over.
            json children = json::array({Node(base + "\\S" + std::to_string(u) + "_V2", "server")});
            for (int v = 0; v < 3; ++v)
                children.push_back(Node(base + "\\S" + std::to_string(u) + "_V" + std::to_string(v), "share"));
            children.push_back(Node(base + "\\GONE_V", "share"));
            children.push_back(Node(base + "\\PRINTER", "generic"));
            children.push_back(Node(base + "\\S" + std::to_string(u), "server"));  // not compared in a search
            json container = Node(base, "ndscontainer", children);
            if (c == 1) container["enum_error"] = 59, container["enum_error_after"] = 2;
            if (c == 2) container["batch"] = 2;
            if (c == 3) container["open_error"] = 65;
            unit.push_back(container);
        }
        tree.push_back(Node("\\\\CAT\\" + unitName + std::to_string(u), "ndscontainer", unit));
        servers.push_back(Node("\\\\S" + std::to_string(u), "server",
                               json::array({Node("\\\\S" + std::to_string(u) + "\\V0", "share")})));
    }
    json ws = qvtest::NtWithBothProviders(json::array(
        {qvtest::Top(qvtest::kNetWare, json::array({Node("\\\\CAT", "tree", tree),
                                                    Node("\\\\NW", "tree", servers)}))}));
    ws["connections"] = json::array({{{"local", "F:"}, {"remote", "\\\\S0\\V0"}, {"provider", qvtest::kNetWare}}});
    ws["registry"]["HKEY_LOCAL_MACHINE\\Software\\Talmoro\\Components\\C0000318\\Versions\\1.0\\"
                   "AdditionalInfos\\Quorvel100"] = {{"UniversalName", 0}};
    return ws;
}

// The names of the catalogue: through every container, in both letter
// cases, to each entry and to entries that are not there, with and without
// a path behind the volume; UNC names of listed and unlisted servers; drive
// paths; DNC names below the mapped drive; malformed names.
std::vector<std::string> Names(int units, int containers, const std::string& unitName) {
    std::vector<std::string> names;
    for (int u = 0; u < units + 1; ++u) {
        const std::string unit = "\\\\CAT\\" + unitName + std::to_string(u);
        for (int c = 0; c < containers + 1; ++c) {
            const std::string container = unit + "\\C" + std::to_string(c);
            // PRINTER first: listed late, it is found beyond batches that hold no match.
            for (const char* entry : {"PRINTER", "S%d_V0", "S%d_V2", "s%d_v1", "GONE_V", "S%d", "NONE"}) {
                char element[32];
                std::snprintf(element, sizeof element, entry, u);
                names.push_back(container + "\\" + element);
                names.push_back(container + "\\" + element + "\\DIR\\file.txt");
            }
            names.push_back(container);
            names.push_back(container + "\\\\S" + std::to_string(u) + "_V1\\x");
        }
        names.push_back("\\\\cat\\" + unitName + std::to_string(u) + "\\c0\\S" + std::to_string(u) + "_V0");
        names.push_back("\\\\CAT\\OU=" + unitName + std::to_string(u) + "\\C0\\S" + std::to_string(u) + "_V0");
        names.push_back("\\\\S" + std::to_string(u) + "\\V0\\a.txt");
    }
    for (const char* other : {"\\\\NOSUCH\\VOL\\x", "\\\\NOSUCH\\VOL\\y", "\\\\S0\\V0\\deep\\file", "F:\\x\\y",
                              "G:\\x", "\\\\CAT", "\\\\CAT\\", "\\\\\\\\", "\\\\S0_V0", "//CAT/U0/C0/S0_V0"})
        names.push_back(other);
    return names;
}

// What a batch must save of the network calls.
enum class Saves { PerContainer, Nothing, Unknown };

class Batch : public LibraryFixture {
protected:
    // Every name of the catalogue, one by one and then twice in one batch,
    // with buffers of 260 bytes and of too few: the same answers.
    void Compare(const std::vector<std::string>& names, Saves saves) {
        std::vector<std::string> single;
        for (const std::string& name : names) Answer(name, 260);  // the lists built on first use
        const unsigned long long before = NetworkCalls();
        for (uint32_t size : {260u, 24u})
            for (const std::string& name : names) single.push_back(Answer(name, size));
        const unsigned long long alone = NetworkCalls() - before;

        quorvel_batch_begin();
        for (int pass = 0; pass < 2; ++pass) {
            const unsigned long long start = NetworkCalls();
            std::size_t i = 0;
            for (uint32_t size : {260u, 24u})
                for (const std::string& name : names) ASSERT_EQ(Answer(name, size), single[i++]) << name;
            const unsigned long long calls = NetworkCalls() - start;
            if (saves == Saves::Nothing) {
                EXPECT_EQ(calls, alone) << "a traced batch remembers nothing";
            } else if (saves == Saves::PerContainer) {
                EXPECT_LT(calls * 4, pass == 0 ? alone : 1) << "the batch asked the network for each name";
            }
        }
        quorvel_batch_end();
        // Once the batch has ended, nothing is remembered.
        const unsigned long long afterEnd = NetworkCalls();
        for (uint32_t size : {260u, 24u})
            for (const std::string& name : names) Answer(name, size);
        EXPECT_EQ(NetworkCalls() - afterEnd, alone) << "the memory outlived the batch";
        if (saves != Saves::Unknown) {
            EXPECT_GT(alone, 0u);
        }
    }
};

TEST_F(Batch, AnswersAsOneByOneOnAGeneratedCatalogue) {
    UseWorkstation(Catalogue(6, 5, "U"));
    Compare(Names(6, 5, "U"), Saves::PerContainer);
}

TEST_F(Batch, AnswersAsOneByOneInCodePage932) {
    // Unit names with double-byte characters (U+30BD, whose trail byte is a backslash).
    const std::string unit = "\xE3\x82\xBD\xE8\xA1\xA8";
    json ws = Catalogue(3, 4, unit);
    ws["code_page"] = 932;
    UseWorkstation(ws);
    std::vector<std::string> names;
    for (const std::string& name : Names(3, 4, unit)) {
        std::string ansi;
        std::size_t bad = 0;
        ASSERT_TRUE(qvsim::command::Utf8ToAnsiExact(name, ansi, bad)) << name;
        names.push_back(ansi);
    }
    Compare(names, Saves::PerContainer);
}

TEST_F(Batch, AnswersAsOneByOneOnTheExampleWorkstations) {
    for (const char* example : {"win98-dotted.json", "nt-msclient.json"}) {
        SCOPED_TRACE(example);
        A::ResetToLoadState();
        std::string error;
        ASSERT_TRUE(qvsim::UseFile(std::string(QUORVEL_EXAMPLES_DIR "/") + example, error)) << error;
        Compare({"\\\\ACME_TREE\\.NW1_DATA.Sales.Acme\\REPORTS", "\\\\ACME_TREE\\Acme\\Sales\\NW1_DATA\\R",
                 "\\\\NW1\\DATA\\x", "\\\\FS1\\PROJECTS\\2026", "F:\\REPORTS", "\\\\NOSUCH\\V\\x"},
                Saves::Unknown);
    }
}

TEST_F(Batch, RemembersNothingWhileTracing) {
    UseWorkstationWithTrace(Catalogue(2, 5, "U"));
    Compare(Names(2, 5, "U"), Saves::Nothing);
}

}  // namespace
