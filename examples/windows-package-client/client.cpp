// Calls every operation of CNetResConvert once and prints what it got, one
// line per call: "Operation(arguments) = status  results".
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <quorvel/NetResConvert.h>

namespace {

void PrintList(const char* what, const std::vector<std::string>& list) {
    std::printf("%s: %u", what, static_cast<unsigned>(list.size()));
    for (const std::string& item : list) std::printf(" [%s]", item.c_str());
    std::printf("\n");
}

void PrintRecord(const char* call, DWORD status, const NETRESOURCEA& res) {
    std::printf("%s = %lu", call, status);
    if (status == NO_ERROR)
        std::printf("  remote=%s provider=%s", res.lpRemoteName ? res.lpRemoteName : "(null)",
                    res.lpProvider ? res.lpProvider : "(null)");
    std::printf("\n");
}

}  // namespace

int main() {
    std::printf("BuildLists() = %lu\n", CNetResConvert::BuildLists());

    // The connected drives, copied into the program's own list.
    std::vector<MOUNT_T> mounts;
    for (const MOUNT_T& mount : CNetResConvert::GetMountList()) mounts.push_back(mount);
    MOUNT_T sample;
    sample.dwNetType = 0x00020000;
    sample.LocalName = "K:";
    sample.RemoteName = "\\\\SRV1\\VOL1";
    sample.DNCName = "\\\\SRV1\\VOL1";
    MOUNT_T copy(sample);
    MOUNT_T assigned;
    assigned = copy;
    mounts.push_back(assigned);
    std::printf("GetMountList(): %u\n", static_cast<unsigned>(CNetResConvert::GetMountList().size()));
    for (const MOUNT_T& mount : mounts)
        std::printf("  mount %s %s %s %08lx\n", mount.LocalName.c_str(), mount.RemoteName.c_str(),
                    mount.DNCName.c_str(), mount.dwNetType);

    const WORD mode = CNetResConvert::GetConvertMode();
    CNetResConvert::SetConvertMode(1);
    std::printf("GetConvertMode() = %u, after SetConvertMode(1) = %u\n", mode,
                CNetResConvert::GetConvertMode());
    CNetResConvert::SetConvertMode(mode);

    DWORD type = 0;
    DWORD status = CNetResConvert::GetResNameType("\\\\SRV1\\VOL1\\dir", type);
    std::printf("GetResNameType(\\\\SRV1\\VOL1\\dir) = %lu  type=%lu\n", status, type);

    char dnc[MAX_PATH] = {};
    DWORD size = sizeof dnc;
    status = CNetResConvert::ConvRes2DNC("\\\\SRV1\\VOL1\\dir\\file.txt", dnc, size);
    std::printf("ConvRes2DNC(\\\\SRV1\\VOL1\\dir\\file.txt) = %lu  dnc=%s\n", status, status ? "" : dnc);

    char unc[MAX_PATH] = {};
    status = CNetResConvert::ConvDNCtoUNC("\\\\SRV1\\VOL1\\dir", unc);
    std::printf("ConvDNCtoUNC(\\\\SRV1\\VOL1\\dir) = %lu  unc=%s\n", status, status ? "" : unc);

    std::vector<std::string> maps;
    status = CNetResConvert::ConvDNC2UNC("\\\\SRV1\\VOL1\\dir", unc, maps);
    std::printf("ConvDNC2UNC(\\\\SRV1\\VOL1\\dir) = %lu  unc=%s\n", status, status ? "" : unc);
    PrintList("  maps", maps);
    status = CNetResConvert::ConvDNCtoMAP("\\\\SRV1\\VOL1\\dir", maps);
    std::printf("ConvDNCtoMAP(\\\\SRV1\\VOL1\\dir) = %lu\n", status);
    PrintList("  maps", maps);

    NETRESOURCEA res{};
    char map[MAX_PATH] = {};
    status = CNetResConvert::GetMapEntry("\\\\SRV1\\VOL1\\dir", &res, 0, map);
    std::printf("GetMapEntry(\\\\SRV1\\VOL1\\dir, 0) = %lu  map=%s\n", status, status ? "" : map);

    PrintList("GetServerList()", CNetResConvert::GetServerList());
    std::printf("GetServerCount() = %lu\n", CNetResConvert::GetServerCount());
    PrintRecord("GetFirstServer()", CNetResConvert::GetFirstServer(&res), res);
    PrintRecord("GetNextServer(0)", CNetResConvert::GetNextServer(0, &res), res);
    PrintRecord("GetServerInfo(0)", CNetResConvert::GetServerInfo(0, &res), res);

    char server[] = "\\\\SRV1";
    NETRESOURCEA container{};
    container.dwScope = RESOURCE_GLOBALNET;
    container.dwType = RESOURCETYPE_DISK;
    container.dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
    container.lpRemoteName = server;
    std::printf("EnumServerRes(\\\\SRV1) = %lu\n", CNetResConvert::EnumServerRes(&container));
    PrintList("GetVolumeList()", CNetResConvert::GetVolumeList());

    char element[] = "SRV1_VOL1";
    char serverPart[MAX_PATH] = {}, volumePart[MAX_PATH] = {};
    status = CNetResConvert::ExtractServerVolume(element, serverPart, volumePart);
    std::printf("ExtractServerVolume(SRV1_VOL1) = %lu  server=%s volume=%s\n", status, serverPart, volumePart);

    char dncName[] = "\\\\SRV1\\VOL1\\dir";
    status = CNetResConvert::GetServerFromDNC(dncName, serverPart);
    std::printf("GetServerFromDNC(\\\\SRV1\\VOL1\\dir) = %lu  server=%s\n", status, status ? "" : serverPart);

    std::printf("ClearLists() = %lu\n", CNetResConvert::ClearLists());
    return 0;
}
