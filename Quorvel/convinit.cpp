// Environment detection: the kind of Windows, the installed network providers,
// the kind of NetWare client, and the two switches of the registry key.
#include <cstring>

#include "ConvInternal.h"
#include <quorvel/NetResConvert.h>
#include "Zx_trace.h"

QV_TRACE_UNIT(2);

using namespace qvlib;

namespace {

// The library's registry key below HKEY_LOCAL_MACHINE.
const char* const kRegKey =
    "Software\\Talmoro\\Components\\C0000318\\Versions\\1.0\\AdditionalInfos\\Quorvel100";

// Reads a switch of the key. Only REG_DWORD data of exactly four bytes
// counts; any other type or size is a failed read.
bool ReadRegSwitch(HKEY hKey, const char* pszValue, DWORD& dwValue) {
    DWORD dwType = REG_NONE;
    DWORD dwData = 0;
    DWORD cbData = sizeof dwData;
    LONG lRet = w32::RegQueryValueExA(hKey, pszValue, nullptr, &dwType,
                                      reinterpret_cast<BYTE*>(&dwData), &cbData);
    if (lRet != ERROR_SUCCESS || dwType != REG_DWORD || cbData != sizeof dwData) return false;
    dwValue = dwData;
    return true;
}

// Asks the system for the provider name of one network type. The name lands
// terminated in szName whatever the query wrote.
DWORD QueryProviderName(DWORD dwNetType, char (&szName)[100], DWORD cbGiven) {
    std::memset(szName, 0, sizeof szName);
    DWORD cb = cbGiven;
    DWORD dwRet = w32::WNetGetProviderNameA(dwNetType, szName, &cb);
    szName[sizeof szName - 1] = '\0';
    return dwRet;
}

}  // namespace

DWORD CNetResConvert::GetSysVersion(DWORD& dwPlatformId) {
    QV_TRACE_ENTER("GetSysVersion");

    OSVERSIONINFOA vi;
    std::memset(&vi, 0, sizeof vi);
    vi.dwOSVersionInfoSize = sizeof vi;  // 148 bytes
    if (!w32::GetVersionExA(&vi)) {
        dwPlatformId = 0xFFFFFFFF;
        return CONV_BAD_OS_VERSION;
    }

#define QV_VERSION_TEXT vi.dwMajorVersion << "." << vi.dwMinorVersion << " Build " << vi.dwBuildNumber
    DWORD dwRet = 0;
    switch (vi.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        QV_ERROR("System: Win32s " << QV_VERSION_TEXT);
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        QV_PARAM("System: Windows 95/98 " << QV_VERSION_TEXT);
        break;
    case VER_PLATFORM_WIN32_NT:
        QV_PARAM("System: Windows NT " << QV_VERSION_TEXT);
        break;
    default:
        QV_ERROR("System: UNKNOWN " << QV_VERSION_TEXT);
        dwRet = CONV_BAD_OS_VERSION;
        break;
    }
#undef QV_VERSION_TEXT

    dwPlatformId = vi.dwPlatformId;
    return dwRet;
}

