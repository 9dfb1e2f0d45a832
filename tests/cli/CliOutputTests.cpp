// Status names, output formats and exit status of the quorvel command.
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Output.h"

namespace {

using qvcli::Json;

// Every code the headers define is named after its macro, so a code added
// there without a name here shows up.
TEST(StatusName, EveryDefinedCodeAndUnknownOnes) {
    for (const auto& [header, prefix] : {std::pair{QUORVEL_WIN32_HEADER, "ERROR_"},
                                         std::pair{QUORVEL_PUBLIC_HEADER, "CONV_"}}) {
        std::ifstream in(header);
        std::stringstream text;
        text << in.rdbuf();
        const std::string content = text.str();
        const std::regex define("#define (" + std::string(prefix) + "[A-Z_]+) (0x[0-9A-Fa-f]+|[0-9]+)L?\\b");
        int seen = 0;
        for (std::sregex_iterator it(content.begin(), content.end(), define), end; it != end; ++it) {
            const auto code = static_cast<std::uint32_t>(std::stoul((*it)[2], nullptr, 0));
            if (code == 0) continue;
            EXPECT_EQ(qvcli::StatusName(code), (*it)[1].str());
            ++seen;
        }
        EXPECT_GT(seen, 10) << header;
    }
    EXPECT_EQ(qvcli::StatusName(0), "OK");
    EXPECT_EQ(qvcli::StatusName(0xF008), "CONV_IVALID_INDEX");
    EXPECT_EQ(qvcli::StatusName(0xF00D), "61453");
    EXPECT_EQ(qvcli::StatusName(4294967295u), "4294967295");
}

TEST(Outcome, TablesAlignByCharacters) {
    const qvcli::Outcome mounts = qvcli::MountsResult({
        {0x30000, "F:", "\\\\NW1\\DATA", "\\\\NW1\\DATA"},
        {0x20000, "H:", "\\\\FS2\\Dok\xC3\xBC", "\\\\FS2\\Dok\xC3\xBC"},
        {0x12345, "Z:", "\\\\Z\\Z", ""},
    });
    const std::string gap(2, ' ');
    EXPECT_EQ(mounts.lines,
              (std::vector<std::string>{
                  "LOCAL" + gap + "NET_TYPE" + std::string(4, ' ') + "REMOTE" + std::string(6, ' ') + "DNC",
                  "F:" + std::string(5, ' ') + "NETWARE" + std::string(5, ' ') + "\\\\NW1\\DATA" + gap +
                      "\\\\NW1\\DATA",
                  "H:" + std::string(5, ' ') + "LANMAN" + std::string(6, ' ') + "\\\\FS2\\Dok\xC3\xBC" + gap +
                      "\\\\FS2\\Dok\xC3\xBC",
                  // no blanks behind the last cell, also when it is empty
                  "Z:" + std::string(5, ' ') + "0x00012345" + gap + "\\\\Z\\Z"}));

    qvcli::Record record;
    record.remote = "\\\\NW2";
    const std::vector<std::string> lines = qvcli::RecordResult("first-server", std::nullopt, 0, record).lines;
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[4], "local:" + std::string(9, ' ') + "(null)");
    EXPECT_EQ(lines[5], "remote:" + std::string(8, ' ') + "\\\\NW2");
}

// A Reporter writing into memory.
struct Capture {
    char* outData = nullptr;
    char* errData = nullptr;
    std::size_t outSize = 0;
    std::size_t errSize = 0;
    std::FILE* out = open_memstream(&outData, &outSize);
    std::FILE* err = open_memstream(&errData, &errSize);
    ~Capture() {
        std::fclose(out);
        std::fclose(err);
        std::free(outData);
        std::free(errData);
    }
    std::string Out() { return std::fflush(out), std::string(outData, outSize); }
    std::string Err() { return std::fflush(err), std::string(errData, errSize); }
};

TEST(Reporter, JsonStaysValidAndTheWorstResultStands) {
    Capture cap;
    qvcli::Reporter reporter(true, cap.out, cap.err);
    reporter.Report(qvcli::ToDncResult("F:\\\xFF\xFE", 0xF001, "", 0, false));
    EXPECT_EQ(reporter.ExitStatus(), 1);
    reporter.Usage("to-dnc", "outside the shell: a message on standard error");
    EXPECT_EQ(reporter.ExitStatus(), 2);
    reporter.Report(qvcli::CountResult(5));
    EXPECT_EQ(reporter.ExitStatus(), 2);
    reporter.SetShell(true);
    reporter.Usage("fro\xC3", "unknown command 'fro\xC3'");
    reporter.Usage("", "unterminated double quote");

    reporter.Flush();
    std::vector<Json> objects;
    std::istringstream out(cap.Out());
    for (std::string line; std::getline(out, line);) {
        objects.push_back(Json::parse(line, nullptr, false));
        ASSERT_FALSE(objects.back().is_discarded()) << line;
    }
    ASSERT_EQ(objects.size(), 5u);
    EXPECT_EQ(objects[0]["input"], "F:\\\xEF\xBF\xBD\xEF\xBF\xBD");
    // Outside the shell a usage error is an object and a message on standard error.
    EXPECT_EQ(objects[1]["status_name"], "USAGE");
    EXPECT_EQ(objects[2]["count"], 5);
    EXPECT_EQ(objects[3].dump(-1, ' ', true),
              R"({"command":"fro\ufffd","status":null,"status_name":"USAGE",)"
              R"("message":"unknown command 'fro\ufffd'"})");
    EXPECT_TRUE(objects[4]["command"].is_null());
    EXPECT_EQ(cap.Err(), "quorvel: outside the shell: a message on standard error\n");
}

// The streamed line of a converted name is written without an Outcome; it
// must be the very bytes the Outcome would give, in both formats.
TEST(Reporter, StreamedLinesEqualTheirOutcomes) {
    const std::pair<std::string, std::string> rows[] = {
        {"F:\\a b\\c.txt", "\\\\NW1\\DATA\\a b\\c.txt"},
        {"F:\\\"q\"\\~", "\\\\S\\V\\\"q\"\\~"},
        {"F:\\tab\there\x7F", "\\\\S\\V\\tab\there\x7F"},
        {"F:\\B\xC3\xBC" "cher", "\\\\M\xC3\x9CNCHEN\\B\xC3\xBC" "cher"},
        {"F:\\\xFF", "\\\\S\\\xFF"},
    };
    for (bool json : {false, true}) {
        for (const auto& [input, dnc] : rows) {
            Capture fast;
            Capture slow;
            qvcli::Reporter(json, fast.out, fast.err).StreamedDnc(input, dnc);
            qvcli::Reporter(json, slow.out, slow.err).Report(qvcli::ToDncResult(input, 0, dnc, 0, true));
            EXPECT_NE(slow.Out().find("\n"), std::string::npos);
            EXPECT_EQ(fast.Out(), slow.Out()) << input;
        }
    }
}

}  // namespace
