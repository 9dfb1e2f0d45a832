// The quorvel program run as a user runs it: arguments, standard input,
// environment, exit status, standard output and standard error.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <quorvel/sim/Workstation.h>

#include "TestFiles.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Args = std::vector<std::string>;
using Lines = std::vector<std::string>;
// A value sets the variable for one run, nullopt removes it.
using Env = std::map<std::string, std::optional<std::string>>;

struct Result {
    int exit = -1;
    std::string out;
    std::string err;
};

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<Json> JsonLines(const std::string& text) {
    std::vector<Json> objects;
    for (const std::string& line : SplitLines(text)) {
        objects.push_back(Json::parse(line, nullptr, false));
        EXPECT_FALSE(objects.back().is_discarded()) << "not JSON: " << line;
    }
    return objects;
}

// Every test runs in a folder of its own: its workstation files, the
// program's standard streams and any trace file the program writes go there.
class QuorvelProgram : public ::testing::Test {
protected:
    void SetUp() override { dir_ = qvtest::FreshTestDir("quorvel-cli-tests"); }

    fs::path Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return dir_ / name;
    }
    std::string Read(const std::string& name) { return qvtest::ReadFile(dir_ / name); }

    // QUORVEL_WORKSTATION is removed unless env sets it.
    Result Run(const Args& args, const std::string& input = "", Env env = {}) {
        env.try_emplace("QUORVEL_WORKSTATION", std::nullopt);
        std::vector<std::string> envText;
        for (char** e = environ; *e; ++e)
            if (!env.count(std::string(*e).substr(0, std::string(*e).find('=')))) envText.push_back(*e);
        for (const auto& [name, value] : env)
            if (value) envText.push_back(name + "=" + *value);
        std::vector<std::string> argText{QUORVEL_CLI_PATH};
        argText.insert(argText.end(), args.begin(), args.end());
        auto pointers = [](std::vector<std::string>& texts) {
            std::vector<char*> list;
            for (std::string& t : texts) list.push_back(t.data());
            list.push_back(nullptr);
            return list;
        };
        std::vector<char*> argv = pointers(argText);
        std::vector<char*> envp = pointers(envText);

        Write("stdin", input);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
        posix_spawn_file_actions_addopen(&actions, 0, "stdin", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "stdout", O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, "stderr", O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        Result result;
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return result;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = Read("stdout");
        result.err = Read("stderr");
        return result;
    }

    // One --json command that gives exactly one object.
    Json RunJson(Args args, int expectedExit = 0, Env env = {}) {
        args.insert(args.begin(), "--json");
        const Result r = Run(args, "", std::move(env));
        EXPECT_EQ(r.exit, expectedExit) << args[1] << ": " << r.err;
        const std::vector<Json> objects = JsonLines(r.out);
        EXPECT_EQ(objects.size(), 1u) << r.out;
        return objects.empty() ? Json() : objects.front();
    }

    fs::path dir_;
};

// ---- the default workstation ------------------------------------------------

