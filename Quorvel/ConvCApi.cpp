// The C interface (quorvel.h): each function forwards to the class operation
// of the same meaning and turns its C++ arguments and results into plain C:
// references become pointers, vectors of strings become name lists in the
// caller's buffer, platform records become quorvel_server / quorvel_mount.
#include <quorvel/quorvel.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "Batch.h"
#include "ConvInternal.h"
#include <quorvel/NetResConvert.h>

using namespace qvlib;

// The C names of the statuses are the class's numbers.
static_assert(QUORVEL_ERROR_NOT_ENOUGH_MEMORY == ERROR_NOT_ENOUGH_MEMORY &&
              QUORVEL_ERROR_INVALID_PARAMETER == ERROR_INVALID_PARAMETER &&
              QUORVEL_ERROR_MORE_DATA == ERROR_MORE_DATA &&
              QUORVEL_ERROR_NO_MORE_ITEMS == ERROR_NO_MORE_ITEMS &&
              QUORVEL_ERROR_INVALID_ADDRESS == ERROR_INVALID_ADDRESS);
static_assert(QUORVEL_CONV_BAD_RES_NAME == CONV_BAD_RES_NAME &&
              QUORVEL_CONV_BAD_RES_TYPE == CONV_BAD_RES_TYPE &&
              QUORVEL_CONV_BAD_NAME_FORMAT == CONV_BAD_NAME_FORMAT &&
              QUORVEL_CONV_RES_NOT_FOUND == CONV_RES_NOT_FOUND &&
              QUORVEL_CONV_BAD_OS_VERSION == CONV_BAD_OS_VERSION &&
              QUORVEL_CONV_NO_SERVER == CONV_NO_SERVER && QUORVEL_CONV_BAD_CLIENT == CONV_BAD_CLIENT &&
              QUORVEL_CONV_INVALID_INDEX == CONV_IVALID_INDEX &&
              QUORVEL_CONV_PATH_NOT_FOUND == CONV_PATH_NOT_FOUND &&
              QUORVEL_CONV_NAME_TOO_LONG == CONV_NAME_TOO_LONG &&
              QUORVEL_CONV_BAD_MAP_PATH == CONV_BAD_MAP_PATH && QUORVEL_CONV_NO_DOT == CONV_NO_DOT);
static_assert(QUORVEL_RES_TYPE_MAP == RES_TYPE_MAP && QUORVEL_RES_TYPE_UNC == RES_TYPE_UNC &&
              QUORVEL_NET_LANMAN == WNNC_NET_LANMAN && QUORVEL_NET_NETWARE == WNNC_NET_NETWARE &&
              QUORVEL_NET_UNSUPPORTED == NET_TYPE_UNSUPPORTED && QUORVEL_PATH_SIZE == MAX_PATH);

