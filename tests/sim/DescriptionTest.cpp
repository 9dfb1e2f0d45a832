// Reading a description in one pass: what a member given twice leaves, which
// fault is named, the latencies it gives the functions, and the normalised
// description written from the workstation, strings the code page lacks
// included.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "SimInternal.h"

namespace qvsim::detail {
namespace {

using Json = nlohmann::ordered_json;

struct Loaded {
    std::shared_ptr<const Workstation> ws;
    std::string normalised, error;
};

Loaded Load(const std::string& text) {
    Loaded l;
    l.ws = LoadText(text, "t.json", "/base", &l.normalised, l.error);
    return l;
}

// The workstation without its network index (pointers into its own network).
Workstation Unindexed(const Workstation& ws) {
    Workstation copy = ws;
    copy.networkIndex.clear();
    return copy;
}

TEST(Description, AMemberGivenTwiceCountsWithItsLastValueInItsFirstPlace) {
    // A fault in a value given again does not count; "A.INI" and "a.ini" are
    // two names of the description but one file of the workstation.
    const Loaded l = Load(R"({"os": {"major": -1}, "profiles": {"A.INI": "1", "a.ini": "2", "A.INI": "3"},
                              "os": {"minor": 7}, "network": [{"remote": "日本", "children": [{"display": "sever"}],
                              "remote": "X", "children": []}], "drives": {"C:": "c", "d:": null, "c:": "cc"}})");
    ASSERT_TRUE(l.ws) << l.error;
    const Json n = Json::parse(l.normalised);
    EXPECT_EQ(n["os"]["major"], 5);
    EXPECT_EQ(n["os"]["minor"], 7);
    EXPECT_EQ(n["profiles"].dump(), R"({"A.INI":"3","a.ini":"2"})");
    EXPECT_EQ(n["drives"].dump(), R"({"C:":"cc","D:":null})");
    EXPECT_EQ(n["network"][0]["remote"], "X");
    EXPECT_TRUE(n["network"][0]["children"].empty());
    ASSERT_EQ(l.ws->profiles.size(), 1u);
    EXPECT_EQ(l.ws->profiles.at("a.ini"), "2");
    EXPECT_EQ(l.ws->drives.at('C'), "/base/cc");
}

TEST(Description, TheFirstFaultInTheTextIsNamed) {
    EXPECT_EQ(Load(R"({"network": 5, "colour": 1})").error, "t.json: network: expected an array, found a number");
    EXPECT_EQ(Load(R"({"colour": 1, "network": 5})").error,
              "t.json: colour: unknown member (expected one of: computer_name, code_page, os, providers, network, "
              "unknown_container_error, connections, registry, profiles, windows_dir, drives, files, modules, "
              "messages, latency)");
    // A name repeated in an object by name: the fault of the value that counts.
    EXPECT_EQ(Load(R"({"messages": {"1": 5, "2": "b", "1": []}})").error,
              "t.json: messages[\"1\"]: expected a string, found an array");
    // Text that is not JSON is named before any other fault, as is nesting.
    EXPECT_EQ(Load(R"({"network": 5, "colour": 1,})").error,
              "t.json: invalid JSON: parse error at line 1, column 28: syntax error while parsing object key - "
              "unexpected '}'; expected string literal");
    EXPECT_EQ(Load("{\"network\": 5,\n\n \"x\": " + std::string(200, '[') + std::string(200, ']') + "}").error,
              "t.json: nesting deeper than 128 levels at line 3");
}

TEST(Description, StringsTheCodePageLacksAreWrittenAsGiven) {
    const std::string text = R"({"computer_name": "日本", "network": [{"remote": "Ärger", "provider": "中国",
                                 "children": [{"remote": "x"}]}], "files": {"\\\\S\\日": {"é": {"short": "中"}}}})";
    const Loaded l = Load(text);
    ASSERT_TRUE(l.ws) << l.error;
    EXPECT_EQ(l.ws->computerName, "??");
    EXPECT_EQ(l.ws->network[0].remote, "\xC4rger");  // Windows-1252
    EXPECT_EQ(l.ws->network[0].children[0].provider, "??");
    const Json n = Json::parse(l.normalised);
    EXPECT_EQ(n["computer_name"], "日本");
    EXPECT_EQ(n["network"][0]["remote"], "Ärger");
    EXPECT_EQ(n["network"][0]["children"][0]["provider"], "中国");  // inherited
    EXPECT_EQ(n["files"].dump(), R"({"\\\\S\\日":{"é":{"short":"中","children":null}}})");
    // The normalised description reads as the same workstation, and
    // normalised again it stays the same.
    const Loaded again = Load(l.normalised);
    ASSERT_TRUE(again.ws) << again.error;
    EXPECT_EQ(again.normalised, l.normalised);
    EXPECT_TRUE(Unindexed(*again.ws) == Unindexed(*l.ws));
}

