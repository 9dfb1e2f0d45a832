// What only the class interface shows: the caller's buffers (sizes handed
// back, terminations, bytes never written), the caller's record fields and
// the map list. Everything else of the operations runs through the quorvel
// command on the case files of tests/cases.
#include <cstring>
#include <string>
#include <vector>

#include "LibraryFixture.h"

class BufferProtocol : public LibraryFixture {};

TEST_F(BufferProtocol, OutputBuffers) {
    UseWorkstation(qvtest::NtWithBothProviders({qvtest::Top(qvtest::kNetWare, {qvtest::Node("\\\\NW1", "server")})}));
    char buf[300];
    std::memset(buf, '#', sizeof buf);
    DWORD size = 5;  // too small: the size needed comes back, the buffer stays empty
    EXPECT_EQ(CNetResConvert::ConvRes2DNC("\\\\NW1\\DATA\\x", buf, size), DWORD(ERROR_MORE_DATA));
    EXPECT_EQ(size, 13u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[5], '#');
    EXPECT_EQ(CNetResConvert::ConvRes2DNC("\\\\NW1\\DATA\\x", nullptr, size), DWORD(ERROR_INVALID_PARAMETER));
    DWORD zero = 0, keep = 1234;
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(CNetResConvert::ConvRes2DNC("\\\\NW1\\DATA\\x", buf, zero), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(A::ConvName2DNC(nullptr, nullptr, keep), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(keep, 1234u);
    EXPECT_EQ(buf[0], '#');
    EXPECT_EQ(A::ConvName2DNC("\\\\A", buf, keep), DWORD(CONV_BAD_RES_NAME));  // refused: emptied, one byte
    EXPECT_EQ(std::string(buf, 2), std::string("\0#", 2));

    // 259 bytes fit with their terminator; byte 260 is never written.
    const std::string longest = "\\\\FS1\\PROJECTS\\" + std::string(244, 'd');
    std::vector<std::string> maps = {"stale"};
    EXPECT_EQ(CNetResConvert::ConvDNC2UNC(longest.c_str(), buf, maps), 0u);
    EXPECT_EQ(buf, longest);
    EXPECT_EQ(buf[260], '#');
    EXPECT_TRUE(maps.empty());
    EXPECT_EQ(CNetResConvert::ConvDNC2UNC("\\\\FS1\\X", nullptr, maps), DWORD(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(CNetResConvert::ConvDNCtoUNC("\\\\FS1\\X", nullptr), DWORD(ERROR_INVALID_ADDRESS));
    std::string server = "\\\\" + std::string(300, 'S');
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(CNetResConvert::GetServerFromDNC(server.data(), buf), 0u);
    EXPECT_EQ(std::strlen(buf), 259u);
    EXPECT_EQ(buf[260], '#');

    // The element is split into the caller's buffers and left as it was.
    CNetResConvert::GetServerCount();
    char element[] = "NW1_SYS", srv[260], vol[260];
    EXPECT_EQ(CNetResConvert::ExtractServerVolume(element, srv, vol), 0u);
    EXPECT_STREQ(element, "NW1_SYS");
    EXPECT_EQ(CNetResConvert::ExtractServerVolume(element, srv, nullptr), DWORD(ERROR_INVALID_ADDRESS));
}

// Answers of private operations that no public one hands on.
TEST_F(BufferProtocol, PrivateOperationsGuardTheirInputs) {
    nlohmann::json ws = qvtest::NtWithBothProviders(nlohmann::json::array());
    ws["registry"]["HKEY_LOCAL_MACHINE\\Software\\Talmoro\\Components\\C0000318\\Versions\\1.0\\AdditionalInfos\\Quorvel100"]["LongNames"] = 1;
    UseWorkstation(ws);
    EXPECT_EQ(A::GetZentrixModi(), 0u);
    EXPECT_EQ(A::ConvTypeNDSMitPunkten(nullptr, std::string(260, '#').data()), DWORD(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(A::ConvTypeUNC(nullptr, std::string(260, '#').data()), DWORD(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(A::ConvTypeUNC("\\\\SERVERX", std::string(260, '#').data()), DWORD(CONV_BAD_NAME_FORMAT));
    _Provider unavailable{};  // its chains are left alone
    EXPECT_EQ(A::ClearNetInfo(&unavailable), 0u);
    EXPECT_EQ(A::ClearNetInfo(nullptr), 0u);
    A::ObjFound() = 1;  // the object was found: the scan stops at once
    EXPECT_EQ(A::NetScan("\\\\X"), 0u);
    // A buffer of no bytes is not written, and a path longer than the work
    // buffer is not handed to the file system.
    char untouched[1] = {'#'};
    DWORD zero = 0;
    A::ConvName2DNC("\\\\NW1\\SYS\\x", untouched, zero);
    EXPECT_EQ(untouched[0], '#');
    char longForm[260], shortForm[260];
    const std::string tooLong = "\\\\S\\V\\" + std::string(255, 'L');  // 261 bytes
    EXPECT_EQ(A::GetLongAndShortDNCName(tooLong.c_str(), longForm, shortForm), DWORD(CONV_NAME_TOO_LONG));
    // A component as long as the work buffer (261 bytes) is refused before it is copied.
    const std::string longComponent = "\\\\S\\V\\" + std::string(261, 'C');
    EXPECT_EQ(A::GetLongAndShortDNCName(longComponent.c_str(), longForm, shortForm), DWORD(CONV_NAME_TOO_LONG));
    EXPECT_STREQ(longForm, "");
    // A name without a volume is copied as it is, cut to the 260 bytes of
    // each buffer.
    char wide[2][300];
    std::memset(wide, 'X', sizeof wide);
    const std::string noVolume = "\\\\" + std::string(290, 'S');
    EXPECT_EQ(A::GetLongAndShortDNCName(noVolume.c_str(), wide[0], wide[1]), 0u);
    for (const char* out : wide) {
        EXPECT_EQ(std::string(out), noVolume.substr(0, 259));
        EXPECT_EQ(std::string(out + 260, 40), std::string(40, 'X')) << "written past the 260 bytes";
    }
}

// MOUNT_T, an exported class of its own: its copies carry all four fields.
TEST_F(BufferProtocol, MountRecordsCopy) {
    MOUNT_T drive;
    EXPECT_EQ(drive.dwNetType, DWORD(NET_TYPE_UNSUPPORTED));
    drive.dwNetType = WNNC_NET_NETWARE;
    drive.LocalName = "F:";
    drive.RemoteName = "\\\\NW1\\DATA";
    drive.DNCName = "\\\\NW1\\DATA";
    const MOUNT_T copy(drive);
    MOUNT_T assigned;
    assigned = drive;
    for (const MOUNT_T* m : {&copy, static_cast<const MOUNT_T*>(&assigned)}) {
        EXPECT_EQ(m->dwNetType, DWORD(WNNC_NET_NETWARE));
        EXPECT_EQ(m->LocalName + m->RemoteName + m->DNCName, "F:\\\\NW1\\DATA\\\\NW1\\DATA");
    }
}

TEST_F(BufferProtocol, RecordsAndMapList) {
    UseWorkstation(qvtest::NtWithBothProviders(
        {qvtest::Top(qvtest::kNetWare, {qvtest::Node("\\\\NW1", "server", {qvtest::Node("\\\\NW1\\SYS", "share")})})}));
    char local[] = "X:";
    NETRESOURCEA first = {9, 9, 9, 77, local, nullptr, local, nullptr};
    ASSERT_EQ(CNetResConvert::GetFirstServer(&first), 0u);
    EXPECT_STREQ(first.lpRemoteName, "\\\\NW1");
    EXPECT_EQ(first.dwScope + first.dwType + first.dwDisplayType, DWORD(RESOURCE_GLOBALNET + RESOURCETYPE_DISK + RESOURCEDISPLAYTYPE_SERVER));
    EXPECT_EQ(first.dwUsage, 77u);  // the caller's fields stay
    EXPECT_TRUE(first.lpLocalName == local && first.lpComment == local);
    for (const char* name : {"\\\\NW1", "\\\\NOPE"}) {
        NETRESOURCEA server = {2, 1, 2, 7, nullptr, const_cast<char*>(name), nullptr, const_cast<char*>(qvtest::kNetWare)};
        CNetResConvert::EnumServerRes(&server);
        EXPECT_EQ(server.dwUsage, DWORD(RESOURCEUSAGE_CONNECTABLE)) << name;  // written back on failure too
    }

    // The map list is the caller's to fill; an entry is cut to the buffer.
    char out[261];
    NETRESOURCEA res{};
    A::MapList() = {"F:\\DATA", std::string(300, 'x')};
    EXPECT_EQ(CNetResConvert::GetMapEntry("\\\\N\\D", &res, 2, out), DWORD(CONV_IVALID_INDEX));
    EXPECT_EQ(CNetResConvert::GetMapEntry("\\\\N\\D", nullptr, 0, out), DWORD(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(CNetResConvert::GetMapEntry(nullptr, &res, 0, out), DWORD(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(CNetResConvert::GetMapEntry("\\\\N\\D", &res, 0, out), 0u);
    EXPECT_STREQ(out, "F:\\DATA");
    EXPECT_EQ(CNetResConvert::GetMapEntry("\\\\N\\D", &res, 1, out), 0u);
    EXPECT_EQ(std::strlen(out), 259u);
}
