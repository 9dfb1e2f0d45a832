// The interface operations: the process-wide data, the list lifecycle, the
// mount list, the conversions between resource names and DNC names, and the
// server and volume list operations handed out to clients.
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "ConvInternal.h"
#include <quorvel/NetResConvert.h>
#include "Zx_trace.h"

QV_TRACE_UNIT(1);

using namespace qvlib;

// ---- process-wide data ------------------------------------------------------
// Constant-initialised: they exist before anything of the library runs.
constinit _Networks CNetResConvert::m_tNet = {0xFFFFFFFF, nullptr, {}, {}};
int CNetResConvert::m_fUseAllDom = 1;
int CNetResConvert::m_bUseGetUniv = 1;
char CNetResConvert::m_MountListKurzName[25][260] = {};
constinit std::vector<std::string> CNetResConvert::m_ServerList QV_PROCESS_WIDE;
constinit std::vector<std::string> CNetResConvert::m_VolumeList QV_PROCESS_WIDE;
constinit std::vector<std::string> CNetResConvert::m_UseDomains QV_PROCESS_WIDE;
constinit std::vector<MOUNT_T> CNetResConvert::m_MountList QV_PROCESS_WIDE;
int CNetResConvert::m_fObjFound = 0;
int CNetResConvert::m_bNetScanned = 0;
int CNetResConvert::m_bNetScannedOnce = 0;
int CNetResConvert::m_bUseLongAndShortDir = 0;

constinit std::vector<std::string> qvlib::MapList QV_PROCESS_WIDE;

namespace {

constexpr DWORD kNotDetected = 0xFFFFFFFF;  // dwPlatformId before detection
constexpr DWORD kPathSize = 260;            // UNC, server and work buffers
constexpr DWORD kShortSlots = 25;           // slots of m_MountListKurzName
constexpr DWORD kMountEnumSize = 15296;     // first buffer of a mount-list batch
constexpr DWORD kVolumeEnumSize = 4096;     // buffer of the volume enumeration
constexpr DWORD kUniversalSize = 1040;      // universal name and conversion buffer

// Set while BuildLists runs: a lazy build inside it (possible only while the
// version query keeps failing) must not start it again.
bool s_bBuildListsRunning = false;

// One enumeration call into a buffer of cbFirst bytes. When not even one
// entry fits, the buffer is replaced by one of the size the platform asked
// for (traced through onMoreData) and the call is made once more with the
// count as the caller's policy leaves it.
template <typename OnMoreData>
DWORD EnumBatch(HANDLE hEnum, EnumBuffer& buf, DWORD cbFirst, DWORD& dwCount, DWORD& cbBuffer,
                OnMoreData onMoreData) {
    if (!buf.Alloc(cbFirst)) return ERROR_NOT_ENOUGH_MEMORY;
    cbBuffer = buf.Size();
    DWORD dwRet = w32::WNetEnumResourceA(hEnum, &dwCount, buf.Data(), &cbBuffer);
    if (dwRet != ERROR_MORE_DATA) return dwRet;
    onMoreData();
    if (!buf.Alloc(cbBuffer)) return ERROR_NOT_ENOUGH_MEMORY;
    cbBuffer = buf.Size();
    return w32::WNetEnumResourceA(hEnum, &dwCount, buf.Data(), &cbBuffer);
}

// True when offset dwOff of psz falls on a character boundary of the ANSI
// code page (not inside a double-byte character).
bool IsCharBoundary(const char* psz, std::size_t dwOff) {
    const char* p = psz;
    while (static_cast<std::size_t>(p - psz) < dwOff && *p != '\0') p = NextChar(p);
    return static_cast<std::size_t>(p - psz) == dwOff;
}

// The length of pszPrefix when pszName begins with it (case-insensitive,
// ending on a character boundary of pszName); 0 otherwise.
std::size_t PrefixMatch(const char* pszName, std::size_t nNameLen, const char* pszPrefix) {
    std::size_t n = std::strlen(pszPrefix);
    if (n == 0 || n > nNameLen) return 0;
    // Most prefixes differ from the name within their leading ASCII bytes,
    // where no code page makes two bytes equal that differ other than in the
    // case of a letter: such a prefix is rejected without the comparison.
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char a = static_cast<unsigned char>(pszName[i]);
        const unsigned char b = static_cast<unsigned char>(pszPrefix[i]);
        if (a >= 0x80 || b >= 0x80) break;
        if (a == b) continue;
        const unsigned char la = a | 0x20;
        if (la != (b | 0x20) || la < 'a' || la > 'z') return 0;
    }
    if (w32::MbsNBICmp(pszName, pszPrefix, n) != 0) return 0;
    return IsCharBoundary(pszName, n) ? n : 0;
}

