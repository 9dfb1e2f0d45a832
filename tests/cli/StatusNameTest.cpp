// Status names of the quorvel command: every code the headers define is
// named after its macro, so a code added there without a name shows up.
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "Output.h"

TEST(StatusName, EveryDefinedCodeAndUnknownOnes) {
    for (const auto& [header, prefix] : {std::pair{QUORVEL_WIN32_HEADER, "ERROR_"},
                                         std::pair{QUORVEL_PUBLIC_HEADER, "CONV_"}}) {
        std::stringstream text;
        text << std::ifstream(header).rdbuf();
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
    EXPECT_EQ(qvcli::StatusName(0xF00D), "61453");
    EXPECT_EQ(qvcli::StatusName(4294967295u), "4294967295");
}
