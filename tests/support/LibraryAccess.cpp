// CNetResConvertTestAccess: the private members of CNetResConvert, reached
// as PrivateAccess.h describes.
#include "LibraryAccess.h"

#include <cstring>

#include "ConvInternal.h"
#include "PrivateAccess.h"

namespace qvtest {

using C = CNetResConvert;
QVTEST_EXPOSE(NetTag, _Networks*, C::m_tNet);
QVTEST_EXPOSE(UseAllDomTag, int*, C::m_fUseAllDom);
QVTEST_EXPOSE(UseGetUnivTag, int*, C::m_bUseGetUniv);
QVTEST_EXPOSE(KurzNameTag, char (*)[25][260], C::m_MountListKurzName);
QVTEST_EXPOSE(ServerListTag, std::vector<std::string>*, C::m_ServerList);
QVTEST_EXPOSE(VolumeListTag, std::vector<std::string>*, C::m_VolumeList);
QVTEST_EXPOSE(UseDomainsTag, std::vector<std::string>*, C::m_UseDomains);
QVTEST_EXPOSE(MountListTag, std::vector<MOUNT_T>*, C::m_MountList);
QVTEST_EXPOSE(ObjFoundTag, int*, C::m_fObjFound);
QVTEST_EXPOSE(NetScannedTag, int*, C::m_bNetScanned);
QVTEST_EXPOSE(NetScannedOnceTag, int*, C::m_bNetScannedOnce);
QVTEST_EXPOSE(LongAndShortTag, int*, C::m_bUseLongAndShortDir);

QVTEST_EXPOSE(GetSysVersionTag, DWORD (*)(DWORD&), C::GetSysVersion);
QVTEST_EXPOSE(GetNetProvTag, DWORD (*)(_Networks&), C::GetNetProv);
QVTEST_EXPOSE(GetMsServersTag, DWORD (*)(DWORD), C::GetMsServers);
QVTEST_EXPOSE(ConvName2DNCTag, DWORD (*)(const char*, char*, DWORD&), C::ConvName2DNC);
QVTEST_EXPOSE(GetZentrixModiTag, DWORD (*)(), C::GetZentrixModi);
QVTEST_EXPOSE(ConvTypeNDSMitPunktenTag, DWORD (*)(const char*, char*), C::ConvTypeNDSMitPunkten);
QVTEST_EXPOSE(ConvTypeUNCTag, DWORD (*)(const char*, char*), C::ConvTypeUNC);
QVTEST_EXPOSE(ClearNetInfoTag, WORD (*)(_Provider*), C::ClearNetInfo);
QVTEST_EXPOSE(NetScanTag, DWORD (*)(NETRESOURCEA*, const char*, DWORD, DWORD, NETRESOURCEA*), C::NetScan);
QVTEST_EXPOSE(GetLongAndShortTag, DWORD (*)(const char* const, char* const, char* const),
              C::GetLongAndShortDNCName);

}  // namespace qvtest

namespace {

using namespace qvtest;

// Frees one provider's chains without tracing.
void FreeChains(_Provider& p) {
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

template <class T>
T& Changed(T* member) {
    qvlib::ListsChanged();
    return *member;
}

}  // namespace

_Networks& CNetResConvertTestAccess::Net() { return Changed(Get(NetTag{})); }
int& CNetResConvertTestAccess::UseGetUniv() { return *Get(UseGetUnivTag{}); }
int& CNetResConvertTestAccess::UseLongAndShortDir() { return *Get(LongAndShortTag{}); }
int& CNetResConvertTestAccess::ObjFound() { return *Get(ObjFoundTag{}); }
int& CNetResConvertTestAccess::NetScannedOnce() { return *Get(NetScannedOnceTag{}); }
std::vector<std::string>& CNetResConvertTestAccess::ServerList() { return Changed(Get(ServerListTag{})); }
std::vector<std::string>& CNetResConvertTestAccess::VolumeList() { return Changed(Get(VolumeListTag{})); }
std::vector<std::string>& CNetResConvertTestAccess::UseDomains() { return Changed(Get(UseDomainsTag{})); }
std::vector<MOUNT_T>& CNetResConvertTestAccess::MountList() { return Changed(Get(MountListTag{})); }
std::vector<std::string>& CNetResConvertTestAccess::MapList() { return Changed(&qvlib::MapList); }

DWORD CNetResConvertTestAccess::GetSysVersion(DWORD& id) { return Get(GetSysVersionTag{})(id); }
DWORD CNetResConvertTestAccess::GetNetProv(_Networks& n) { return Get(GetNetProvTag{})(n); }
DWORD CNetResConvertTestAccess::GetMsServers(DWORD d) { return Get(GetMsServersTag{})(d); }
DWORD CNetResConvertTestAccess::ConvName2DNC(const char* n, char* dnc, DWORD& size) {
    return Get(ConvName2DNCTag{})(n, dnc, size);
}
DWORD CNetResConvertTestAccess::GetZentrixModi() { return Get(GetZentrixModiTag{})(); }
DWORD CNetResConvertTestAccess::ConvTypeNDSMitPunkten(const char* s, char* d) {
    return Get(ConvTypeNDSMitPunktenTag{})(s, d);
}
DWORD CNetResConvertTestAccess::ConvTypeUNC(const char* s, char* d) { return Get(ConvTypeUNCTag{})(s, d); }
WORD CNetResConvertTestAccess::ClearNetInfo(_Provider* p) { return Get(ClearNetInfoTag{})(p); }
DWORD CNetResConvertTestAccess::NetScan(const char* search) {
    return Get(NetScanTag{})(nullptr, search, 0, 1, nullptr);
}
DWORD CNetResConvertTestAccess::GetLongAndShortDNCName(const char* p, char* l, char* k) {
    return Get(GetLongAndShortTag{})(p, l, k);
}

void CNetResConvertTestAccess::ResetToLoadState() {
    _Networks& net = *Get(NetTag{});
    FreeChains(net.tNwProvider);
    FreeChains(net.tMsProvider);
    std::memset(&net, 0, sizeof net);
    net.dwPlatformId = 0xFFFFFFFF;
    *Get(UseAllDomTag{}) = 1;
    *Get(UseGetUnivTag{}) = 1;
    std::memset(*Get(KurzNameTag{}), 0, sizeof *Get(KurzNameTag{}));
    Get(ServerListTag{})->clear();
    Get(VolumeListTag{})->clear();
    Get(UseDomainsTag{})->clear();
    Get(MountListTag{})->clear();
    qvlib::MapList.clear();
    *Get(ObjFoundTag{}) = 0;
    *Get(NetScannedTag{}) = 0;
    *Get(NetScannedOnceTag{}) = 0;
    *Get(LongAndShortTag{}) = 0;
    qvlib::ListsChanged();
}