// Copies a result (pszHead followed by pszTail) that must fit the caller's
// buffer whole, terminator included: otherwise the buffer stays empty and
// the size needed is written back (ERROR_MORE_DATA).
DWORD CopyWhole(char* pszDest, DWORD& BufSize, const char* pszHead, std::size_t nHead,
                const char* pszTail = "") {
    const std::size_t nTail = std::strlen(pszTail);
    if (nHead + nTail + 1 > BufSize) {
        BufSize = static_cast<DWORD>(nHead + nTail + 1);
        return ERROR_MORE_DATA;
    }
    std::memcpy(pszDest, pszHead, nHead);
    std::memcpy(pszDest + nHead, pszTail, nTail + 1);
    return 0;
}

// The rest of DNCName behind a drive whose DNC name (long form, else short
// form) leads it; null when neither does.
const char* RestBehindDrive(const MOUNT_T& tMount, const char* pszShort, const char* DNCName,
                            std::size_t nLen) {
    std::size_t nMatch = PrefixMatch(DNCName, nLen, tMount.DNCName.c_str());
    if (nMatch == 0) nMatch = PrefixMatch(DNCName, nLen, pszShort);
    return nMatch == 0 ? nullptr : DNCName + nMatch;
}

// The mapped-drive paths of a DNC name, in mount-list order: each drive whose
// DNC name (long form, else short form) leads the name up to the end of a
// component gives the path of the drive's local name and the rest of the
// name. onPath(drive, rest, fits) gets each, rest being "" or beginning with a
// backslash and fits telling whether the path stays below 260 bytes; it
// returns false to end the walk. onPartial(rest) gets the rest behind each
// drive whose DNC name ends inside a component of the name.
template <class OnPath, class OnPartial>
void WalkMappedPaths(const std::vector<MOUNT_T>& mounts, const char (*pszShortNames)[kPathSize],
                     const char* DNCName, OnPath onPath, OnPartial onPartial) {
    const std::size_t nLen = std::strlen(DNCName);
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        const char* pszRest =
            RestBehindDrive(mounts[i], i < kShortSlots ? pszShortNames[i] : "", DNCName, nLen);
        if (pszRest == nullptr) continue;
        if (*pszRest != '\0' && *pszRest != '\\') {
            onPartial(pszRest);
            continue;
        }
        const bool bFits = mounts[i].LocalName.size() + std::strlen(pszRest) < kPathSize;
        if (!onPath(mounts[i], pszRest, bFits)) return;
    }
}

// The tests that both DNC-to-UNC operations make before anything else: both
// pointers given, two leading backslashes, a backslash behind the server
// part, and room for the name with its terminator in a 260-byte buffer.
DWORD CheckDncName(const char* DNCName, const char* UNCName, const char* pszNoBackslashText) {
    if (DNCName == nullptr || UNCName == nullptr) {
        QV_ERROR("DNCName oder UNCName == NULL");
        return ERROR_INVALID_ADDRESS;
    }
    if (DNCName[0] != '\\' || DNCName[1] != '\\') {
        QV_ERROR("DNCName beginnt nicht mit \\\\");
        return CONV_BAD_NAME_FORMAT;
    }
    if (w32::MbsChr(DNCName + 2, '\\') == nullptr) {
        QV_ERROR(pszNoBackslashText);
        return CONV_BAD_NAME_FORMAT;
    }
    const std::size_t nLen = std::strlen(DNCName);
    if (nLen >= kPathSize) {
        QV_ERROR("DNCName zu lang, len=" << nLen << ", CONV_NAME_TOO_LONG");
        return CONV_NAME_TOO_LONG;
    }
    return 0;
}

}  // namespace