DWORD CNetResConvert::GetNetProv(_Networks& tNet) {
    QV_TRACE_ENTER("GetNetProv");
    // The providers' records belong to the lists: their change advances the
    // lists' generation, on every way out.
    struct Changed {
        ~Changed() { ListsChanged(); }
    } changed;

    char szName[100];
    DWORD dwMsError = 0;

    // Microsoft network: a failure is remembered and reported at the end.
    tNet.tMsProvider.wAvailable = 0;
    DWORD dwRet = QueryProviderName(WNNC_NET_LANMAN, szName, 100);
    if (dwRet == NO_ERROR) {
        tNet.tMsProvider.wAvailable = 1;
        tNet.tMsProvider.dwNetType = WNNC_NET_LANMAN;
        tNet.tMsProvider.dwClientType = 0;
        BoundedCopy(tNet.tMsProvider.szName, sizeof tNet.tMsProvider.szName, szName);
        QV_PARAM("MS-Provider=" << tNet.tMsProvider.szName);
    } else if (dwRet == ERROR_NO_NETWORK) {
        QV_PARAM("Kein MS-Provider!");
    } else {
        QV_ERROR("WNetGetProviderName f\xFCr Microsoft=" << dwRet);
        dwMsError = dwRet;
    }

    // NetWare network: a failure ends the detection at once.
    tNet.tNwProvider.wAvailable = 0;
    dwRet = QueryProviderName(WNNC_NET_NETWARE, szName, 99);
    if (dwRet == ERROR_NO_NETWORK) {
        QV_PARAM("Kein NOVELL-Provider!");
        return dwMsError;
    }
    if (dwRet != NO_ERROR) {
        QV_ERROR("WNetGetProviderName f\xFCr NOVELL=" << dwRet);
        return dwRet;
    }
    tNet.tNwProvider.wAvailable = 1;
    tNet.tNwProvider.dwNetType = WNNC_NET_NETWARE;
    BoundedCopy(tNet.tNwProvider.szName, sizeof tNet.tNwProvider.szName, szName);
    QV_PARAM("NOVELL-Provider=" << tNet.tNwProvider.szName);

    // Which NetWare client: the vendor's own client names itself in the
    // provider name (case-sensitive), Microsoft's client does not.
    const char* pszVendorMark = nullptr;
    switch (tNet.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
        pszVendorMark = "Novell";
        break;
    case VER_PLATFORM_WIN32_NT:
        pszVendorMark = "NetWare Services";
        break;
    default:
        tNet.tNwProvider.dwClientType = 0xFFFFFFFF;
        QV_ERROR("NOVELL-Client-Typ: Illegal System Version=" << tNet.dwPlatformId);
        return CONV_BAD_OS_VERSION;
    }
    if (w32::MbsStr(tNet.tNwProvider.szName, pszVendorMark) != nullptr) {
        tNet.tNwProvider.dwClientType = 2;
        QV_PARAM("NOVELL-Client-Typ: NOVELL");
    } else {
        tNet.tNwProvider.dwClientType = 1;
        QV_PARAM("NOVELL-Client-Typ: Microsoft");
    }
    return dwMsError;
}

DWORD CNetResConvert::GetZentrixModi() {
    QV_TRACE_ENTER("GetZentrixModi");

    // Microsoft's client for NetWare on NT gives no usable universal names.
    if (m_tNet.dwPlatformId == VER_PLATFORM_WIN32_NT && m_tNet.tNwProvider.dwClientType == 1) {
        m_bUseGetUniv = FALSE;
        QV_PARAM("m_bUseGetUniv = FALSE, da MS-Client unter NT");
    }

    HKEY hKey = nullptr;
    LONG lRet = w32::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRegKey, 0, KEY_QUERY_VALUE, &hKey);
    if (lRet != ERROR_SUCCESS) {
        QV_PARAM(kRegKey << "nicht vorhanden, lRet=" << lRet);
        return 0;
    }

    DWORD dwValue = 0;
    if (ReadRegSwitch(hKey, "UniversalName", dwValue)) {
        if (dwValue != 0) {
            m_bUseGetUniv = TRUE;
            QV_PARAM("m_bUseGetUniv = TRUE; Entry= " << dwValue);
        } else {
            m_bUseGetUniv = FALSE;
            QV_PARAM("m_bUseGetUniv = FALSE; Entry= " << dwValue);
        }
    }
    // LongNames can only switch the long and short names on.
    if (ReadRegSwitch(hKey, "LongNames", dwValue) && dwValue != 0) {
        m_bUseLongAndShortDir = TRUE;
        QV_PARAM("m_bUseLongAndShortDir = TRUE; Entry= " << dwValue);
    }

    w32::RegCloseKey(hKey);
    return 0;
}
