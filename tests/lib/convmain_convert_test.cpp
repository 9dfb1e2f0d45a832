// The mount list and the conversions over it: resource names to DNC names
// (ConvRes2DNC, GetResNameType) and DNC names back to UNC and mapped-drive
// paths (ConvDNCtoUNC, ConvDNC2UNC, ConvDNCtoMAP).
#include <cstring>
#include <string>
#include <vector>

#include "LibTest.h"

using nlohmann::json;

namespace {

using Paths = std::vector<std::string>;

// NT, vendor's NetWare client, long and short names on. Four incomplete or
// unsupported connections first; then F:, G: on NetWare volumes, N: whose
// universal name names a server the network does not know, P: and R: on one
// Microsoft share, Q: below it, H: and I: in a directory with a long name
// (short DOCUME~1), and X:, whose name cannot be converted at all.
json ConvertWorkstation() {
    using qvtest::Node;
    json ws = qvtest::NtWithBothProviders(
        {qvtest::Top(qvtest::kNetWare, {Node("\\\\NW1", "server"), Node("\\\\NW2", "server")}),
         qvtest::Top(qvtest::kMsNet, {Node("SALES", "domain", {Node("\\\\FS1", "server"), Node("\\\\FS2", "server")})})});
    ws.update(json::parse(R"({
      "connections": [
        {"local": null, "remote": "\\\\NW1\\DATA", "provider": null},
        {"local": "K:", "remote": null, "provider": null},
        {"local": "L:", "remote": null, "provider": "Microsoft Windows Network"},
        {"local": "M:", "remote": "\\\\X\\Y", "provider": "Family Network"},
        {"local": "F:", "remote": "\\\\NW1\\DATA", "provider": "NetWare Services"},
        {"local": "G:", "remote": "\\\\NW2\\PROJ", "provider": "NetWare Services"},
        {"local": "N:", "remote": "\\\\NW1\\SYS", "provider": "NetWare Services", "universal": "\\\\NW9\\VOL"},
        {"local": "P:", "remote": "\\\\FS1\\PROJECTS", "provider": "Microsoft Windows Network", "universal": "\\\\ELSE\\WHERE"},
        {"local": "Q:", "remote": "\\\\FS1\\PROJECTS\\2026", "provider": "Microsoft Windows Network"},
        {"local": "R:", "remote": "\\\\FS1\\PROJECTS", "provider": "Microsoft Windows Network"},
        {"local": "H:", "remote": "\\\\FS2\\PUBLIC\\Documentation Archive", "provider": "Microsoft Windows Network"},
        {"local": "X:", "remote": "\\\\GONE\\VOL", "provider": "NetWare Services", "universal": {"error": 59}},
        {"local": "I:", "remote": "\\\\FS2\\PUBLIC\\Documentation Archive", "provider": "Microsoft Windows Network"}],
      "registry": {"HKEY_LOCAL_MACHINE\\Software\\Talmoro\\Components\\C0000318\\Versions\\1.0\\AdditionalInfos\\Quorvel100":
                   {"LongNames": 1}},
      "files": {"\\\\FS2\\PUBLIC": {"Documentation Archive": {"short": "DOCUME~1", "children": {}}}}
    })"));
    return ws;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

}  // namespace

class ConvmainConvert : public LibTest {
protected:
    void SetUp() override {
        LibTest::SetUp();
        UseWorkstation(ConvertWorkstation());
    }
    // ConvRes2DNC into a buffer of the given size.
    static DWORD ToDnc(const char* name, std::string& dnc, DWORD& size) {
        std::vector<char> buf(size + 1, '#');
        DWORD ret = CNetResConvert::ConvRes2DNC(name, buf.data(), size);
        dnc.assign(buf.data(), ::strnlen(buf.data(), buf.size()));
        return ret;
    }
};

// Enumeration order and skip rules; each drive's DNC name from its source;
// the conversion of X: starts the first server scan (which clears the lists)
// in mid-build, yet no entry is lost and every slot stays with its entry;
// I: behind the failed X: still counts as resolved.
TEST_F(ConvmainConvert, MountListBuild) {
    UseWorkstationWithTrace(ConvertWorkstation());
    const std::vector<MOUNT_T>& list = CNetResConvert::GetMountList();
    const char* const expected[][2] = {
        {"F:", "\\\\NW1\\DATA"}, {"G:", "\\\\NW2\\PROJ"}, {"N:", "\\\\NW9\\VOL"}, {"P:", "\\\\FS1\\PROJECTS"},
        {"Q:", "\\\\FS1\\PROJECTS\\2026"}, {"R:", "\\\\FS1\\PROJECTS"}, {"H:", "\\\\FS2\\PUBLIC\\Documentation Archive"},
        {"X:", ""}, {"I:", "\\\\FS2\\PUBLIC\\Documentation Archive"}};
    ASSERT_EQ(list.size(), std::size(expected));
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].LocalName, expected[i][0]);
        EXPECT_EQ(list[i].DNCName, expected[i][1]) << i;
    }
    EXPECT_EQ(list[0].dwNetType, DWORD(WNNC_NET_NETWARE));
    EXPECT_EQ(list[3].dwNetType, DWORD(WNNC_NET_LANMAN));
    EXPECT_EQ(A::NetScanned(), 1);
    EXPECT_STREQ(A::KurzName()[6], "\\\\FS2\\PUBLIC\\DOCUME~1");
    EXPECT_STREQ(A::KurzName()[7], "");
    EXPECT_STREQ(A::KurzName()[8], "\\\\FS2\\PUBLIC\\DOCUME~1");
    EXPECT_EQ(CNetResConvert::GetMountList().size(), 9u);  // rebuilt, not doubled

    std::string records = TraceRecords();
    EXPECT_EQ(Count(records, "PARAM:LocalName==NULL, continue\r\n"), 2u);
    EXPECT_EQ(Count(records, "PARAM:Provider==NULL, continue\r\n"), 2u);
    EXPECT_EQ(Count(records, "PARAM:RemoteName==NULL, continue\r\n"), 2u);
    EXPECT_EQ(Count(records, "PARAM:__Map#=3, M:=\\\\X\\Y, NP=Family Network\r\n"), 2u);
    EXPECT_EQ(Count(records, "PARAM:Clear MountList: size=9\r\n"), 1u);
}