// ---- MOUNT_T ----------------------------------------------------------------

MOUNT_T::MOUNT_T() : dwNetType(NET_TYPE_UNSUPPORTED) {}

MOUNT_T::MOUNT_T(const MOUNT_T& other)
    : dwNetType(other.dwNetType),
      LocalName(other.LocalName),
      RemoteName(other.RemoteName),
      DNCName(other.DNCName) {}

MOUNT_T::~MOUNT_T() = default;

MOUNT_T& MOUNT_T::operator=(const MOUNT_T& other) {
    if (this != &other) {
        dwNetType = other.dwNetType;
        LocalName = other.LocalName;
        RemoteName = other.RemoteName;
        DNCName = other.DNCName;
    }
    return *this;
}

// ---- list lifecycle ---------------------------------------------------------

DWORD CNetResConvert::BuildLists() {
    if (s_bBuildListsRunning) return 0;
    s_bBuildListsRunning = true;
    struct Done {
        ~Done() { s_bBuildListsRunning = false; }
    } done;

    QV_TRACE_ENTER("BuildLists");

    DWORD dwRet = 0;
    bool bSkipErrorRule = false;
    if (m_tNet.dwPlatformId == kNotDetected) {
        // Environment detection, once per process (again only after a
        // failed version query).
        GetSysVersion(m_tNet.dwPlatformId);
        dwRet = GetNetProv(m_tNet);
        GetZentrixModi();
    }
    if (dwRet == 0) {
        if (m_bUseGetUniv == 0)
            dwRet = GetAllServers();
        else
            bSkipErrorRule = true;  // the server list is built on its first use
    }
    if (!bSkipErrorRule && m_bUseGetUniv != 0) {
        QV_PARAM("Fehler ignoriert! dwRet=\n" << dwRet);
        dwRet = 0;
    }

    if (TraceIsOn()) {
        // Shows the installed providers in the trace; it leaves the lists empty.
        QV_PARAM("BEGINN: Zus\xE4" "tzliche Information f\xFCr Trace");
        if (m_bNetScannedOnce == 0) GetServerList();
        ClearLists();
        m_fObjFound = 0;
        NETRESOURCEA tFound;
        std::memset(&tFound, 0, sizeof tFound);
        NetScan(nullptr, nullptr, RESOURCEDISPLAYTYPE_NETWORK, 1, &tFound);
        QV_PARAM("ENDE: Zus\xE4" "tzliche Information f\xFCr Trace");
    }
    return dwRet;
}

DWORD CNetResConvert::ClearLists() {
    QV_TRACE_ENTER("ClearLists");

    if (m_tNet.tNwProvider.wAvailable != 0) ClearNetInfo(&m_tNet.tNwProvider);
    if (m_tNet.tMsProvider.wAvailable != 0) ClearNetInfo(&m_tNet.tMsProvider);
    m_bNetScanned = 0;
    m_ServerList.clear();
    m_UseDomains.clear();
    m_fUseAllDom = 1;
    m_MountList.clear();
    MapList.clear();
    m_VolumeList.clear();
    ListsChanged();
    return 0;
}

WORD CNetResConvert::GetConvertMode() {
    QV_ERROR("GetConvertMode ist veraltet und darf nicht mehr benutzt werden!");
    return 0;
}

void CNetResConvert::SetConvertMode(WORD /*wMode*/) {
    QV_TRACE_ENTER("SetConvertMode ALT");
    QV_ERROR("SetConvertMode ist veraltet und darf nicht mehr benutzt werden!");
}

// ---- mount list -------------------------------------------------------------

