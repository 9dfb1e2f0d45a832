// Reading descriptions: errors that name the JSON path, normalisation,
// relative paths, the default and example workstations, and the choice of
// the workstation at first use.
#include "SimTest.h"

#include <cstdio>
#include <fstream>

namespace {

using nlohmann::json;

class Loader : public SimTest {};

TEST_F(Loader, ErrorsNameTheFileThePathAndWhatWasExpected) {
    struct Case {
        std::string text;
        std::string error;  // the expected beginning of the message
    };
    const Case cases[] = {
        {R"({"network":[{"children":[{},{},{"display":"sever"}]}]})",
         R"(ws.json: network[0].children[2].display: unknown display type "sever")"},
        {R"({"colour":1})", "ws.json: colour: unknown member (expected one of: computer_name, "},
        {R"({"network":[{"remote":"\\\\A","childs":[]}]})", "ws.json: network[0].childs: unknown member"},
        {R"({"code_page":1251})", "ws.json: code_page: unsupported code page 1251"},
        {R"({"connections":[{"local":5}]})", "ws.json: connections[0].local: expected a string or null, found a number"},
        {R"({"connections":[{"universal":{"error":"x"}}]})", "ws.json: connections[0].universal.error: expected an integer"},
        {R"({"network":[{"open_error":-1}]})", "ws.json: network[0].open_error: expected an integer from 0 to 4294967295"},
        {R"({"network":[{"usage":["connectable","mount"]}]})", R"(ws.json: network[0].usage[1]: unknown usage "mount")"},
        {R"({"network":[{"batch":0}]})", "ws.json: network[0].batch: expected at least 1"},
        {R"({"os":{"fails":1}})", "ws.json: os.fails: expected true or false"},
        {R"({"providers":{"ipx":"x"}})", "ws.json: providers.ipx: unknown member"},
        {R"({"registry":{"HKLM\\Software":{}}})", R"(ws.json: registry["HKLM\\Software"]: expected a key path)"},
        {R"({"registry":{"HKEY_USERS\\X":{"v":{"type":"REG_BINARY","hex":"123"}}}})",
         R"(ws.json: registry["HKEY_USERS\\X"].v.hex: expected an even number)"},
        {R"({"registry":{"HKEY_USERS\\X":{"v":true}}})", R"(ws.json: registry["HKEY_USERS\\X"].v: expected a number)"},
        {R"({"profiles":{"C:\\x.ini":"a"}})", R"(ws.json: profiles["C:\\x.ini"]: expected a file name without a directory)"},
        {R"({"drives":{"CD":"x"}})", "ws.json: drives.CD: expected a drive letter"},
        {R"({"files":{"\\\\SRV":{}}})", R"(ws.json: files["\\\\SRV"]: expected a network path)"},
        {R"({"files":{"\\\\SRV\\VOL":{"a":{"shrt":"X"}}}})", R"(ws.json: files["\\\\SRV\\VOL"].a.shrt: unknown member)"},
        {R"({"modules":{"a.dll":{"file_version":"1,2,3"}}})", R"(ws.json: modules["a.dll"].file_version: expected a version)"},
        {R"({"messages":{"x53":"t"}})", "ws.json: messages.x53: expected a message number"},
        {R"([1,2])", "ws.json: expected a JSON object describing a workstation, found an array"},
        {R"({"computer_name":"x",})", "ws.json: invalid JSON: parse error at line 1"},
        {"{\"computer_name\":\"\xFF\"}", "ws.json: invalid JSON: "},
        {"", "ws.json: invalid JSON: "},
        {std::string(1000, '[') + std::string(1000, ']'), "ws.json: nesting deeper than 128 levels"},
        {R"({"computer_name":")" + std::string(70000, 'x') + R"("})", "ws.json: computer_name: string longer than"},
    };
    for (const auto& c : cases) {
        std::string error = LoadError(c.text);
        EXPECT_EQ(error.substr(0, c.error.size()), c.error) << "got: " << error;
    }
}

TEST_F(Loader, AFailedLoadLeavesTheWorkstationInForce) {
    Use({{"computer_name", "KEEP"}});
    std::string error;
    EXPECT_FALSE(qvsim::UseText(R"({"computer_name":"NEW","network":[{"display":"x"}]})", "bad.json", "", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(qvsim::UseFile(TempDir() + "/missing.json", error));
    const std::string unreadable = TempDir() + "/missing.json: cannot be read";
    EXPECT_EQ(error.substr(0, unreadable.size()), unreadable);
    char name[16];
    DWORD size = sizeof name;
    ASSERT_TRUE(w32::GetComputerNameA(name, &size));
    EXPECT_STREQ(name, "KEEP");
}

TEST_F(Loader, NormalisedDescriptionSpellsOutEveryMember) {
    std::string normalised, error;
    ASSERT_TRUE(qvsim::CheckText(R"({"network":[{"remote":"N","display":"network","provider":"P","children":[
        {"remote":"\\\\S","display":"server","children":[{"remote":"\\\\S\\V","display":3}]},
        {"remote":"x","display":42,"usage":5}]}],
        "registry":{"HKEY_LOCAL_MACHINE\\K":{"b":{"hex":"AB"}}}})",
                                 "n.json", "", normalised, error))
        << error;
    json n = json::parse(normalised);
    EXPECT_EQ(n["code_page"], 1252);
    EXPECT_EQ(n["computer_name"], nullptr);
    EXPECT_EQ(n["os"], json({{"fails", false}, {"platform_id", 2}, {"major", 5}, {"minor", 0}, {"build", 2195}, {"csd", ""}}));
    EXPECT_EQ(n["providers"], json({{"netware", nullptr}, {"lanman", nullptr}}));
    EXPECT_EQ(n["unknown_container_error"], 53);
    const json& share = n["network"][0]["children"][0]["children"][0];
    EXPECT_EQ(share, json({{"remote", "\\\\S\\V"}, {"display", "share"}, {"provider", "P"}, {"type", "disk"},
                           {"usage", {"connectable"}}, {"comment", nullptr}, {"local", nullptr},
                           {"open_error", nullptr}, {"enum_error", nullptr}, {"enum_error_after", 0},
                           {"batch", nullptr}, {"children", json::array()}}));
    const json& server = n["network"][0]["children"][0];
    EXPECT_EQ(server["type"], "any");
    EXPECT_EQ(server["usage"], json({"container"}));
    EXPECT_EQ(n["network"][0]["children"][1]["display"], 42);
    EXPECT_EQ(n["network"][0]["children"][1]["usage"], 5);
    EXPECT_EQ(n["registry"]["HKEY_LOCAL_MACHINE\\K"]["b"], json({{"type", "REG_BINARY"}, {"hex", "ab"}}));

    // Normalising twice changes nothing.
    std::string again;
    ASSERT_TRUE(qvsim::CheckText(normalised, "n.json", "", again, error)) << error;
    EXPECT_EQ(again, normalised);
}