// 26 drives: all listed, 25 slots; the 26th, too large for the first
// buffer, comes in a batch of its own. Without long names the slots are empty.
TEST_F(ConvmainConvert, TwentySixDrives) {
    json ws = ConvertWorkstation();
    ws["connections"] = json::array();
    for (char c = 'A'; c <= 'Y'; ++c)
        ws["connections"].push_back({{"local", std::string(1, c) + ":"}, {"remote", std::string("\\\\FS2\\S") + c},
                                     {"provider", "Microsoft Windows Network"}});
    const std::string huge = "\\\\FS2\\" + std::string(16000, 'h');
    ws["connections"].push_back({{"local", "Z:"}, {"remote", huge}, {"provider", "Microsoft Windows Network"}});
    UseWorkstation(ws);
    ASSERT_EQ(CNetResConvert::GetMountList().size(), 26u);
    EXPECT_EQ(A::MountList()[25].DNCName, huge);
    EXPECT_STREQ(A::KurzName()[24], "\\\\FS2\\SY");

    A::ResetToLoadState();
    std::strcpy(A::KurzName()[3], "stale");
    ws.erase("registry");
    UseWorkstation(ws);
    ASSERT_EQ(CNetResConvert::GetMountList().size(), 26u);
    for (int i = 0; i < 25; ++i) EXPECT_STREQ(A::KurzName()[i], "") << i;
}

TEST_F(ConvmainConvert, ResourceNameType) {
    // An outcome above RES_TYPE_UNC is an error status that comes with type 0.
    const std::pair<const char*, DWORD> cases[] = {
        {nullptr, ERROR_INVALID_PARAMETER}, {"F", ERROR_INVALID_PARAMETER}, {"F:", RES_TYPE_MAP}, {"f:\\x", RES_TYPE_MAP},
        {"\\\\", RES_TYPE_UNC}, {"\\x\\y", CONV_BAD_RES_TYPE}, {"1:\\x", CONV_BAD_RES_TYPE}, {".SYS.Acme", CONV_BAD_RES_TYPE}};
    for (const auto& [name, outcome] : cases) {
        DWORD type = 99;
        DWORD ret = CNetResConvert::GetResNameType(name, type);
        EXPECT_EQ(ret, outcome > RES_TYPE_UNC ? outcome : 0u) << (name ? name : "NULL");
        EXPECT_EQ(type, outcome > RES_TYPE_UNC ? DWORD(RES_TYPE_UNKNOWN) : outcome);
    }
    EXPECT_EQ(A::Net().dwPlatformId, 0xFFFFFFFFu);  // builds nothing
}

