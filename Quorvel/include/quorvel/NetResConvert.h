// The public interface of the library: the class CNetResConvert (static
// operations over process-wide lists), the exported class MOUNT_T, and the
// records of the detected network environment.
#pragma once

#include <string>
#include <vector>

#include <quorvel/Win32Api.h>

#if defined(_WIN32)
#if defined(QUORVEL_BUILDING_LIBRARY)
#define QUORVEL_API __declspec(dllexport)
#else
#define QUORVEL_API __declspec(dllimport)
#endif
#else
#define QUORVEL_API __attribute__((visibility("default")))
#endif

// ---- status codes of the library (besides 0 and Windows error numbers) -----
#define CONV_BAD_RES_NAME 0xF001
#define CONV_BAD_RES_TYPE 0xF002
#define CONV_BAD_NAME_FORMAT 0xF003
#define CONV_RES_NOT_FOUND 0xF004
#define CONV_BAD_OS_VERSION 0xF005
#define CONV_NO_SERVER 0xF006
#define CONV_BAD_CLIENT 0xF007
#define CONV_IVALID_INDEX 0xF008
#define CONV_PATH_NOT_FOUND 0xF009
#define CONV_NAME_TOO_LONG 0xF00A
#define CONV_BAD_MAP_PATH 0xF00B
#define CONV_NO_DOT 0xF00C

// ---- resource name types (GetResNameType) -----------------------------------
#define RES_TYPE_UNKNOWN 0
#define RES_TYPE_MAP 1
#define RES_TYPE_UNC 2

// ---- network type of an unsupported provider --------------------------------
#define NET_TYPE_UNSUPPORTED 0xFFFFFFFF

// One tree (NetWare) or domain (Microsoft network) found by the scan.
struct TLIST {
    TLIST* pNext;
    char szName[68];
};

// One server found by the scan.
struct SLIST {
    SLIST* pNext;
    char szName[260];
};

// One installed network provider and what the scan found through it.
struct _Provider {
    WORD wAvailable;
    DWORD dwNetType;
    DWORD dwClientType;
    char szName[100];
    DWORD dwTreeCount;
    TLIST* pTrees;
    DWORD dwServerCount;
    SLIST* pServers;
};

// The detected network environment (the one instance is m_tNet).
struct _Networks {
    DWORD dwPlatformId;
    _Provider* pCurProvider;
    _Provider tNwProvider;
    _Provider tMsProvider;
};

// One connected network drive of the workstation.
class QUORVEL_API MOUNT_T {
public:
    MOUNT_T();
    MOUNT_T(const MOUNT_T& other);
    ~MOUNT_T();
    MOUNT_T& operator=(const MOUNT_T& other);

    DWORD dwNetType;
    std::string LocalName;
    std::string RemoteName;
    std::string DNCName;
};

class QUORVEL_API CNetResConvert {
public:
    CNetResConvert& operator=(const CNetResConvert&) { return *this; }

    // list lifecycle
    static DWORD BuildLists();
    static DWORD ClearLists();
    static WORD GetConvertMode();
    static void SetConvertMode(WORD wMode);

    // mount list and conversions
    static const std::vector<MOUNT_T>& GetMountList();
    static DWORD GetResNameType(const char* ResName, DWORD& dwType);
    static DWORD ConvRes2DNC(const char* ResName, char* DNCName, DWORD& BufSize);
    static DWORD ConvDNCtoUNC(const char* DNCName, char* UNCName);
    static DWORD ConvDNC2UNC(const char* DNCName, char* UNCName, std::vector<std::string>& MAP);
    static DWORD ConvDNCtoMAP(const char* DNCName, std::vector<std::string>& MAP);
    static DWORD GetMapEntry(const char* pszDNCName, NETRESOURCEA* pNetRes, DWORD dwIndex,
                             char* pszMap);

    // server and volume lists
    static const std::vector<std::string>& GetServerList();
    static DWORD GetServerCount();
    static DWORD GetFirstServer(NETRESOURCEA* pRes);
    static DWORD GetNextServer(DWORD dwIndex, NETRESOURCEA* pRes);
    static DWORD GetServerInfo(DWORD dwIndex, NETRESOURCEA* pRes);
    static DWORD EnumServerRes(NETRESOURCEA* pRes);
    static const std::vector<std::string>& GetVolumeList();

    // DNC names taken apart
    static DWORD ExtractServerVolume(char* pszSrc, char* pServer, char* pVolume);
    static DWORD GetServerFromDNC(char* pszDNC, char* pszServer);

private:
    friend struct CNetResConvertTestAccess;  // white-box tests of the private operations

    // environment detection
    static DWORD GetSysVersion(DWORD& dwPlatformId);
    static DWORD GetNetProv(_Networks& tNet);
    static DWORD GetZentrixModi();

    // provider model and network scan
    static DWORD GetNetType(const char* pszProvider);
    static WORD ClearNetInfo(_Provider* pProvider);
    static DWORD NetScan(NETRESOURCEA* pParent, const char* pszSearch, DWORD dwSearchDisplayType,
                         DWORD dwMaxDepth, NETRESOURCEA* pFound);
    static DWORD NextDomain(NETRESOURCEA* pRes);
    static DWORD NextServer(NETRESOURCEA* pRes);
    static DWORD GetAllServers();
    static DWORD GetNwServers(DWORD dwDepth);
    static DWORD GetMsServers(DWORD dwDepth);

    // name parsing and DNC construction
    static DWORD ConvName2DNC(const char* ResName, char* DNC, DWORD& BufSize);
    static DWORD ConvTypeNDSMitPunkten(const char* pszSrc, char* pszDest);
    static DWORD ConvTypeNDSMitBSlashes(const char* pszSrc, char* pszDest);
    static DWORD ConvTypeUNC(const char* pszSrc, char* pszDest);
    static int FindServer(const char* pszServer);
    static DWORD MakeDNC(char* pszElement, const char* pszRest, char* pszDest);
    static DWORD GetLongAndShortDNCName(const char* const DNCPfad, char* const LangerDNCPfad,
                                        char* const KurzerDNCPfad);

    // process-wide state
    static _Networks m_tNet;
    static int m_fUseAllDom;
    static int m_bUseGetUniv;
    static char m_MountListKurzName[25][260];
    static std::vector<std::string> m_ServerList;
    static std::vector<std::string> m_VolumeList;
    static std::vector<std::string> m_UseDomains;
    static std::vector<MOUNT_T> m_MountList;
    static int m_fObjFound;
    static int m_bNetScanned;
    static int m_bNetScannedOnce;
    static int m_bUseLongAndShortDir;
};