namespace {

// Copies names as a name list: each name with its terminator, then one more
// zero. The size the list takes is written back; when it is more than the
// buffer holds (a null buffer holds nothing) nothing is copied and the
// answer is ERROR_MORE_DATA. A null size asks for nothing to be copied.
uint32_t CopyNames(const std::vector<std::string>& names, char* pBuf, uint32_t* pSize,
                   uint32_t* pCount) {
    if (pCount != nullptr) *pCount = static_cast<uint32_t>(names.size());
    if (pSize == nullptr) return 0;
    std::size_t cbNeeded = 1;
    for (const std::string& s : names) cbNeeded += s.size() + 1;
    const std::size_t cbHave = pBuf == nullptr ? 0 : *pSize;
    *pSize = static_cast<uint32_t>(cbNeeded);
    if (cbNeeded > cbHave) return ERROR_MORE_DATA;
    for (const std::string& s : names) {
        std::memcpy(pBuf, s.c_str(), s.size() + 1);
        pBuf += s.size() + 1;
    }
    *pBuf = '\0';
    return 0;
}

// A record of the caller as the platform's: the numbers as they are, the
// names as pointers into the caller's record (an empty name as none).
NETRESOURCEA ToNetResource(quorvel_server& s) {
    NETRESOURCEA r;
    std::memset(&r, 0, sizeof r);
    r.dwScope = s.scope;
    r.dwType = s.type;
    r.dwDisplayType = s.display_type;
    r.dwUsage = s.usage;
    r.lpRemoteName = s.remote_name[0] != '\0' ? s.remote_name : nullptr;
    r.lpProvider = s.provider[0] != '\0' ? s.provider : nullptr;
    return r;
}

void FromNetResource(const NETRESOURCEA& r, quorvel_server& s) {
    s.scope = r.dwScope;
    s.type = r.dwType;
    s.display_type = r.dwDisplayType;
    s.usage = r.dwUsage;
    BoundedCopy(s.remote_name, sizeof s.remote_name, r.lpRemoteName);
    BoundedCopy(s.provider, sizeof s.provider, r.lpProvider);
}

// A server query into the caller's record: the record is read in, so that
// the fields the query leaves keep their values, and written back only when
// the query succeeded.
template <typename Query>
uint32_t ServerQuery(quorvel_server* pServer, Query query) {
    if (pServer == nullptr) return query(nullptr);
    NETRESOURCEA r = ToNetResource(*pServer);
    r.lpRemoteName = nullptr;
    r.lpProvider = nullptr;
    const uint32_t dwRet = query(&r);
    if (dwRet == 0) FromNetResource(r, *pServer);
    return dwRet;
}

// Copies a name into a record's field; false when it had to be cut.
bool CopyField(char* pField, std::size_t cbField, const std::string& s) {
    return BoundedCopy(pField, cbField, s.c_str()) == s.size();
}

// The C functions take turns: the library's lists are process-wide and
// unguarded, and a client of a C interface (a Python module, a threaded
// server) cannot be expected to call from one thread at a time. The lock is
// process-wide like the lists it guards.
std::mutex s_TurnLock QV_PROCESS_WIDE;

class Turn {
public:
    Turn() : lock_(s_TurnLock) {}

private:
    std::lock_guard<std::mutex> lock_;
};

}  // namespace