const std::vector<MOUNT_T>& CNetResConvert::GetMountList() {
    QV_TRACE_ENTER("GetMountList");

    if (m_tNet.dwPlatformId == kNotDetected) BuildLists();
    if (!m_MountList.empty()) {
        QV_PARAM("Clear MountList: size=" << m_MountList.size());
        m_MountList.clear();
        ListsChanged();
    }

    // The list is built apart and published at the end: a server scan that a
    // conversion starts in the middle (and that clears the lists) can then
    // neither drop entries nor shift the short-name slots against them.
    std::vector<MOUNT_T> tList;
    char szKurz[kShortSlots][kPathSize] = {};
    DWORD dwSlot = 0;
    DWORD dwRet = 0;
    EnumHandle hEnum;

    try {
        tList.reserve(kShortSlots);
        dwRet = hEnum.Open(RESOURCE_CONNECTED, RESOURCETYPE_DISK, 0, nullptr);
        if (dwRet != NO_ERROR) {
            QV_SYSERROR("WNetOpenEnum", dwRet);
        } else {
            EnumBuffer buf;
            for (;;) {
                DWORD dwCount = 0xFFFFFFFF;
                DWORD cbBuffer = 0;
                dwRet = EnumBatch(hEnum.Get(), buf, kMountEnumSize, dwCount, cbBuffer, [&] {
                    QV_PARAM("EnumResource=ERROR_MORE_DATA=" << ERROR_MORE_DATA << ", Count="
                                                             << dwCount << ", RequiredSize="
                                                             << cbBuffer << ", max=" << kMountEnumSize);
                    QV_PARAM("new pNetRes [" << cbBuffer << "]");
                });
                if (dwRet != NO_ERROR) {
                    buf.Free();
                    if (dwRet != ERROR_NO_MORE_ITEMS) QV_SYSERROR("WNetEnumResource", dwRet);
                    break;
                }
                if (dwCount < 1) continue;

                const NETRESOURCEA* pRes = buf.Records();
                DWORD dwEntries = buf.Count(dwCount);
                for (DWORD i = 0; i < dwEntries; ++i) {
                    const NETRESOURCEA& r = pRes[i];
                    if (r.lpLocalName == nullptr) {
                        QV_PARAM("LocalName==NULL, continue");
                        continue;
                    }
                    if (r.lpProvider == nullptr) {
                        QV_PARAM("Provider==NULL, continue");
                        continue;
                    }
                    if (r.lpRemoteName == nullptr) {
                        QV_PARAM("RemoteName==NULL, continue");
                        continue;
                    }
                    QV_PARAM("__Map#=" << i << ", " << r.lpLocalName << "=" << r.lpRemoteName
                                       << ", NP=" << r.lpProvider);

                    MOUNT_T tMount;
                    tMount.dwNetType = GetNetType(r.lpProvider);
                    if (tMount.dwNetType == NET_TYPE_UNSUPPORTED) continue;
                    tMount.LocalName = r.lpLocalName;
                    tMount.RemoteName = r.lpRemoteName;

                    // The DNC name of the remote name.
                    alignas(REMOTE_NAME_INFOA) char szUniv[kUniversalSize];
                    bool bConvert = m_bUseGetUniv == 0;
                    if (m_bUseGetUniv != 0 && tMount.dwNetType == WNNC_NET_LANMAN) {
                        tMount.DNCName = tMount.RemoteName;
                        dwRet = 0;
                        QV_PARAM("DNC-Name==Remote-Name=" << tMount.DNCName);
                    } else if (m_bUseGetUniv != 0) {
                        DWORD cbUniv = kUniversalSize;
                        dwRet = w32::WNetGetUniversalNameA(r.lpLocalName, REMOTE_NAME_INFO_LEVEL,
                                                           szUniv, &cbUniv);
                        if (dwRet == NO_ERROR) {
                            const char* pszUniv =
                                reinterpret_cast<const REMOTE_NAME_INFOA*>(szUniv)->lpUniversalName;
                            tMount.DNCName = pszUniv != nullptr ? pszUniv : "";
                            QV_PARAM("WNetGetUniversalName=" << dwRet << ", DNC=" << tMount.DNCName);
                        } else {
                            QV_SYSERROR("WNetGetUniversalName", dwRet);
                            bConvert = true;
                        }
                    }
                    if (bConvert) {
                        DWORD cbDnc = kUniversalSize;
                        szUniv[0] = '\0';
                        dwRet = ConvName2DNC(r.lpRemoteName, szUniv, cbDnc);
                        szUniv[kUniversalSize - 1] = '\0';
                        tMount.DNCName = szUniv;
                    }

                    // The short form, for the first 25 entries.
                    if (dwSlot < kShortSlots) {
                        if (m_bUseLongAndShortDir != 0 && dwRet == 0) {
                            char szWork[kPathSize];
                            char szLang[kPathSize];
                            BoundedCopy(szWork, sizeof szWork, tMount.DNCName.c_str());
                            szLang[0] = '\0';
                            GetLongAndShortDNCName(szWork, szLang, szKurz[dwSlot]);
                            szLang[kPathSize - 1] = '\0';
                            szKurz[dwSlot][kPathSize - 1] = '\0';
                            tMount.DNCName = szLang;
                        } else {
                            szKurz[dwSlot][0] = '\0';
                        }
                        ++dwSlot;
                    }

                    tList.push_back(tMount);
                }
                if (dwRet != NO_ERROR) break;
            }
        }
    } catch (const std::exception&) {
        // Out of memory: the drives listed so far are kept.
        QV_SYSERROR("GetMountList", static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }
    hEnum.Close();

    m_MountList.swap(tList);
    std::memcpy(m_MountListKurzName, szKurz, sizeof m_MountListKurzName);
    ListsChanged();
    QV_PARAM("MountedDrives=" << m_MountList.size());
    return m_MountList;
}

// ---- resource name to DNC ---------------------------------------------------

DWORD CNetResConvert::GetResNameType(const char* ResName, DWORD& dwType) {
    return TraceDispatch([]<bool Traced>(const char* ResName, DWORD* pType) -> DWORD {
        QV_TRACE_ENTER_IF(Traced, "GetResNameType");
        DWORD& dwType = *pType;

        if (ResName == nullptr || ResName[0] == '\0' || ResName[1] == '\0') {
            dwType = RES_TYPE_UNKNOWN;
            if constexpr (Traced) QV_ERROR("Bad ResName=" << TraceStr(ResName));
            return ERROR_INVALID_PARAMETER;
        }
        const unsigned char c = static_cast<unsigned char>(ResName[0]);
        const bool bLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (bLetter && ResName[1] == ':') {
            dwType = RES_TYPE_MAP;
            if constexpr (Traced) QV_PARAM(ResName << " is MAP, type=" << dwType);
            return 0;
        }
        if (ResName[0] == '\\' && ResName[1] == '\\') {
            dwType = RES_TYPE_UNC;
            if constexpr (Traced) QV_PARAM(ResName << " is UNC like, type=" << dwType);
            return 0;
        }
        dwType = RES_TYPE_UNKNOWN;
        if constexpr (Traced) QV_ERROR(ResName << " is an unknown, type=" << dwType);
        return CONV_BAD_RES_TYPE;
    }, ResName, &dwType);
}

DWORD CNetResConvert::ConvRes2DNC(const char* ResName, char* DNCName, DWORD& BufSize) {
    return TraceDispatch([]<bool Traced>(const char* ResName, char* DNCName, DWORD* pBufSize) -> DWORD {
        QV_TRACE_ENTER_IF(Traced, "ConvRes2DNC");
        DWORD& BufSize = *pBufSize;

        if (ResName == nullptr || DNCName == nullptr || BufSize == 0) {
            if constexpr (Traced) QV_ERROR("ResName oder DNCName == NULL");
            return ERROR_INVALID_PARAMETER;
        }
        if (std::strlen(ResName) <= 2) {
            if constexpr (Traced) QV_ERROR("ResName <= 2");
            return ERROR_INVALID_PARAMETER;
        }
        if (m_tNet.dwPlatformId == kNotDetected) BuildLists();

        DNCName[0] = '\0';
        if constexpr (Traced) QV_PARAM("Res=" << ResName << ", BufSize=" << BufSize);

        DWORD dwType = RES_TYPE_UNKNOWN;
        DWORD dwRet = GetResNameType(ResName, dwType);
        if (dwRet != 0) {
            if constexpr (Traced) QV_ERROR("GetResNameType: ERR=" << dwRet);
            return dwRet;
        }

        if (dwType == RES_TYPE_MAP) {
            const char szDrive[3] = {ResName[0], ResName[1], '\0'};
            if (m_MountList.empty()) GetMountList();

            const long nPos = FindDrive(m_MountList, szDrive);
            const MOUNT_T* pMount = nPos < 0 ? nullptr : &m_MountList[static_cast<std::size_t>(nPos)];
            if (pMount == nullptr) {
                if constexpr (Traced) QV_ERROR("Drive " << szDrive << " NOT_FOUND in MountList");
                return CONV_BAD_RES_NAME;
            }
            if constexpr (Traced)
                QV_PARAM("Drive " << pMount->LocalName << "=" << pMount->RemoteName
                                  << ", dwNetType=" << pMount->dwNetType);
            if (pMount->DNCName.empty()) {
                if constexpr (Traced) {
                    QV_ERROR("CONV_BAD_MAP_PATH bei  " << pMount->DNCName);
                    QV_ERROR("Drive " << szDrive << " NOT_FOUND in MountList");
                }
                return CONV_BAD_MAP_PATH;
            }
            // The rest behind the drive follows the drive's DNC name as it is.
            dwRet = CopyWhole(DNCName, BufSize, pMount->DNCName.data(), pMount->DNCName.size(), ResName + 2);
            if constexpr (Traced)
                if (dwRet != 0) QV_ERROR("Buffer zu klein, dwRet=" << dwRet);
        } else {
            // Already a DNC name when a mapped-drive path reaches it. The
            // traced copy has ConvDNCtoMAP check the name, for its records;
            // both copies then look for a path by the same walk.
            bool bWellFormed = false;
            if constexpr (Traced) {
                std::vector<std::string> tMaps;
                bWellFormed = ConvDNCtoMAP(ResName, tMaps) == 0;
            } else if (CheckDncName(ResName, DNCName, "") == 0) {
                bWellFormed = true;
                // As ConvDNCtoMAP prepares its walk.
                if (m_tNet.dwPlatformId == kNotDetected) BuildLists();
                if (m_MountList.empty()) GetMountList();
            }
            bool bMapped = false;
            if (bWellFormed)
                WalkMappedPaths(
                    m_MountList, m_MountListKurzName, ResName,
                    [&](const MOUNT_T&, const char*, bool bFits) { return !(bMapped = bFits); },
                    [](const char*) {});
            if (bMapped) {
                if constexpr (Traced) QV_PARAM("Pfad liegt bereits im DNC-Format vor!");
                dwRet = CopyWhole(DNCName, BufSize, ResName, std::strlen(ResName));
                if constexpr (Traced)
                    if (dwRet != 0) QV_ERROR("Buffer zu klein, dwRet=" << dwRet);
            } else {
                dwRet = ConvName2DNC(ResName, DNCName, BufSize);
            }
            if constexpr (Traced) QV_PARAM("ACHTUNG: RES_TYPE_NAME wird nicht mehr unterstuetzt!");
        }

        if constexpr (Traced) QV_PARAM("OK, DNC=" << DNCName);
        return dwRet;
    }, ResName, DNCName, &BufSize);
}

// ---- DNC to UNC and mapped drive --------------------------------------------

DWORD CNetResConvert::ConvDNCtoUNC(const char* DNCName, char* UNCName) {
    QV_TRACE_ENTER("ConvDNCtoUNC");
    QV_PARAM("DNC=" << TraceStr(DNCName));

    DWORD dwRet = CheckDncName(DNCName, UNCName, "DNCName hat keine Backslashes nach \\\\");
    if (dwRet != 0) return dwRet;
    BoundedCopy(UNCName, kPathSize, DNCName);
    QV_PARAM("UNC=" << TraceStr(UNCName));
    return 0;
}

DWORD CNetResConvert::ConvDNC2UNC(const char* DNCName, char* UNCName, std::vector<std::string>& MAP) {
    QV_TRACE_ENTER("ConvDNC2UNC");
    QV_PARAM("DNC=" << TraceStr(DNCName));

    MAP.clear();
    DWORD dwRet = CheckDncName(DNCName, UNCName, "DNCName hat keinen 2. backslash");
    if (dwRet != 0) return dwRet;
    if (m_tNet.dwPlatformId == kNotDetected) BuildLists();
    if (m_MountList.empty()) GetMountList();

    DWORD dwMapIndex = 0;
    try {
        WalkMappedPaths(
            m_MountList, m_MountListKurzName, DNCName,
            [&](const MOUNT_T& tMount, const char* pszRest, bool bFits) {
                std::string strPath = tMount.LocalName + pszRest;
                if (!bFits) {
                    QV_PARAM("Mapped Drive=" << strPath << " zu lang, ausgelassen");
                    return true;
                }
                QV_PARAM("Mapped Drive=" << strPath << ", MapIndex=" << dwMapIndex);
                MAP.push_back(std::move(strPath));
                ++dwMapIndex;
                return true;
            },
            [&](const char* pszRest) { QV_PARAM("ACHTUNG: DNCName+len=" << pszRest); });
    } catch (const std::exception&) {
        // Out of memory: the paths found so far are kept.
        QV_SYSERROR("ConvDNC2UNC", static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }

    BoundedCopy(UNCName, kPathSize, DNCName);
    if (MAP.empty())
        QV_PARAM("UNC=" << UNCName << ", ML.size=" << MAP.size() << ", Ret=" << 0);
    else
        QV_PARAM("UNC=" << UNCName << ", MAP=" << MAP.front() << ", ML.size=" << MAP.size()
                        << ", Ret=" << 0);
    return 0;
}

DWORD CNetResConvert::ConvDNCtoMAP(const char* DNCName, std::vector<std::string>& MAP) {
    char szUNC[kPathSize];
    return ConvDNC2UNC(DNCName, szUNC, MAP);
}

DWORD CNetResConvert::GetMapEntry(const char* pszDNCName, NETRESOURCEA* pNetRes, DWORD dwIndex,
                                  char* pszMap) {
    QV_TRACE_ENTER("GetMapEntry");
    QV_PARAM("GetMapEntry: DNC=" << TraceStr(pszDNCName) << ", Index=" << dwIndex << " von "
                                 << MapList.size());

    if (dwIndex >= MapList.size()) {
        QV_ERROR("GetMapEntry: Invalid MapList Index=" << dwIndex
                                                       << ", CONV_IVALID_INDEX ERR=" << CONV_IVALID_INDEX);
        return CONV_IVALID_INDEX;
    }
    if (pszDNCName == nullptr || pszMap == nullptr || pNetRes == nullptr) {
        QV_ERROR("pszDNCName oder pszMap oder pNetRes == NULL");
        return ERROR_INVALID_ADDRESS;
    }
    BoundedCopy(pszMap, kPathSize, MapList[dwIndex].c_str());
    QV_PARAM("  Map=" << pszMap);
    return 0;
}

// ---- server and volume lists --------------------------------------------------

const std::vector<std::string>& CNetResConvert::GetServerList() {
    QV_TRACE_ENTER("GetServerList");

    if (m_tNet.dwPlatformId == kNotDetected) BuildLists();
    GetAllServers();
    QV_PARAM("GetServerList: NW-Servers=" << m_tNet.tNwProvider.dwServerCount
                                          << ", MS-Servers=" << m_tNet.tMsProvider.dwServerCount
                                          << ", ServerList.size=" << m_ServerList.size());
    return m_ServerList;
}

DWORD CNetResConvert::GetServerInfo(DWORD dwIndex, NETRESOURCEA* pRes) {
    if (m_tNet.dwPlatformId == kNotDetected) BuildLists();
    QV_PARAM("ACHTUNG: GetServerInfo darf nicht mehr aufgerufen werden!");
    return GetNextServer(dwIndex, pRes);
}

DWORD CNetResConvert::EnumServerRes(NETRESOURCEA* pRes) {
    QV_TRACE_ENTER("EnumServerRes");

    if (pRes == nullptr) {
        QV_ERROR("pRes == NULL");
        return ERROR_INVALID_ADDRESS;
    }
    QV_PARAM("RemoteName=" << TraceStr(pRes->lpRemoteName) << ", Provider="
                           << TraceStr(pRes->lpProvider) << ", DisplayType=" << pRes->dwDisplayType
                           << ", Type=" << pRes->dwType << ", Usage=" << pRes->dwUsage);

    if (m_tNet.dwPlatformId == kNotDetected) BuildLists();
    pRes->dwUsage = RESOURCEUSAGE_CONNECTABLE;

    EnumHandle hEnum;
    DWORD dwRet = hEnum.Open(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, RESOURCEUSAGE_CONNECTABLE, pRes);
    if (dwRet != NO_ERROR) {
        QV_SYSERROR("WNetOpenEnum", dwRet);
        return dwRet;
    }

    // One batch: as many entries as fit, retried once in a larger buffer
    // when not even one fits.
    EnumBuffer buf;
    DWORD dwCount = 0xFFFFFFFF;
    DWORD cbBuffer = 0;
    dwRet = EnumBatch(hEnum.Get(), buf, kVolumeEnumSize, dwCount, cbBuffer, [&] {
        QV_PARAM("EnumResource=" << ERROR_MORE_DATA << ", Count=" << dwCount
                                 << ", BufSize=" << cbBuffer);
        dwCount = 0xFFFFFFFF;
    });
    if (dwRet != NO_ERROR) {
        QV_SYSERROR("WNetEnumResource", dwRet);
        return dwRet;
    }
    QV_PARAM("EnumResource=" << dwRet << ", Count=" << dwCount << ", BufSize=" << cbBuffer);
    hEnum.Close();

    try {
        std::vector<std::string> tVolumes;
        const NETRESOURCEA* pShares = buf.Records();
        DWORD dwEntries = buf.Count(dwCount);
        tVolumes.reserve(dwEntries);
        for (DWORD i = 0; i < dwEntries; ++i) {
            QV_PARAM(" Share=" << TraceStr(pShares[i].lpRemoteName));
            if (pShares[i].lpRemoteName != nullptr) tVolumes.emplace_back(pShares[i].lpRemoteName);
        }
        m_VolumeList.swap(tVolumes);
        ListsChanged();
    } catch (const std::exception&) {
        QV_SYSERROR("EnumServerRes", static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    QV_PARAM("Anzahl Volumes=" << m_VolumeList.size());
    return 0;
}

const std::vector<std::string>& CNetResConvert::GetVolumeList() {
    return m_VolumeList;
}

// ---- DNC names taken apart ------------------------------------------------------

DWORD CNetResConvert::GetServerFromDNC(char* pszDNC, char* pszServer) {
    QV_TRACE_ENTER("GetServerFromDNC");

    if (pszDNC == nullptr || pszServer == nullptr) {
        QV_ERROR("pszDNC oder pszServer == NULL");
        return ERROR_INVALID_ADDRESS;
    }
    // The server part: the leading backslashes and the name behind them.
    std::memset(pszServer, 0, kPathSize);
    BoundedCopy(pszServer, kPathSize, pszDNC);
    char* p = pszServer;
    while (*p == '\\') ++p;
    char* pEnd = w32::MbsChr(p, '\\');
    if (pEnd != nullptr) *pEnd = '\0';

    QV_PARAM("GetServerFromDNC=" << TraceStr(pszDNC) << ", Server=" << TraceStr(pszServer));
    return 0;
}
