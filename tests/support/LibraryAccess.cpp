// qvtest::Library: the private members of CNetResConvert, reached as
// PrivateAccess.h describes.
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

namespace {

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

_Networks& Library::Net() { return Changed(Get(NetTag{})); }
int& Library::UseGetUniv() { return *Get(UseGetUnivTag{}); }
int& Library::UseLongAndShortDir() { return *Get(LongAndShortTag{}); }
int& Library::ObjFound() { return *Get(ObjFoundTag{}); }
int& Library::NetScannedOnce() { return *Get(NetScannedOnceTag{}); }
std::vector<std::string>& Library::ServerList() { return Changed(Get(ServerListTag{})); }
std::vector<std::string>& Library::VolumeList() { return Changed(Get(VolumeListTag{})); }
std::vector<std::string>& Library::UseDomains() { return Changed(Get(UseDomainsTag{})); }
std::vector<MOUNT_T>& Library::MountList() { return Changed(Get(MountListTag{})); }
std::vector<std::string>& Library::MapList() { return Changed(&qvlib::MapList); }

DWORD Library::GetSysVersion(DWORD& id) { return Get(GetSysVersionTag{})(id); }
DWORD Library::GetNetProv(_Networks& n) { return Get(GetNetProvTag{})(n); }
DWORD Library::GetMsServers(DWORD d) { return Get(GetMsServersTag{})(d); }
DWORD Library::ConvName2DNC(const char* n, char* dnc, DWORD& size) {
    return Get(ConvName2DNCTag{})(n, dnc, size);
}
DWORD Library::GetZentrixModi() { return Get(GetZentrixModiTag{})(); }
DWORD Library::ConvTypeNDSMitPunkten(const char* s, char* d) {
    return Get(ConvTypeNDSMitPunktenTag{})(s, d);
}
DWORD Library::ConvTypeUNC(const char* s, char* d) { return Get(ConvTypeUNCTag{})(s, d); }
WORD Library::ClearNetInfo(_Provider* p) { return Get(ClearNetInfoTag{})(p); }
DWORD Library::NetScan(const char* search) {
    return Get(NetScanTag{})(nullptr, search, 0, 1, nullptr);
}
DWORD Library::GetLongAndShortDNCName(const char* p, char* l, char* k) {
    return Get(GetLongAndShortTag{})(p, l, k);
}

void Library::ResetToLoadState() {
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

}  // namespace qvtest