TEST(Description, ACodePageNamedLateConvertsEveryString) {
    const Loaded early = Load(R"({"code_page": 932, "network": [{"remote": "ｱ日本", "provider": "ネット"}],
                                  "registry": {"HKEY_USERS\\ｱ": {"ｱ": "ｧ"}}, "files": {"\\\\S\\ｱ": {}}})");
    const Loaded late = Load(R"({"network": [{"remote": "ｱ日本", "provider": "ネット"}],
                                 "registry": {"HKEY_USERS\\ｱ": {"ｱ": "ｧ"}}, "files": {"\\\\S\\ｱ": {}},
                                 "code_page": 932})");
    ASSERT_TRUE(early.ws && late.ws) << early.error << late.error;
    EXPECT_EQ(late.ws->network[0].remote, "\xB1\x93\xFA\x96{");  // Shift-JIS
    EXPECT_TRUE(Unindexed(*late.ws) == Unindexed(*early.ws));
    EXPECT_EQ(late.normalised, early.normalised);
}

// The microseconds a call of the named function takes.
std::uint32_t LatencyOf(const Workstation& ws, std::string_view function) {
    for (std::size_t i = 0; i < kFunctionCount; ++i)
        if (kFunctions[i].name == function) return ws.latency[i];
    ADD_FAILURE() << "no function " << function;
    return 0;
}

TEST(Description, LatencyNetworkGoesToTheNetworkFunctionsAndAFunctionsOwnWins) {
    const Loaded none = Load(R"({"latency": {}})");
    ASSERT_TRUE(none.ws) << none.error;
    EXPECT_EQ(none.ws->latency, Latencies{});
    EXPECT_EQ(Json::parse(none.normalised)["latency"].dump(), R"({"network":0})");
    EXPECT_EQ(Load("{}").normalised, none.normalised);

    // "network" named after the functions; a network function set to 0 and
    // one set to the value of "network" are still their own.
    const Loaded l = Load(R"({"latency": {"GetVersionExA": 7, "WNetCloseEnum": 0, "WNetOpenEnumA": 2000,
                                          "WNetGetProviderNameA": 1000, "network": 1000}})");
    ASSERT_TRUE(l.ws) << l.error;
    for (std::size_t i = 0; i < kFunctionCount; ++i) {
        const std::string_view name = kFunctions[i].name;
        const std::uint32_t expected = name == "WNetOpenEnumA"   ? 2000
                                       : name == "WNetCloseEnum" ? 0
                                       : name == "GetVersionExA" ? 7
                                       : kFunctions[i].network   ? 1000
                                                                 : 0;
        EXPECT_EQ(l.ws->latency[i], expected) << name;
    }
    // Normalised: "network", then the functions given, in the simulation's order.
    const Json n = Json::parse(l.normalised);
    EXPECT_EQ(n.back().dump(), n["latency"].dump()) << "latency is the last member";
    EXPECT_EQ(n["latency"].dump(), R"({"network":1000,"WNetOpenEnumA":2000,"WNetCloseEnum":0,)"
                                   R"("WNetGetProviderNameA":1000,"GetVersionExA":7})");
    const Loaded again = Load(l.normalised);
    ASSERT_TRUE(again.ws) << again.error;
    EXPECT_EQ(again.normalised, l.normalised);
    EXPECT_TRUE(Unindexed(*again.ws) == Unindexed(*l.ws));

    // The largest value; latency given again leaves nothing of its first value.
    const Loaded twice = Load(R"({"latency": {"network": -1, "RegCloseKey": 3}, "messages": {},
                                  "latency": {"network": 4294967295}})");
    ASSERT_TRUE(twice.ws) << twice.error;
    EXPECT_EQ(LatencyOf(*twice.ws, "WNetEnumResourceA"), 4294967295u);
    EXPECT_EQ(LatencyOf(*twice.ws, "RegCloseKey"), 0u);
    EXPECT_EQ(Json::parse(twice.normalised)["latency"].dump(), R"({"network":4294967295})");
    // A key given twice inside latency: its last value.
    const Loaded key = Load(R"({"latency": {"FindClose": "x", "network": 2, "FindClose": 9}})");
    ASSERT_TRUE(key.ws) << key.error;
    EXPECT_EQ(LatencyOf(*key.ws, "FindClose"), 9u);
    EXPECT_EQ(Json::parse(key.normalised)["latency"].dump(), R"({"network":2,"FindClose":9})");
}

