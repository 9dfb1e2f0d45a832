// Multibyte string helpers by code page, and the UTF-8 boundary.
#include "SimTest.h"

#include <thread>

namespace {

using nlohmann::json;

class Multibyte : public SimTest {
protected:
    void UseCodePage(unsigned cp) { Use({{"code_page", cp}}); }
    static std::ptrdiff_t At(const char* s, const char* hit) { return hit ? hit - s : -1; }
};

TEST_F(Multibyte, TrailBytesOfCodePage932AreNeverSeparators) {
    UseCodePage(932);
    // "\x83\x5C" and "\x81\x5F" are single characters whose trail bytes are '\\' and '_'.
    const char* s = "\x83\x5C\\dir\x81\x5F_x";
    EXPECT_EQ(At(s, w32::MbsChr(s, '\\')), 2);
    EXPECT_EQ(At(s, w32::MbsChr(s, '_')), 8);
    EXPECT_EQ(At(s, w32::MbsRChr(s, '\\')), 2);
    EXPECT_EQ(At(s, w32::MbsChr(s, 0x835C)), 0);
    EXPECT_EQ(At(s, w32::MbsChr(s, 0)), 10);
    EXPECT_EQ(At(s, w32::MbsRChr(s, 0)), 10);
    EXPECT_EQ(w32::MbsChr("\x83\x5C", '\\'), nullptr);
    EXPECT_EQ(w32::MbsRChr("a\x81\x5F", '_'), nullptr);
    // A substring that would begin at a trail byte is no match.
    EXPECT_EQ(w32::MbsStr("\x83\x5C" "abc", "\\abc"), nullptr);
    const char* h = "x\x83\x5C\\abc";
    EXPECT_EQ(At(h, w32::MbsStr(h, "\\abc")), 3);
    EXPECT_EQ(At(h, w32::MbsStr(h, "")), 0);

    const char* lone = "\x83";
    EXPECT_EQ(w32::MbsInc(s), s + 2);
    EXPECT_EQ(w32::MbsInc(s + 2), s + 3);
    EXPECT_EQ(w32::MbsInc(lone), lone + 1);  // a lead byte before the terminator counts as one character
    EXPECT_EQ(w32::MbsInc(lone + 1), lone + 1);
    EXPECT_TRUE(w32::IsLeadByte(0x81));
    EXPECT_TRUE(w32::IsLeadByte(0xFC));
    EXPECT_FALSE(w32::IsLeadByte(0xA0));
    EXPECT_FALSE(w32::IsLeadByte('\\'));
}

TEST_F(Multibyte, LeadByteRangesOfTheOtherCodePages) {
    for (unsigned cp : {936u, 949u, 950u}) {
        UseCodePage(cp);
        EXPECT_TRUE(w32::IsLeadByte(0xA0)) << cp;
        EXPECT_TRUE(w32::IsLeadByte(0xFE)) << cp;
        EXPECT_FALSE(w32::IsLeadByte(0x80)) << cp;
        EXPECT_FALSE(w32::IsLeadByte(0xFF)) << cp;
    }
    UseCodePage(1252);
    EXPECT_FALSE(w32::IsLeadByte(0x83));
    const char* s = "\x83\\";  // a plain byte in 1252: the backslash after it counts
    EXPECT_EQ(At(s, w32::MbsChr(s, '\\')), 1);
}

TEST_F(Multibyte, CaseFolding) {
    UseCodePage(1252);
    EXPECT_EQ(w32::MbsICmp("\xC4rger \xDC" "ber", "\xE4RGER \xFC" "BER"), 0);  // Latin-1 letters fold
    EXPECT_NE(w32::MbsICmp("\xD7", "\xF7"), 0);                                // multiplication and division signs do not
    EXPECT_LT(w32::MbsICmp("abc", "ABD"), 0);
    EXPECT_GT(w32::MbsICmp("abcd", "ABC"), 0);
    EXPECT_EQ(w32::MbsNBICmp("ABCdef", "abcXYZ", 3), 0);
    EXPECT_NE(w32::MbsNBICmp("ABCdef", "abcXYZ", 4), 0);
    EXPECT_EQ(w32::MbsNBICmp("ab", "AB", 10), 0);

    UseCodePage(932);
    EXPECT_EQ(w32::MbsICmp("\\\\srv\x83\x5C", "\\\\SRV\x83\x5C"), 0);
    EXPECT_NE(w32::MbsICmp("\x83\x41", "\x83\x61"), 0);  // trail bytes are not letters
    EXPECT_NE(w32::MbsICmp("\xC4", "\xE4"), 0);          // no Latin-1 folding outside 1252
    EXPECT_EQ(w32::MbsNBICmp("\x83\x5C", "\x83\x5D", 1), 0);
    EXPECT_NE(w32::MbsNBICmp("\x83\x5C", "\x83\x5D", 2), 0);
}

TEST_F(Multibyte, Utf8BoundaryAndConversionAtLoad) {
    UseCodePage(1252);
    EXPECT_EQ(qvsim::Utf8ToAnsi("Zus\xC3\xA4tzliche \xE2\x82\xAC \xE3\x82\xBD"), "Zus\xE4tzliche \x80 ?");
    EXPECT_EQ(qvsim::AnsiToUtf8("f\xFCr \x81"), "f\xC3\xBCr ?");
    EXPECT_EQ(qvsim::Utf8ToAnsi("bad \xFF byte"), "bad ? byte");

    Use({{"code_page", 932},
         {"computer_name", "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88"},  // "ソフト"
         {"providers", {{"lanman", "Netz \xC3\xA4"}}}});
    EXPECT_EQ(qvsim::CodePage(), 932u);
    char name[32];
    DWORD size = sizeof name;
    ASSERT_TRUE(w32::GetComputerNameA(name, &size));
    EXPECT_STREQ(name, "\x83\x5C\x83\x74\x83\x67");
    size = sizeof name;
    ASSERT_EQ(w32::WNetGetProviderNameA(WNNC_NET_LANMAN, name, &size), 0u);
    EXPECT_STREQ(name, "Netz ?");
    EXPECT_EQ(qvsim::AnsiToUtf8("\x83\x5C"), "\xE3\x82\xBD");
}

TEST_F(Multibyte, HelpersAndQueriesFromManyThreads) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 300; ++i) {
                char name[100];
                DWORD size = sizeof name;
                if (t == 0 && i % 50 == 0) qvsim::UseDefault();
                if (w32::WNetGetProviderNameA(WNNC_NET_NETWARE, name, &size) != 0 ||
                    std::string(name) != "NetWare Services")
                    ++failures[t];
                if (w32::MbsICmp("\\\\nw1", "\\\\NW1") != 0) ++failures[t];
                HANDLE h = nullptr;
                if (w32::WNetOpenEnumA(RESOURCE_CONNECTED, RESOURCETYPE_DISK, 0, nullptr, &h) != 0) ++failures[t];
                else w32::WNetCloseEnum(h);
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