// MAP paths on both networks, names that already are DNC names (long and
// short form; N:'s server is unknown, so only that path can accept it), the
// name conversion, and every failure status.
TEST_F(ConvmainConvert, ResourceNameToDnc) {
    struct Case {
        const char* name;
        DWORD ret;
        const char* dnc;
    };
    const Case cases[] = {
        {"f:\\dir\\file.txt", 0, "\\\\NW1\\DATA\\dir\\file.txt"},
        {"q:\\r.doc", 0, "\\\\FS1\\PROJECTS\\2026\\r.doc"},
        {"H:\\x", 0, "\\\\FS2\\PUBLIC\\Documentation Archive\\x"},
        {"F:dir", 0, "\\\\NW1\\DATAdir"},
        {"\\\\nw9\\vol\\a", 0, "\\\\nw9\\vol\\a"},
        {"\\\\fs2\\public\\DOCUME~1\\x", 0, "\\\\fs2\\public\\DOCUME~1\\x"},
        {"\\\\NW1/SYS/x", 0, "\\\\NW1\\SYS\\x"},
        {".SYS.Acme", CONV_BAD_RES_TYPE, ""},
        {"Y:\\x", CONV_BAD_RES_NAME, ""},
        {"X:\\x", CONV_BAD_MAP_PATH, ""},
        {"\\\\NOSUCH", CONV_BAD_NAME_FORMAT, ""},
    };
    for (const Case& c : cases) {
        std::string dnc;
        DWORD size = 260;
        EXPECT_EQ(ToDnc(c.name, dnc, size), c.ret) << c.name;
        EXPECT_EQ(dnc, c.dnc) << c.name;
        EXPECT_EQ(size, 260u);
    }
    std::string dnc;
    DWORD size = 260;
    EXPECT_NE(ToDnc("\\\\NW9\\VOLX\\a", dnc, size), 0u);  // only a prefix of N:'s name

    char buf[4] = "##";
    DWORD zero = 0;
    EXPECT_EQ(CNetResConvert::ConvRes2DNC(nullptr, buf, size), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CNetResConvert::ConvRes2DNC("F:\\x", buf, zero), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CNetResConvert::ConvRes2DNC("F:", buf, size), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CNetResConvert::ConvRes2DNC("F:\\x", nullptr, size), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_STREQ(buf, "##");
}

// Every path answers a result that does not fit, terminator included, with
// ERROR_MORE_DATA, the size needed, and an empty buffer.
TEST_F(ConvmainConvert, BufferSizeRuleOnEveryPath) {
    for (const char* name : {"G:\\x", "\\\\FS1\\PROJECTS\\Sub", "\\\\NW1\\SYS\\public"}) {
        const std::string expected = name[0] == 'G' ? "\\\\NW2\\PROJ\\x" : name;
        std::string dnc;
        DWORD size = static_cast<DWORD>(expected.size());
        EXPECT_EQ(ToDnc(name, dnc, size), DWORD(ERROR_MORE_DATA)) << name;
        EXPECT_EQ(size, expected.size() + 1);
        EXPECT_EQ(dnc, "");
        EXPECT_EQ(ToDnc(name, dnc, size), 0u);
        EXPECT_EQ(dnc, expected);
    }
}

// Every drive whose long or short DNC name leads the name up to a component
// boundary gives one path, in mount-list order; the UNC path is the name.
TEST_F(ConvmainConvert, DncToMappedDrives) {
    const std::pair<const char*, Paths> cases[] = {
        {"\\\\FS1\\PROJECTS", {"P:", "R:"}},
        {"\\\\FS1\\PROJECTS\\2026\\r.doc", {"P:\\2026\\r.doc", "Q:\\r.doc", "R:\\2026\\r.doc"}},
        {"\\\\fs1\\projects\\Sub\\X.txt", {"P:\\Sub\\X.txt", "R:\\Sub\\X.txt"}},
        {"\\\\FS1\\PROJECTSX\\a", {}},
        {"\\\\FS1\\PROJECTS\\2026x", {"P:\\2026x", "R:\\2026x"}},
        {"\\\\FS2\\PUBLIC\\DOCUME~1\\x", {"H:\\x", "I:\\x"}},
        {"\\\\FS2\\PUBLIC\\Documentation Archive", {"H:", "I:"}},
        {"\\\\FS2\\PUBLIC\\Other", {}},
        {"\\\\NW1\\DATA\\a", {"F:\\a"}},
    };
    for (const auto& [dnc, expected] : cases) {
        char unc[260];
        Paths maps = {"stale"};
        EXPECT_EQ(CNetResConvert::ConvDNC2UNC(dnc, unc, maps), 0u);
        EXPECT_EQ(maps, expected) << dnc;
        EXPECT_STREQ(unc, dnc);
        EXPECT_EQ(CNetResConvert::ConvDNCtoMAP(dnc, maps), 0u);
        EXPECT_EQ(maps, expected) << dnc;
    }
    // A path that would not fit 260 bytes is left out; P: still gives its own.
    json ws = ConvertWorkstation();
    ws["connections"] = {{{"local", std::string(20, 'L')}, {"remote", "\\\\FS1\\PROJECTS"}, {"provider", "Microsoft Windows Network"}},
                         {{"local", "P:"}, {"remote", "\\\\FS1\\PROJECTS"}, {"provider", "Microsoft Windows Network"}}};
    UseWorkstation(ws);
    CNetResConvert::GetMountList();
    const std::string rest = "\\" + std::string(244, 'd');
    Paths maps;
    EXPECT_EQ(CNetResConvert::ConvDNCtoMAP(("\\\\FS1\\PROJECTS" + rest).c_str(), maps), 0u);
    EXPECT_EQ(maps, Paths{"P:" + rest});
}

TEST_F(ConvmainConvert, DncFormatFailures) {
    const std::string longest = "\\\\FS1\\PROJECTS\\" + std::string(244, 'd');  // 259 bytes
    const std::string tooLong = longest + "d";
    const std::pair<const char*, DWORD> cases[] = {
        {nullptr, ERROR_INVALID_ADDRESS}, {"", CONV_BAD_NAME_FORMAT}, {"FS1\\PROJECTS", CONV_BAD_NAME_FORMAT},
        {"\\FS1\\PROJECTS", CONV_BAD_NAME_FORMAT}, {"\\\\FS1", CONV_BAD_NAME_FORMAT},
        {tooLong.c_str(), CONV_NAME_TOO_LONG}, {longest.c_str(), 0}};
    for (const auto& [dnc, ret] : cases) {
        const std::string expected = ret == 0 ? std::string(dnc) : std::string(260, '#');
        char unc[261];
        std::memset(unc, '#', sizeof unc);
        Paths maps = {"stale"};
        EXPECT_EQ(CNetResConvert::ConvDNC2UNC(dnc, unc, maps), ret);
        EXPECT_EQ(std::string(unc, ::strnlen(unc, 260)), expected);
        EXPECT_EQ(maps.empty(), ret != 0);
        std::memset(unc, '#', sizeof unc);
        EXPECT_EQ(CNetResConvert::ConvDNCtoUNC(dnc, unc), ret);
        EXPECT_EQ(std::string(unc, ::strnlen(unc, 260)), expected);
        EXPECT_EQ(unc[260], '#');
    }
    Paths maps;
    EXPECT_EQ(CNetResConvert::ConvDNC2UNC("\\\\FS1\\X", nullptr, maps), DWORD(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(CNetResConvert::ConvDNCtoUNC("\\\\FS1\\X", nullptr), DWORD(ERROR_INVALID_ADDRESS));
}

// The whole trace of one MAP conversion on a built mount list, and the lines
// of a DNC name that only shares a prefix with a drive.
TEST_F(ConvmainConvert, GoldenTraces) {
    UseWorkstationWithTrace(ConvertWorkstation());
    Paths maps;
    CNetResConvert::ConvDNCtoMAP("\\\\FS1\\PROJECTSX\\a", maps);
    std::string dnc;
    DWORD size = 260;
    ASSERT_EQ(ToDnc("g:\\x\\y.txt", dnc, size), 0u);
    std::string records = TraceRecords();
    EXPECT_EQ(Count(records, "   PARAM:ACHTUNG: DNCName+len=X\\a\r\n"), 2u);
    EXPECT_EQ(Count(records, "   PARAM:UNC=\\\\FS1\\PROJECTSX\\a, ML.size=0, Ret=0\r\n"), 1u);
    std::size_t pos = records.rfind("->CNetResConvert::ConvRes2DNC()");
    ASSERT_NE(pos, std::string::npos);
    EXPECT_EQ(records.substr(pos),
              "->CNetResConvert::ConvRes2DNC()\r\n"
              "   PARAM:Res=g:\\x\\y.txt, BufSize=260\r\n"
              "   ->CNetResConvert::GetResNameType()\r\n"
              "      PARAM:g:\\x\\y.txt is MAP, type=1\r\n"
              "   <- END METHODE\r\n"
              "   PARAM:Drive G:=\\\\NW2\\PROJ, dwNetType=196608\r\n"
              "   PARAM:OK, DNC=\\\\NW2\\PROJ\\x\\y.txt\r\n"
              "<- END METHODE\r\n");
}