TEST(Description, LatencyFaultsNameTheKeyAndWhatWasExpected) {
    EXPECT_EQ(Load(R"({"latency": {"network": 1, "wnetopenenuma": 2}})").error,
              "t.json: latency.wnetopenenuma: unknown member (expected one of: network, WNetOpenEnumA, "
              "WNetEnumResourceA, WNetCloseEnum, WNetGetUniversalNameA, WNetGetProviderNameA, GetVersionExA, "
              "FindFirstFileA, FindClose, GetPrivateProfileSectionA, GetPrivateProfileIntA, GetComputerNameA, "
              "GetCurrentThreadId, FormatMessageA, LocalFree, RegOpenKeyExA, RegQueryValueExA, RegCloseKey, "
              "GetFileVersionInfoSizeA, GetFileVersionInfoA, VerQueryValueA)");
    EXPECT_EQ(Load(R"({"latency": [1000]})").error, "t.json: latency: expected an object, found an array");
    EXPECT_EQ(Load(R"({"latency": 1000})").error, "t.json: latency: expected an object, found a number");
    EXPECT_EQ(Load(R"({"latency": {"network": "1000"}})").error,
              "t.json: latency.network: expected an integer from 0 to 4294967295, found a string");
    EXPECT_EQ(Load(R"({"latency": {"WNetOpenEnumA": null}})").error,
              "t.json: latency.WNetOpenEnumA: expected an integer from 0 to 4294967295, found null");
    for (const char* value : {"4294967296", "-1", "1.5"})
        EXPECT_EQ(Load(std::string(R"({"latency": {"GetVersionExA": )") + value + "}}").error,
                  "t.json: latency.GetVersionExA: expected an integer from 0 to 4294967295, found a number out "
                  "of that range")
            << value;
    // The first fault in the text, inside latency or not.
    EXPECT_EQ(Load(R"({"latency": {"network": true}, "os": 5})").error,
              "t.json: latency.network: expected an integer from 0 to 4294967295, found true or false");
}

TEST(Description, TheNormalisedDefaultReadsAsTheDefault) {
    const Loaded text = Load(DefaultWorkstationJson());
    ASSERT_TRUE(text.ws) << text.error;
    const Loaded again = Load(text.normalised);
    ASSERT_TRUE(again.ws) << again.error;
    EXPECT_EQ(again.normalised, text.normalised);
    EXPECT_TRUE(Unindexed(*again.ws) == Unindexed(*text.ws));
    EXPECT_EQ(NormalisedDescription(*text.ws), text.normalised);
}

}  // namespace
}  // namespace qvsim::detail
