// Argument handling and shell words of the quorvel command.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Args.h"
#include "ShellWords.h"

namespace {

using Words = std::vector<std::string>;

TEST(ShellWords, BlanksQuotesCommentsAndErrors) {
    struct Case {
        const char* line;
        bool ok;
        Words words;
    };
    const Case cases[] = {
        {"  servers \t ", true, {"servers"}},
        {"to-dnc \"H:\\Manuals 2026\\x\" a\tb", true, {"to-dnc", "H:\\Manuals 2026\\x", "a", "b"}},
        // Backslashes are plain characters: trailing and doubled ones stay.
        {"to-unc \\\\NW1\\DATA\\ \\\\\\\\x", true, {"to-unc", "\\\\NW1\\DATA\\", "\\\\\\\\x"}},
        {"x ab\"c d\"e \"\" \"a\"\"b\"", true, {"x", "abc de", "", "ab"}},
        {"a # b", true, {"a", "#", "b"}},
        {"volumes \\\\FS1\r", true, {"volumes", "\\\\FS1"}},
        {"", true, {}},
        {"   \t", true, {}},
        {"   # comment", true, {}},
        {"to-dnc \"F:\\x", false, {}},
        {"a \"b\" \"c", false, {}},
    };
    for (const Case& c : cases) {
        const qvcli::ShellLine line = qvcli::SplitShellLine(c.line);
        EXPECT_EQ(line.ok, c.ok) << c.line;
        EXPECT_EQ(line.words, c.words) << c.line;
        EXPECT_EQ(line.error.empty(), c.ok) << c.line;
    }
}

TEST(LineReader, LineEndsAndLongLines) {
    using Lines = std::vector<std::pair<std::string, bool>>;
    auto read = [](std::string input, std::size_t max) {
        Lines lines;
        std::FILE* in = fmemopen(input.data(), input.size(), "r");
        if (!in) return lines;
        qvcli::LineReader reader(in, max);
        std::string_view line;
        bool cut = false;
        while (reader.Next(line, cut)) {
            EXPECT_EQ(line.data()[line.size()], '\0');
            lines.emplace_back(std::string(line), cut);
        }
        std::fclose(in);
        return lines;
    };
    EXPECT_EQ(read("a\r\nb\n\nc\rd", 100), (Lines{{"a", false}, {"b", false}, {"", false}, {"c\rd", false}}));
    EXPECT_EQ(read(std::string("x\0y\n", 4), 100), (Lines{{std::string("x\0y", 3), false}}));
    // Longer lines are cut, the rest skipped; a "\r\n" end does not count.
    EXPECT_EQ(read("12345\r\n123456\n1234567890\r\nab", 5),
              (Lines{{"12345", false}, {"12345", true}, {"12345", true}, {"ab", false}}));
    // Lines far longer than the limit and than a read block, and one ending the input.
    const std::string huge(200000, 'x');
    EXPECT_EQ(read(huge + "\n\nshort\n" + huge, 65536),
              (Lines{{huge.substr(0, 65536), true}, {"", false}, {"short", false}, {huge.substr(0, 65536), true}}));
}

// Before any library is loaded the global options are found by a scan of argv
// that must agree with the parser on --workstation and --json.
TEST(EarlyOptions, AgreeWithTheParser) {
    const std::vector<Words> rows = {
        {"--workstation", "w.json", "servers"},
        {"--workstation=w.json", "--json", "to-dnc", "-"},
        {"--json", "--size", "10", "--workstation", "w.json", "to-dnc", "x"},
        {"--size=7", "--progress", "--workstation", "a b.json", "servers"},
        {"servers", "--workstation", "w.json"},
        {"to-dnc", "--json", "x"},
        {"--", "--workstation", "w.json", "servers"},
        {"--workstation", "--json", "servers"},
        {"--workstation"},
        {"--bogus", "--workstation", "w.json", "servers"},
        {"--workstation=", "servers"},
        {"--workstation", "-", "servers"},
        {"-h", "--workstation", "w.json"},
        {"--json", "--jsn", "servers"},
        {"--workstation", "a.json", "--workstation", "b.json", "servers"},
        {"--size", "--workstation", "w.json", "servers"},
    };
    for (const Words& row : rows) {
        std::vector<const char*> argv{"quorvel"};
        for (const std::string& word : row) argv.push_back(word.c_str());
        const qvcli::EarlyOptions early = qvcli::ScanGlobalOptions(static_cast<int>(argv.size()), argv.data());
        std::optional<std::string> parsed;
        bool json = false;
        try {
            const qvcli::GlobalOptions options = qvcli::ParseGlobalOptions(static_cast<int>(argv.size()), argv.data());
            if (options.exitText) continue;  // --help: nothing runs
            parsed = options.workstation;
            json = options.json;
            EXPECT_EQ(early.json, json) << row.front();
        } catch (const qvcli::UsageError&) {
            // A line the parser refuses never runs: any early choice is harmless.
            continue;
        }
        EXPECT_EQ(early.workstation ? std::optional<std::string>(early.workstation) : std::nullopt, parsed)
            << row.front() << " " << row.back();
    }
}

TEST(Numbers, DecimalDigitsOnlyWithinTheLimit) {
    const std::tuple<const char*, std::uint32_t, std::optional<std::uint32_t>> cases[] = {
        {"007", UINT32_MAX, 7u},
        {"4294967295", UINT32_MAX, 4294967295u},
        {"4294967296", UINT32_MAX, std::nullopt},
        {"99999999999999999999999999", UINT32_MAX, std::nullopt},
        {"65536", UINT16_MAX, std::nullopt},
        {"-1", UINT32_MAX, std::nullopt},
        {"+1", UINT32_MAX, std::nullopt},
        {"", UINT32_MAX, std::nullopt},
        {" 1", UINT32_MAX, std::nullopt},
        {"0x10", UINT32_MAX, std::nullopt},
    };
    for (const auto& [text, max, value] : cases) EXPECT_EQ(qvcli::ParseUnsigned(text, max), value) << text;
}

TEST(ParseCommand, OperandsAndNumbers) {
    qvcli::Invocation inv = qvcli::ParseCommand({"to-dnc", "--size", "12", "F:\\a", "-"});
    EXPECT_EQ(inv.spec->id, qvcli::Cmd::ToDnc);
    EXPECT_EQ(inv.args, (Words{"F:\\a", "-"}));
    EXPECT_EQ(inv.size, 12u);

    inv = qvcli::ParseCommand({"map-entry", "\\\\NW1\\DATA", "4294967295"});
    EXPECT_EQ(inv.args, Words{"\\\\NW1\\DATA"});
    EXPECT_EQ(inv.index, 4294967295u);
    EXPECT_EQ(qvcli::ParseCommand({"volumes", "\\\\A", "P"}).args, (Words{"\\\\A", "P"}));
    EXPECT_FALSE(qvcli::ParseCommand({"convert-mode"}).mode);
    EXPECT_EQ(qvcli::ParseCommand({"convert-mode", "5"}).mode, 5u);

    // An operand spelled like a command stays an operand.
    inv = qvcli::ParseCommand({"type", "servers"});
    EXPECT_EQ(inv.spec->id, qvcli::Cmd::Type);
    EXPECT_EQ(inv.args, Words{"servers"});

    for (const qvcli::CommandSpec& spec : qvcli::CommandTable()) {
        const qvcli::Invocation help = qvcli::ParseCommand({spec.name, "--help"});
        ASSERT_TRUE(help.help) << spec.name;
        EXPECT_NE(help.help->find(std::string("quorvel ") + spec.name), std::string::npos);
    }
}

}  // namespace
