// Argument handling and shell words of the quorvel command.
#include <cstdio>
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
        std::string line;
        bool cut = false;
        while (reader.Next(line, cut)) lines.emplace_back(line, cut);
        std::fclose(in);
        return lines;
    };
    EXPECT_EQ(read("a\r\nb\n\nc\rd", 100), (Lines{{"a", false}, {"b", false}, {"", false}, {"c\rd", false}}));
    EXPECT_EQ(read(std::string("x\0y\n", 4), 100), (Lines{{std::string("x\0y", 3), false}}));
    // Longer lines are cut, the rest skipped; a "\r\n" end does not count.
    EXPECT_EQ(read("12345\r\n123456\n1234567890\r\nab", 5),
              (Lines{{"12345", false}, {"12345", true}, {"12345", true}, {"ab", false}}));
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