extern "C" {

uint32_t QUORVEL_CALL quorvel_build_lists(void) noexcept {
    const Turn turn;
    return CNetResConvert::BuildLists();
}

uint32_t QUORVEL_CALL quorvel_clear_lists(void) noexcept {
    const Turn turn;
    return CNetResConvert::ClearLists();
}

uint16_t QUORVEL_CALL quorvel_get_convert_mode(void) noexcept {
    const Turn turn;
    return CNetResConvert::GetConvertMode();
}

void QUORVEL_CALL quorvel_set_convert_mode(uint16_t mode) noexcept {
    const Turn turn;
    CNetResConvert::SetConvertMode(mode);
}

uint32_t QUORVEL_CALL quorvel_res_name_type(const char* res_name, uint32_t* type) noexcept {
    const Turn turn;
    DWORD dwType = RES_TYPE_UNKNOWN;
    const DWORD dwRet = CNetResConvert::GetResNameType(res_name, dwType);
    if (type != nullptr) *type = dwType;
    return dwRet;
}

uint32_t QUORVEL_CALL quorvel_res_to_dnc(const char* res_name, char* dnc, uint32_t* size) noexcept {
    const Turn turn;
    DWORD dwSize = size != nullptr ? *size : 0;
    const DWORD dwRet = CNetResConvert::ConvRes2DNC(res_name, dnc, dwSize);
    if (size != nullptr) *size = dwSize;
    return dwRet;
}

uint32_t QUORVEL_CALL quorvel_dnc_to_unc(const char* dnc, char* unc) noexcept {
    const Turn turn;
    return CNetResConvert::ConvDNCtoUNC(dnc, unc);
}

uint32_t QUORVEL_CALL quorvel_dnc_to_unc_maps(const char* dnc, char* unc, char* maps,
                                              uint32_t* maps_size, uint32_t* count) noexcept {
    const Turn turn;
    std::vector<std::string> tMaps;
    const DWORD dwRet = CNetResConvert::ConvDNC2UNC(dnc, unc, tMaps);
    if (dwRet != 0) {
        if (count != nullptr) *count = 0;
        return dwRet;
    }
    return CopyNames(tMaps, maps, maps_size, count);
}

uint32_t QUORVEL_CALL quorvel_dnc_to_maps(const char* dnc, char* maps, uint32_t* maps_size,
                                          uint32_t* count) noexcept {
    const Turn turn;
    std::vector<std::string> tMaps;
    const DWORD dwRet = CNetResConvert::ConvDNCtoMAP(dnc, tMaps);
    if (dwRet != 0) {
        if (count != nullptr) *count = 0;
        return dwRet;
    }
    return CopyNames(tMaps, maps, maps_size, count);
}

uint32_t QUORVEL_CALL quorvel_map_entry(const char* dnc, uint32_t index, char* map) noexcept {
    const Turn turn;
    // The record is only tested for null by the class; the C form has none.
    NETRESOURCEA tUnused;
    std::memset(&tUnused, 0, sizeof tUnused);
    return CNetResConvert::GetMapEntry(dnc, &tUnused, index, map);
}

uint32_t QUORVEL_CALL quorvel_server_from_dnc(const char* dnc, char* server) noexcept {
    const Turn turn;
    // The class reads the name only.
    return CNetResConvert::GetServerFromDNC(const_cast<char*>(dnc), server);
}

uint32_t QUORVEL_CALL quorvel_extract_server_volume(const char* element, char* server,
                                                    char* volume) noexcept {
    const Turn turn;
    // The class reads the name only.
    return CNetResConvert::ExtractServerVolume(const_cast<char*>(element), server, volume);
}

uint32_t QUORVEL_CALL quorvel_server_list(char* names, uint32_t* size, uint32_t* count) noexcept {
    const Turn turn;
    return CopyNames(CNetResConvert::GetServerList(), names, size, count);
}

uint32_t QUORVEL_CALL quorvel_server_count(void) noexcept {
    const Turn turn;
    return CNetResConvert::GetServerCount();
}

uint32_t QUORVEL_CALL quorvel_first_server(quorvel_server* server) noexcept {
    const Turn turn;
    return ServerQuery(server, [](NETRESOURCEA* p) { return CNetResConvert::GetFirstServer(p); });
}

uint32_t QUORVEL_CALL quorvel_next_server(uint32_t index, quorvel_server* server) noexcept {
    const Turn turn;
    return ServerQuery(server,
                       [index](NETRESOURCEA* p) { return CNetResConvert::GetNextServer(index, p); });
}

uint32_t QUORVEL_CALL quorvel_server_info(uint32_t index, quorvel_server* server) noexcept {
    const Turn turn;
    return ServerQuery(server,
                       [index](NETRESOURCEA* p) { return CNetResConvert::GetServerInfo(index, p); });
}

uint32_t QUORVEL_CALL quorvel_enum_server_res(quorvel_server* server) noexcept {
    const Turn turn;
    if (server == nullptr) return CNetResConvert::EnumServerRes(nullptr);
    NETRESOURCEA r = ToNetResource(*server);
    const DWORD dwRet = CNetResConvert::EnumServerRes(&r);
    server->usage = r.dwUsage;
    return dwRet;
}

uint32_t QUORVEL_CALL quorvel_volume_list(char* names, uint32_t* size, uint32_t* count) noexcept {
    const Turn turn;
    return CopyNames(CNetResConvert::GetVolumeList(), names, size, count);
}

uint32_t QUORVEL_CALL quorvel_mount_list(quorvel_mount* entries, uint32_t* count) noexcept {
    const Turn turn;
    if (count == nullptr) return ERROR_INVALID_ADDRESS;
    const std::vector<MOUNT_T>& tList = CNetResConvert::GetMountList();
    const uint32_t dwHave = entries == nullptr ? 0 : *count;
    *count = static_cast<uint32_t>(tList.size());
    if (tList.size() > dwHave) return ERROR_MORE_DATA;
    bool bWhole = true;
    for (const MOUNT_T& m : tList) {
        entries->net_type = m.dwNetType;
        bWhole &= CopyField(entries->local_name, sizeof entries->local_name, m.LocalName);
        bWhole &= CopyField(entries->remote_name, sizeof entries->remote_name, m.RemoteName);
        bWhole &= CopyField(entries->dnc_name, sizeof entries->dnc_name, m.DNCName);
        ++entries;
    }
    return bWhole ? 0 : CONV_NAME_TOO_LONG;
}

void QUORVEL_CALL quorvel_batch_begin(void) noexcept {
    const Turn turn;
    batch::Begin();
}

void QUORVEL_CALL quorvel_batch_end(void) noexcept {
    const Turn turn;
    batch::End();
}

}  // extern "C"
