// White-box access for the tests: the private operations and static data of
// CNetResConvert, and a reset of the library's process-wide state to what it
// is right after the module was loaded.
#pragma once

#include <cstring>

#include "ConvInternal.h"
#include <quorvel/NetResConvert.h>

struct CNetResConvertTestAccess {
    using C = CNetResConvert;

    // state
    static _Networks& Net() {
        ++g_ServerChainGeneration;
        return C::m_tNet;
    }
    static int& UseGetUniv() { return C::m_bUseGetUniv; }
    static int& UseLongAndShortDir() { return C::m_bUseLongAndShortDir; }
    static int& ObjFound() { return C::m_fObjFound; }
    static int& NetScannedOnce() { return C::m_bNetScannedOnce; }
    // The lists' lookup indexes are forgotten whenever a test may change a list.
    static std::vector<std::string>& ServerList() {
        g_ServerIndex.Invalidate();
        return C::m_ServerList;
    }
    static std::vector<std::string>& VolumeList() { return C::m_VolumeList; }
    static std::vector<std::string>& UseDomains() { return C::m_UseDomains; }
    static std::vector<MOUNT_T>& MountList() {
        g_DriveIndex.Invalidate();
        return C::m_MountList;
    }

    // private operations
    static DWORD GetSysVersion(DWORD& id) { return C::GetSysVersion(id); }
    static DWORD GetNetProv(_Networks& n) { return C::GetNetProv(n); }
    static DWORD GetMsServers(DWORD d) { return C::GetMsServers(d); }
    static DWORD ConvName2DNC(const char* n, char* dnc, DWORD& size) {
        return C::ConvName2DNC(n, dnc, size);
    }
    static DWORD GetZentrixModi() { return C::GetZentrixModi(); }
    static DWORD ConvTypeNDSMitPunkten(const char* s, char* d) { return C::ConvTypeNDSMitPunkten(s, d); }
    static DWORD ConvTypeUNC(const char* s, char* d) { return C::ConvTypeUNC(s, d); }
    static WORD ClearNetInfo(_Provider* p) { return C::ClearNetInfo(p); }
    static DWORD NetScan(const char* search) { return C::NetScan(nullptr, search, 0, 1, nullptr); }
    static DWORD GetLongAndShortDNCName(const char* p, char* l, char* k) {
        return C::GetLongAndShortDNCName(p, l, k);
    }

    // Frees one provider's chains without tracing.
    static void FreeChains(_Provider& p) {
        ++g_ServerChainGeneration;
        while (p.pTrees != nullptr) {
            TLIST* next = p.pTrees->pNext;
            delete p.pTrees;
            p.pTrees = next;
        }
        while (p.pServers != nullptr) {
            SLIST* next = p.pServers->pNext;
            delete p.pServers;
            p.pServers = next;
        }
        p.dwTreeCount = 0;
        p.dwServerCount = 0;
    }

    // Puts every static of the library back to its value at load.
    static void ResetToLoadState() {
        FreeChains(C::m_tNet.tNwProvider);
        FreeChains(C::m_tNet.tMsProvider);
        std::memset(&C::m_tNet, 0, sizeof C::m_tNet);
        C::m_tNet.dwPlatformId = 0xFFFFFFFF;
        C::m_fUseAllDom = 1;
        C::m_bUseGetUniv = 1;
        std::memset(C::m_MountListKurzName, 0, sizeof C::m_MountListKurzName);
        C::m_ServerList.clear();
        C::m_VolumeList.clear();
        C::m_UseDomains.clear();
        C::m_MountList.clear();
        g_DriveIndex.Invalidate();
        g_ServerIndex.Invalidate();
        MapList.clear();
        C::m_fObjFound = 0;
        C::m_bNetScanned = 0;
        C::m_bNetScannedOnce = 0;
        C::m_bUseLongAndShortDir = 0;
    }
};
