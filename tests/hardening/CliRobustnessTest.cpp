// The quorvel command on broken and hostile workstation files and on
// malformed shell lines: a clear message and exit status 2, or a USAGE
// object in the shell, never a crash.
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "LibTest.h"

namespace {

struct Outcome {
    int exitCode = -1;  // -1: the program did not exit normally
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class CliRobustness : public LibTest {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        std::string path = TempDir() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Runs the tool with the arguments (already quoted for the shell) and
    // the given standard input.
    Outcome Quorvel(const std::string& args, const std::string& input = "") {
        const std::string in = Write("stdin.txt", input);
        const std::string out = TempDir() + "/stdout.txt";
        const std::string err = TempDir() + "/stderr.txt";
        const std::string cmd = std::string("env -u QUORVEL_WORKSTATION '") + QUORVEL_CLI_PATH +
                                "' " + args + " <'" + in + "' >'" + out + "' 2>'" + err + "'";
        int status = std::system(cmd.c_str());
        Outcome r;
        if (status != -1 && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
        r.out = ReadAll(out);
        r.err = ReadAll(err);
        return r;
    }
};

std::string Nested(int depth) {
    return "{\"network\": " + std::string(depth, '[') + std::string(depth, ']') + "}";
}

// A network node nested `depth` levels deep through "children".
std::string DeepChildren(int depth) {
    std::string s = "{\"network\": [";
    for (int i = 0; i < depth; ++i)
        s += "{\"remote\": \"N" + std::to_string(i) + "\", \"display\": \"domain\", \"children\": [";
    for (int i = 0; i < depth; ++i) s += "]}";
    return s + "]}";
}

TEST_F(CliRobustness, BrokenWorkstationFilesExitWithStatusTwoAndAMessage) {
    const struct {
        const char* label;
        std::string text;
    } kFiles[] = {
        {"not_json", "{ this is not json"},
        {"truncated", "{\"code_page\": 12"},
        {"array_top", "[1, 2, 3]"},
        {"wrong_type_code_page", "{\"code_page\": \"1252\"}"},
        {"unknown_code_page", "{\"code_page\": 1253}"},
        {"wrong_type_network", "{\"network\": {\"remote\": \"x\"}}"},
        {"wrong_type_node", "{\"network\": [42]}"},
        {"wrong_type_connection", "{\"connections\": [{\"local\": 5, \"remote\": \"\\\\\\\\A\\\\B\"}]}"},
        {"wrong_type_registry", "{\"registry\": {\"HKEY_LOCAL_MACHINE\\\\X\": [1]}}"},
        {"wrong_type_profile", "{\"profiles\": {\"ZTXDOM.INI\": 7}}"},
        {"negative_platform", "{\"os\": {\"platform_id\": -1, \"major\": 1e300}}"},
        {"unknown_member", "{\"computer_nmae\": \"WS\"}"},
        {"unknown_nested_member", "{\"os\": {\"platform\": 2}}"},
        {"unknown_display", "{\"network\": [{\"remote\": \"x\", \"display\": \"sever\"}]}"},
        {"invalid_utf8", "{\"computer_name\": \"W\xFF\xFE\"}"},
        {"nul_byte", std::string("{\"computer_name\": \"W\0S\"}", 24)},
        {"deep_arrays", Nested(100000)},
        {"empty_file", ""},
    };
    for (const auto& f : kFiles) {
        SCOPED_TRACE(f.label);
        const std::string path = Write(std::string(f.label) + ".json", f.text);
        Outcome r = Quorvel("--workstation '" + path + "' --json servers");
        EXPECT_EQ(2, r.exitCode) << r.err;
        EXPECT_NE(std::string::npos, r.err.find(std::string(f.label) + ".json")) << r.err;
        EXPECT_EQ("", r.out);
        // The check command refuses the same file in the same way.
        Outcome check = Quorvel("workstation '" + path + "'");
        EXPECT_EQ(2, check.exitCode) << check.err;
    }
}

TEST_F(CliRobustness, HugeButValidFilesWork) {
    const std::string huge(1 << 20, 'X');
    const struct {
        const char* label;
        std::string text;
        const char* args;
    } kFiles[] = {
        {"huge_computer_name", "{\"computer_name\": \"" + huge + "\"}", "--json server-count"},
        {"huge_remote", "{\"providers\": {\"lanman\": \"MS\"}, \"network\": [{\"remote\": \"MS\", \"display\": \"network\", \"provider\": \"MS\", \"children\": [{\"remote\": \"\\\\\\\\" + huge + "\", \"display\": \"server\"}]}]}", "--json server-count"},
        // The trace path is cut to its first 255 bytes: a file in drive C:.
        {"huge_profile", "{\"drives\": {\"C:\": \"drive_c\"}, \"profiles\": {\"Zx_TraQV.ini\": \"[Settings]\\r\\ntrace_flag=1\\r\\ntracepath=C:\\\\" + huge + "\"}}", "--json to-dnc F:\\\\x"},
        {"deep_children", DeepChildren(2000), "--json servers"},
    };
    std::filesystem::create_directories(TempDir() + "/drive_c");
    for (const auto& f : kFiles) {
        SCOPED_TRACE(f.label);
        const std::string path = Write(std::string(f.label) + ".json", f.text);
        Outcome r = Quorvel("--workstation '" + path + "' " + f.args);
        ASSERT_NE(-1, r.exitCode) << "crashed: " << r.err;
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1 || r.exitCode == 2) << r.exitCode;
        if (r.exitCode == 2) {
            EXPECT_FALSE(r.err.empty());
        } else {
            EXPECT_FALSE(nlohmann::json::parse(r.out, nullptr, false).is_discarded()) << r.out.substr(0, 200);
        }
    }
    // The huge trace path ended up as one file of a cut name inside drive C:.
    std::vector<std::string> traces;
    for (const auto& e : std::filesystem::directory_iterator(TempDir() + "/drive_c"))
        traces.push_back(e.path().filename().string());
    ASSERT_EQ(1u, traces.size());
    EXPECT_LT(traces[0].size(), 256u);
    EXPECT_EQ(std::string::npos, traces[0].find_first_not_of('X'));
}

TEST_F(CliRobustness, MalformedShellLinesAnswerUsageAndTheShellGoesOn) {
    const std::string longWord(100000, 'W');
    const std::vector<std::string> kUsageLines = {
        "no-such-command",
        "to-dnc \"unterminated",
        "type",
        "type a b c",
        "next-server abc",
        "next-server -1",
        "next-server 99999999999999999999999",
        "map-entry \\\\NW1\\DATA",
        "to-dnc --size -5 F:\\x",
        "to-dnc --size abc F:\\x",
        "to-dnc --size",
        "--json",
        "--workstation /nonexistent servers",
        "shell",
        "\"\"",
        "convert-mode 70000",
        longWord,  // beyond the shell's line limit
    };
    std::string input;
    for (const std::string& line : kUsageLines) input += line + "\n";
    input += "# a comment\n\n";
    input += "type \"\xFF\xFE\"\n";           // invalid UTF-8: an answer, not a crash
    input += "to-dnc \"" + std::string(60000, 'N') + "\"\n";  // a huge name within the line limit
    input += "server-count\n";

    Outcome r = Quorvel("--json shell", input);
    ASSERT_NE(-1, r.exitCode) << "crashed: " << r.err;
    EXPECT_NE(0, r.exitCode);

    std::vector<nlohmann::json> objects;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        auto j = nlohmann::json::parse(line, nullptr, false);
        ASSERT_FALSE(j.is_discarded()) << "not JSON: " << line.substr(0, 200);
        objects.push_back(j);
    }
    ASSERT_EQ(kUsageLines.size() + 3, objects.size()) << r.out.substr(0, 2000);
    for (std::size_t i = 0; i < kUsageLines.size(); ++i)
        EXPECT_EQ("USAGE", objects[i]["status_name"]) << kUsageLines[i].substr(0, 80);
    EXPECT_EQ("type", objects[kUsageLines.size()]["command"]);
    EXPECT_EQ("to-dnc", objects[kUsageLines.size() + 1]["command"]);
    // The state of the shell is intact: the same count as a fresh process.
    Outcome fresh = Quorvel("--json server-count");
    EXPECT_EQ(nlohmann::json::parse(fresh.out), objects.back());
}

TEST_F(CliRobustness, MalformedCommandLinesExitWithStatusTwo) {
    const std::vector<std::string> kArgs = {
        "", "--size", "--size x to-dnc F:\\\\x", "--workstation", "bogus", "to-unc",
        "next-server", "--json --json --json", "volumes", "to-dnc --size 0x10 F:\\\\a",
    };
    for (const std::string& args : kArgs) {
        Outcome r = Quorvel(args);
        EXPECT_EQ(2, r.exitCode) << "args: " << args << "\n" << r.err;
        EXPECT_FALSE(r.err.empty()) << args;
    }
}

// Conditions only a shell sets up: output that cannot be written, a reader
// that goes away while SIGPIPE is ignored, standard input as the workstation,
// a workstation that never ends, a terminal.
TEST_F(CliRobustness, ExitStatusAndMessagesUnderHostileStreams) {
    const std::string q = std::string("env -u QUORVEL_WORKSTATION '") + QUORVEL_CLI_PATH + "'";
    const std::string dir = TempDir();
    const std::string noProvider = Write(
        "no_provider.json", R"({"network": [{"remote": "N", "display": "network", "children": [{"remote": "\\\\S"}]}],)"
                            R"( "connections": [{"local": "F:", "remote": "\\\\S\\V"}]})");
    const struct {
        std::string command;
        int exit;
        std::string out;  // a part of standard output
        std::string err;  // a part of standard error
    } kRows[] = {
        {q + " servers >/dev/full", 1, "", "cannot write standard output: No space left on device"},
        {q + " workstation >&-", 1, "", "cannot write standard output: Bad file descriptor"},
        // The reader is gone after one line: the command ends although its input does not.
        {"trap '' PIPE; (yes 'F:\\a' | timeout 60 " + q + " to-dnc -; echo \"status $?\" >&2) | head -1", 0,
         "F:\\a\t\\\\NW1\\DATA\\a", "Broken pipe\nstatus 1"},
        {"cat '" + noProvider + "' | " + q + " --workstation /dev/stdin --json server-count", 0, "\"count\":0",
         "/dev/stdin: network[0]: no provider"},
        {q + " workstation '" + noProvider + "'", 0, "\"network\"", "connections[0]: no provider"},
        {"timeout 60 " + q + " --workstation /dev/zero servers", 2, "", "/dev/zero: description larger than"},
        // On a terminal: the progress line and the shell's prompt (script gives a terminal).
        {"printf 'F:\\\\a\\n' >'" + dir + "/one' && script -qec \"" + q + " --progress to-dnc - <'" + dir +
             "/one' >/dev/null\" /dev/null",
         0, "quorvel: 1 names, ", ""},
        {"script -qec \"echo exit | " + q + " shell\" /dev/null; echo | script -qec \"" + q + " shell\" /dev/null",
         0, "quorvel> ", ""},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.command);
        const int status = std::system(("(" + row.command + ") >'" + dir + "/out' 2>'" + dir + "/err'").c_str());
        ASSERT_TRUE(WIFEXITED(status));
        const std::string out = ReadAll(dir + "/out");
        const std::string err = ReadAll(dir + "/err");
        EXPECT_EQ(WEXITSTATUS(status), row.exit) << err;
        EXPECT_NE(out.find(row.out), std::string::npos) << out.substr(0, 300);
        EXPECT_NE(err.find(row.err), std::string::npos) << err;
    }
}

}  // namespace