TEST_F(QuorvelProgram, PlainOutputAndExitStatus) {
    Result r = Run({"to-dnc", "Q:\\budget.xls", "X:\\not\\mapped", "G:\\Specs"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "\\\\FS1\\PROJECTS\\2026\\budget.xls\n\\\\NW2\\PROJ\\Specs\n");
    EXPECT_EQ(r.err, "quorvel: to-dnc X:\\not\\mapped: CONV_BAD_RES_NAME (61441)\n");

    r = Run({"from-dnc", "\\\\FS1\\PROJECTS\\2026\\budget.xls"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "UNC: \\\\FS1\\PROJECTS\\2026\\budget.xls\nMAP: P:\\2026\\budget.xls\nMAP: Q:\\budget.xls\n");
    EXPECT_EQ(Run({"server-of", "\\\\NW1\\DATA\\REPORTS"}).out, "\\\\NW1\n");
}

TEST_F(QuorvelProgram, UsageErrorsExitWithTwo) {
    const Args bad[] = {
        {}, {"--json"}, {"frobnicate"}, {"to-dnc"}, {"next-server", "-1"}, {"next-server", "4294967296"},
        {"map-entry", "\\\\NW1\\DATA"}, {"servers", "extra"}, {"type", "a", "b"}, {"convert-mode", "65536"},
        {"to-dnc", "--bogus", "F:\\a"}, {"--size", "1048577", "to-dnc", "F:\\a"},
        {"to-dnc", "--size", "-3", "F:\\a"}, {"--no-such-option", "servers"}, {"--json", "nosuchcommand"},
    };
    for (const Args& args : bad) {
        const Result r = Run(args);
        const std::string shown = args.empty() ? "(none)" : args[0] + " " + args.back();
        EXPECT_EQ(r.exit, 2) << shown;
        // Under --json the error is also an object on standard output.
        if (args.empty() || args[0] != "--json") EXPECT_EQ(r.out, "") << shown;
        else EXPECT_EQ(JsonLines(r.out).at(0)["status_name"], "USAGE") << shown;
        EXPECT_EQ(r.err.rfind("quorvel: ", 0), 0u) << shown << " -> " << r.err;
    }
    const Result help = Run({"--help"});
    EXPECT_EQ(help.exit, 0);
    for (const char* part : {"split-volume ELEMENT", "Kept for compatibility: map-entry", "--progress",
                             "Exit status: 0", "2 for a usage error"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
    EXPECT_EQ(Run({"--version"}).out.rfind("quorvel ", 0), 0u);
}

TEST_F(QuorvelProgram, JsonFields) {
    Json j = RunJson({"to-dnc", "H:\\Manuals 2026\\setup.pdf"});
    EXPECT_EQ(j, Json::parse(R"({"command":"to-dnc","status":0,"status_name":"OK",)"
                             R"("input":"H:\\Manuals 2026\\setup.pdf",)"
                             R"("dnc":"\\\\FS2\\PUBLIC\\Documentation Archive\\Manuals 2026\\setup.pdf"})"));
    j = RunJson({"type", ".NW1_DATA.Sales"}, 1);
    EXPECT_EQ(j["status_name"], "CONV_BAD_RES_TYPE");
    EXPECT_EQ(j["type_name"], "RES_TYPE_UNKNOWN");
    EXPECT_TRUE(RunJson({"to-unc", "NW1\\DATA"}, 1)["unc"].is_null());
    EXPECT_EQ(RunJson({"to-map", "\\\\FS1\\PROJECTS\\2026"})["maps"], Json::array({"P:\\2026", "Q:"}));
    j = RunJson({"map-entry", "\\\\NW1\\DATA", "0"}, 1);
    EXPECT_EQ(j["status"], 0xF008);
    EXPECT_EQ(j["status_name"], "CONV_IVALID_INDEX");
    EXPECT_TRUE(j["map"].is_null());

    const Json servers = RunJson({"servers"})["servers"];
    EXPECT_EQ(servers, Json::array({"\\\\NW1", "\\\\NW2", "\\\\FS1", "\\\\FS2", "\\\\BUILD01"}));
    EXPECT_EQ(RunJson({"server-count"})["count"], servers.size());
    const Json record = RunJson({"first-server"})["record"];
    EXPECT_EQ(record, Json::parse(R"({"scope":2,"type":1,"display_type":2,"usage":0,"local":null,)"
                                  R"("remote":"\\\\NW2","comment":null,"provider":"NetWare Services"})"));
    EXPECT_EQ(RunJson({"server-info", "0"})["record"], record);
    j = RunJson({"next-server", "4000000000"}, 1);
    EXPECT_EQ(j["status_name"], "ERROR_NO_MORE_ITEMS");
    EXPECT_TRUE(j["record"].is_null());

    // Without PROVIDER the provider of the listed server is used.
    EXPECT_EQ(RunJson({"volumes", "\\\\nw1"})["volumes"], Json::array({"\\\\NW1\\SYS", "\\\\NW1\\DATA"}));
    EXPECT_TRUE(RunJson({"volumes", "\\\\NW1", "No Such Provider"}, 1)["volumes"].is_null());
    EXPECT_EQ(RunJson({"volume-list"})["volumes"], Json::array());

    std::map<std::string, Json> mounts;
    const Json mountList = RunJson({"mounts"});
    for (const Json& m : mountList["mounts"]) mounts[m["local"]] = m;
    EXPECT_EQ(mounts.size(), 6u);
    EXPECT_EQ(mounts["F:"], Json::parse(R"({"net_type":196608,"local":"F:","remote":"\\\\NW1\\DATA",)"
                                        R"("dnc":"\\\\NW1\\DATA"})"));
    EXPECT_EQ(RunJson({"build"}), Json::parse(R"({"command":"build","status":0,"status_name":"OK"})"));
    EXPECT_EQ(RunJson({"convert-mode"})["mode"], 0);
    EXPECT_FALSE(RunJson({"convert-mode", "5"}).contains("mode"));
}

TEST_F(QuorvelProgram, BufferSizeAndRequired) {
    const std::string name = "\\\\FS2\\CAD\\drawings\\valve.dwg";
    const std::string dnc = RunJson({"to-dnc", name})["dnc"];
    const std::string needed = std::to_string(dnc.size() + 1);

    Json j = RunJson({"--size", "10", "to-dnc", name}, 1);
    EXPECT_EQ(j["status_name"], "ERROR_MORE_DATA");
    EXPECT_EQ(j["required"], dnc.size() + 1);
    EXPECT_TRUE(j["dnc"].is_null());
    // to-dnc --size wins over the global one, for that command alone.
    EXPECT_EQ(RunJson({"--size", "10", "to-dnc", "--size", needed, name})["dnc"], dnc);
    EXPECT_EQ(RunJson({"--size", "4096", "to-dnc", "--size", std::to_string(dnc.size()), name}, 1)["status"], 234);
    EXPECT_EQ(RunJson({"--size", "0", "to-dnc", name}, 1)["status_name"], "ERROR_INVALID_PARAMETER");
    EXPECT_EQ(RunJson({"--size", "1048576", "to-dnc", name})["dnc"], dnc);
    EXPECT_EQ(Run({"--size", "10", "to-dnc", name}).err,
              "quorvel: to-dnc " + name + ": ERROR_MORE_DATA (234): the DNC name needs " + needed + " bytes: --size " +
                  needed + "\n");
}

TEST_F(QuorvelProgram, StreamsNamesFromStandardInput) {
    constexpr int kLines = 3000;
    std::string input;
    Lines expected;
    for (int i = 0; i < kLines; ++i) {
        const std::string n = std::to_string(i);
        const bool bad = i % 3 == 2;
        input += (bad ? "X:\\missing\\" : "F:\\REPORTS\\") + n + (i % 7 == 0 ? "\r\n" : "\n");
        expected.push_back(bad ? "X:\\missing\\" + n + "\t!CONV_BAD_RES_NAME (61441)"
                               : "F:\\REPORTS\\" + n + "\t\\\\NW1\\DATA\\REPORTS\\" + n);
    }
    Result r = Run({"to-dnc", "-"}, input);
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(SplitLines(r.out), expected);

    const std::vector<Json> objects = JsonLines(Run({"--json", "to-dnc", "-"}, input).out);
    ASSERT_EQ(objects.size(), static_cast<std::size_t>(kLines));
    EXPECT_EQ(objects[2]["status_name"], "CONV_BAD_RES_NAME");
    EXPECT_EQ(objects[3]["dnc"], "\\\\NW1\\DATA\\REPORTS\\3");

    // Names from arguments and from standard input, in order; all good: 0.
    r = Run({"to-dnc", "G:\\a", "-", "P:\\c"}, "F:\\b\n");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "\\\\NW2\\PROJ\\a\nF:\\b\t\\\\NW1\\DATA\\b\n\\\\FS1\\PROJECTS\\c\n");
}

TEST_F(QuorvelProgram, ShellRunsLinesInOneProcess) {
    const std::string script =
        "# split-volume needs the server list that the line before builds\n"
        "servers\n"
        "split-volume NW1_DATA\n"
        "\n"
        "to-dnc \"H:\\Manuals 2026\\setup.pdf\"\n"
        "bogus-command\n"
        "to-dnc \"unterminated\n"
        "next-server -1\n"
        "to-dnc -\n"
        "shell\n"
        "volumes \\\\NW2\n"
        "   # the volume list of the line before\n"
        "volume-list\n";
    Result r = Run({"--json", "shell"}, script);
    EXPECT_EQ(r.exit, 2) << "a usage error is the worst result";
    const std::vector<Json> o = JsonLines(r.out);
    ASSERT_EQ(o.size(), 10u) << r.out;
    EXPECT_EQ(o[1]["server"], "\\\\NW1");
    EXPECT_EQ(o[1]["volume"], "DATA");
    EXPECT_EQ(o[2]["dnc"], "\\\\FS2\\PUBLIC\\Documentation Archive\\Manuals 2026\\setup.pdf");
    const Json usageCommands[] = {"bogus-command", nullptr, "next-server", "to-dnc", "shell"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(o[3 + i]["status_name"], "USAGE") << o[3 + i].dump();
        EXPECT_EQ(o[3 + i]["command"], usageCommands[i]);
    }
    EXPECT_EQ(o[9]["volumes"], Json::array({"\\\\NW2\\SYS", "\\\\NW2\\PROJ"}));

    r = Run({"shell"}, "to-dnc F:\\a\nnope\nto-dnc X:\\b\nto-dnc G:\\c\n");
    EXPECT_EQ(r.exit, 2);
    EXPECT_EQ(r.out, "\\\\NW1\\DATA\\a\n\\\\NW2\\PROJ\\c\n");
    const Lines errors = SplitLines(r.err);
    ASSERT_EQ(errors.size(), 2u) << r.err;
    EXPECT_NE(errors[0].find("'nope'"), std::string::npos);
    EXPECT_EQ(errors[1], "quorvel: to-dnc X:\\b: CONV_BAD_RES_NAME (61441)");

    r = Run({"shell"}, "to-dnc F:\\a\r\n\r\nto-dnc X:\\b");
    EXPECT_EQ(r.exit, 1) << "without a usage error the worst is a failed operation";

    // help lists the commands, help COMMAND gives its arguments, exit ends the
    // shell; no prompt when standard input is no terminal.
    r = Run({"shell"}, "help\nhelp next-server\nserver-count\nexit\nserver-count\n");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("In the shell, help lists the commands and exit ends it."), std::string::npos);
    EXPECT_NE(r.out.find("quorvel next-server"), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "5\n");
    EXPECT_EQ(r.out.find("5\n5\n"), std::string::npos) << "nothing after exit";
}

TEST_F(QuorvelProgram, HostileInputDoesNotCrash) {
    const char nul[] = "to-dnc F:\\\0x\n";  // a NUL inside a word
    std::string junk = "\"\"\"\n#\n\xFF\xFE to-dnc\nto-dnc " + std::string(100000, 'A') + "\n" +
                       std::string(nul, sizeof nul - 1) + "map-entry \\\\NW1\\DATA 99999999999999999999\n" +
                       "to-dnc \\\\" + std::string(5000, '\\') + "\nto-dnc F:" + std::string(3000, 'x') +
                       "\nsplit-volume " + std::string(2000, '_') + "\nserver-of " + std::string(4000, 'S') +
                       "\nfrom-dnc \\\\NW1\\" + std::string(1000, 'D') + "\n";
    const Result r = Run({"--json", "shell"}, junk);
    EXPECT_EQ(r.exit, 2) << r.err;
    EXPECT_EQ(JsonLines(r.out).size(), 10u);

}

// Names that cannot reach the library as they were given fail one by one
// with a clear error (the batch goes on); others are converted with a warning.
TEST_F(QuorvelProgram, NamesTheLibraryCannotTakeAsGiven) {
    const std::string x(70000, 'x');
    const std::string a300(300, 'a');
    struct Row {
        Args args;
        std::string input;
        int exit;
        std::string out;
        std::string err;  // a part of standard error
    };
    const Row rows[] = {
        {{"to-dnc", "F:\\\xE6\x97\xA5\xE6\x9C\xAC\\x.txt", "F:\\a"}, "", 1, "\\\\NW1\\DATA\\a\n",
         "ERROR_NO_UNICODE_TRANSLATION (1113): '\xE6\x97\xA5' (U+65E5, at byte 3) is not in code page 1252"},
        {{"to-dnc", "-"}, "F:\\caf\xC3\xA9\xFF\nF:\\b\n", 1,
         "F:\\caf\xC3\xA9\xFF\t!ERROR_NO_UNICODE_TRANSLATION (1113): invalid UTF-8 (byte 0xFF at byte 8)\n"
         "F:\\b\t\\\\NW1\\DATA\\b\n", ""},
        {{"--json", "to-dnc", "-"}, std::string("F:\\a\0b.txt\n", 11), 1,
         R"j({"command":"to-dnc","status":123,"status_name":"ERROR_INVALID_NAME","input":"F:\\a\u0000b.txt",)j"
         R"j("dnc":null,"message":"the name holds a NUL byte (at byte 4)"})j" "\n", ""},
        {{"to-dnc", "-"}, "\n\r\nF:\\a\n\n", 0, "\n\nF:\\a\t\\\\NW1\\DATA\\a\n\n", ""},
        {{"--json", "to-dnc", "-"}, "\n", 0, R"({"command":"to-dnc","status":0,"status_name":"OK","input":"","dnc":""})" "\n", ""},
        {{"to-dnc", "-"}, x + "\nF:\\a\n", 1,
         x.substr(0, 65536) + "\t!ERROR_FILENAME_EXCED_RANGE (206): line longer than 65536 bytes\n"
         "F:\\a\t\\\\NW1\\DATA\\a\n", ""},
        {{"to-dnc", "--size", "4096", "F:\\" + a300}, "", 0, "\\\\NW1\\DATA\\" + a300 + "\n",
         "the name has 303 bytes; the library reads at most 259 of them"},
        {{"--jsn", "servers"}, "", 2, "", "unknown option '--jsn'"},
    };
    for (const Row& row : rows) {
        const Result r = Run(row.args, row.input);
        const std::string shown = row.args.back().substr(0, 40) + " " + row.input.substr(0, 40);
        EXPECT_EQ(r.exit, row.exit) << shown << ": " << r.err;
        EXPECT_EQ(r.out, row.out) << shown;
        EXPECT_NE(r.err.find(row.err), std::string::npos) << shown << ": " << r.err;
    }
}

// ---- other workstations -----------------------------------------------------

TEST_F(QuorvelProgram, WorkstationCommandAndBrokenFiles) {
    std::string expected = qvsim::DefaultWorkstationJson();
    if (expected.back() != '\n') expected += '\n';
    EXPECT_EQ(Run({"workstation"}).out, expected);
    EXPECT_EQ(RunJson({"workstation"}), Json::parse(qvsim::DefaultWorkstationJson()));

    Write("small.json", R"({"computer_name": "WS9"})");
    const Json normalised = Json::parse(Run({"workstation", "small.json"}).out, nullptr, false);
    EXPECT_EQ(normalised.value("computer_name", ""), "WS9");
    EXPECT_TRUE(normalised.contains("network")) << "every member spelled out";

    const fs::path typo = Write("typo.json", R"({"network": [{"remote": "\\\\S", "display": "sever"}]})");
    const std::vector<std::pair<Args, Env>> runs = {
        {{"workstation", "typo.json"}, {}},
        {{"--workstation", "typo.json", "servers"}, {}},
        {{"servers"}, {{"QUORVEL_WORKSTATION", typo.string()}}},
    };
    for (const auto& [args, env] : runs) {
        const Result r = Run(args, "", env);
        EXPECT_EQ(r.exit, 2) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
        EXPECT_NE(r.err.find("network[0].display"), std::string::npos) << args[0] << ": " << r.err;
    }
    const Result missing = Run({"--workstation", "does-not-exist.json", "servers"});
    EXPECT_EQ(missing.exit, 2);
    EXPECT_NE(missing.err.find("does-not-exist.json"), std::string::npos) << missing.err;
}

// A small Microsoft network whose names need the code page, with the trace
// switched on into a file of the test's folder.
std::string SmallWorkstation(const fs::path& traceFile) {
    const std::string ini = "[Settings]\r\ntrace_flag=1\r\ntracepath=" + traceFile.string() +
                            "\r\nprim_level=c0000001\r\nsec_level_low=f\r\n";
    return R"({
  "code_page": 1252,
  "providers": { "lanman": "Microsoft Windows Network" },
  "network": [
    { "remote": "Microsoft Windows Network", "display": "network", "provider": "Microsoft Windows Network",
      "children": [ { "remote": "WERK", "display": "domain", "children": [
        { "remote": "\\\\M\u00dcNCHEN", "display": "server",
          "children": [ { "remote": "\\\\M\u00dcNCHEN\\DATEN", "display": "share" } ] } ] } ] } ],
  "connections": [
    { "local": "K:", "remote": "\\\\M\u00dcNCHEN\\DATEN", "provider": "Microsoft Windows Network" } ],
  "profiles": { "Zx_TraQV.ini": )" +
           Json(ini).dump() + " }\n}\n";
}

TEST_F(QuorvelProgram, WorkstationOptionActsLikeTheVariable) {
    const fs::path trace = dir_ / "trace.out";
    const fs::path file = Write("ws.json", SmallWorkstation(trace));

    const Result byVariable = Run({"--json", "servers"}, "", {{"QUORVEL_WORKSTATION", file.string()}});
    EXPECT_EQ(byVariable.exit, 0) << byVariable.err;
    EXPECT_EQ(JsonLines(byVariable.out).at(0)["servers"], Json::array({"\\\\M\xC3\x9CNCHEN"}));
    EXPECT_TRUE(fs::exists(trace)) << "the variable puts the trace INI in force at load";
    fs::remove(trace);

    // A relative name, and a variable naming another (broken) file: the option wins.
    Write("broken.json", "[]");
    const Result byOption = Run({"--workstation", "ws.json", "--json", "servers"}, "",
                                {{"QUORVEL_WORKSTATION", (dir_ / "broken.json").string()}});
    EXPECT_EQ(byOption.exit, 0) << byOption.err;
    EXPECT_EQ(byOption.out, byVariable.out);
    ASSERT_TRUE(fs::exists(trace)) << "the option puts the trace INI in force at load";
    EXPECT_GT(fs::file_size(trace), 0u);
    fs::remove(trace);

    EXPECT_NE(Run({"--json", "servers"}).out, byVariable.out);
    EXPECT_FALSE(fs::exists(trace));
}

TEST_F(QuorvelProgram, TextCrossesTheCodePage) {
    Write("ws.json", SmallWorkstation(dir_ / "trace.out"));
    const Env env{{"QUORVEL_WORKSTATION", (dir_ / "ws.json").string()}};
    const Result r = Run({"to-dnc", "K:\\B\xC3\xBC" "cher\\\xE2\x82\xAC.txt"}, "", env);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "\\\\M\xC3\x9CNCHEN\\DATEN\\B\xC3\xBC" "cher\\\xE2\x82\xAC.txt\n");
    // A character that code page 1252 lacks is refused, not turned into '?'.
    const Json j = RunJson({"to-dnc", "K:\\\xCE\xA9"}, 1, env);
    EXPECT_EQ(j["input"], "K:\\\xCE\xA9");
    EXPECT_EQ(j["status_name"], "ERROR_NO_UNICODE_TRANSLATION");
    EXPECT_EQ(RunJson({"from-dnc", "\\\\m\xC3\xBCnchen\\daten\\x"}, 0, env)["maps"], Json::array({"K:\\x"}));
}

}  // namespace
