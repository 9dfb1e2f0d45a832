// White-box access for the tests: the private operations and static data of
// CNetResConvert, and a reset of the library's process-wide state to what it
// is right after the module was loaded. The library's header has no friend
// for this (LibraryAccess.cpp reaches the private members another way).
#pragma once

#include <string>
#include <vector>

#include <quorvel/NetResConvert.h>

namespace qvtest {

struct Library {
    // state; every reference handed out counts as a change of the lists
    static _Networks& Net();
    static int& UseGetUniv();
    static int& UseLongAndShortDir();
    static int& ObjFound();
    static int& NetScannedOnce();
    static std::vector<std::string>& ServerList();
    static std::vector<std::string>& VolumeList();
    static std::vector<std::string>& UseDomains();
    static std::vector<MOUNT_T>& MountList();
    static std::vector<std::string>& MapList();  // the list GetMapEntry reads

    // private operations
    static DWORD GetSysVersion(DWORD& id);
    static DWORD GetNetProv(_Networks& n);
    static DWORD GetMsServers(DWORD d);
    static DWORD ConvName2DNC(const char* n, char* dnc, DWORD& size);
    static DWORD GetZentrixModi();
    static DWORD ConvTypeNDSMitPunkten(const char* s, char* d);
    static DWORD ConvTypeUNC(const char* s, char* d);
    static WORD ClearNetInfo(_Provider* p);
    static DWORD NetScan(const char* search);
    static DWORD GetLongAndShortDNCName(const char* p, char* l, char* k);

    // Puts every static of the library back to its value at load.
    static void ResetToLoadState();
};

}  // namespace qvtest