TEST_F(Loader, RelativePathsAreRelativeToTheFilesFolder) {
    std::filesystem::create_directories(TempDir() + "/ws/win");
    std::ofstream(TempDir() + "/ws/win/app.ini") << "[A]\r\nx=5\r\n";
    std::ofstream(TempDir() + "/ws/desc.json") << R"({"windows_dir":"win","drives":{"C:":"c"}})";
    std::string error;
    ASSERT_TRUE(qvsim::UseFile(TempDir() + "/ws/desc.json", error)) << error;
    EXPECT_EQ(w32::GetPrivateProfileIntA("A", "x", 0, "APP.INI"), 5u);
    EXPECT_EQ(w32::HostPath("C:\\t.out"), TempDir() + "/ws/c/t.out");
}

TEST_F(Loader, DefaultAndExampleWorkstationsAreValid) {
    std::string normalised, error;
    EXPECT_TRUE(qvsim::CheckText(qvsim::DefaultWorkstationJson(), "default", "", normalised, error)) << error;
    for (const char* name : {"win98-dotted.json", "nt-msclient.json", "nt-traced.json"}) {
        std::string path = std::string(QUORVEL_EXAMPLES_DIR) + "/" + name;
        EXPECT_TRUE(qvsim::CheckFile(path, normalised, error)) << error;
    }
    ASSERT_TRUE(qvsim::UseFile(std::string(QUORVEL_EXAMPLES_DIR) + "/nt-traced.json", error)) << error;
    EXPECT_EQ(w32::GetPrivateProfileIntA("Settings", "trace_flag", 0, "Zx_TraQV.ini"), 1u);
    EXPECT_EQ(w32::HostPath("C:\\TEMP\\quorvel-trace.out"), std::string(QUORVEL_EXAMPLES_DIR) + "/drive_c/TEMP/quorvel-trace.out");
}

// The workstation is chosen at first use, so each case runs a fresh process.
std::string Probe(const std::string& env) {
    std::string command = env + " " + QUORVEL_SIM_PROBE + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return "popen failed";
    std::string out;
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
}

TEST_F(Loader, WorkstationChosenAtFirstUseFromTheEnvironment) {
    std::ofstream(TempDir() + "/good.json") << R"({"computer_name":"FROMFILE"})";
    std::ofstream(TempDir() + "/bad.json") << R"({"computer_name":1})";
    EXPECT_EQ(Probe("QUORVEL_WORKSTATION="), "name=WS042 error=\n");
    EXPECT_EQ(Probe("QUORVEL_WORKSTATION=" + TempDir() + "/good.json"), "name=FROMFILE error=\n");
    EXPECT_EQ(Probe("QUORVEL_WORKSTATION=" + TempDir() + "/bad.json"),
              "name=(none) error=" + TempDir() + "/bad.json: computer_name: expected a string or null, found a number\n");
}

}  // namespace
