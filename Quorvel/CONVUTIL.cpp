// Name parsing and DNC construction: the dispatcher from a resource name to
// its DNC name, the UNC and the two NDS converters, the server lookup and the
// split of an NDS volume object name into server and volume.
#include <cstring>
#include <string>

#include "ConvInternal.h"
#include <quorvel/NetResConvert.h>
#include "Zx_trace.h"

QV_TRACE_UNIT(4);

using namespace qvlib;

namespace {

constexpr std::size_t kNameSize = 260;    // server, volume and caller's path buffers
constexpr std::size_t kWorkSize = 261;    // 260 bytes of text and a terminator
constexpr std::size_t kMinNameLength = 6; // two backslashes and the shortest name
constexpr DWORD kAnyDisplayType = 0xFFFFFFFF;

// The DNC result buffer of the converters is the dispatcher's work buffer:
// a DNC name of up to 260 bytes and its terminator.
constexpr std::size_t kDncSize = kWorkSize;

// The first character after the two leading ones of a name, or null when
// the name is shorter than two characters.
const char* AfterPrefix(const char* psz) {
    const char* p = NextChar(psz);
    if (*p == '\0') return nullptr;
    return NextChar(p);
}

// The first backslash at or after the third character, or null.
const char* FirstSeparator(const char* psz) {
    const char* p = AfterPrefix(psz);
    return p == nullptr ? nullptr : w32::MbsChr(p, '\\');
}

// Writes server part, a backslash and the volume into a DNC buffer.
void WriteServerVolume(char* pszDest, const char* pszServer, const char* pszVolume) {
    BoundedCopy(pszDest, kDncSize, pszServer);
    BoundedAppend(pszDest, kDncSize, "\\");
    BoundedAppend(pszDest, kDncSize, pszVolume);
}

// An NDS name cut up in a work copy of its own: terminators at the separators.
struct NdsName {
    char szName[kWorkSize];
    char* pSep = nullptr;  // the first backslash after the two leading characters

    // The start of both NDS converters: both pointers given (else the ERROR
    // line pszNull and ERROR_INVALID_ADDRESS), and the copy with its first
    // separator (else the ERROR line pszNoSeparator and CONV_BAD_NAME_FORMAT).
    DWORD Cut(const char* pszSrc, const char* pszDest, const char* pszNull, const char* pszNoSeparator) {
        if (pszSrc == nullptr || pszDest == nullptr) {
            QV_ERROR(pszNull);
            return ERROR_INVALID_ADDRESS;
        }
        BoundedCopy(szName, sizeof szName, pszSrc);
        pSep = const_cast<char*>(FirstSeparator(szName));
        if (pSep == nullptr) {
            QV_ERROR(pszNoSeparator);
            return CONV_BAD_NAME_FORMAT;
        }
        return 0;
    }
};

}  // namespace

// ---- dispatcher -------------------------------------------------------------

DWORD CNetResConvert::ConvName2DNC(const char* ResName, char* DNC, DWORD& BufSize) {
    QV_TRACE_ENTER("ConvName2DNC");
    QV_PARAM("ResName=" << TraceStr(ResName) << ", BufSize=" << BufSize);

    if (DNC == nullptr) {
        QV_ERROR("DNC==NULL, ERR CONV_BAD_VALUE");
        return ERROR_INVALID_PARAMETER;
    }
    if (BufSize > 0) DNC[0] = '\0';
    if (ResName == nullptr || ::strnlen(ResName, kMinNameLength) < kMinNameLength) {
        QV_ERROR("ResName=NULL oder len < 6, ERR CONV_BAD_RES_NAME");
        return CONV_BAD_RES_NAME;
    }
    // Tested on the caller's text: two forward slashes do not begin a name.
    if (ResName[0] != '\\' || ResName[1] != '\\') {
        QV_ERROR("ResName beginnt nicht mit '\\\\'");
        return CONV_BAD_NAME_FORMAT;
    }
    DWORD dwRet = GetAllServers();
    if (dwRet != 0) {
        QV_ERROR("Fehler bei Erstellung der Serverliste, dwRet=" << dwRet);
        return dwRet;
    }

    char szWork[kWorkSize] = {};
    std::memcpy(szWork, ResName, ::strnlen(ResName, kWorkSize - 1));
    for (char* p = szWork; *p != '\0'; p = const_cast<char*>(NextChar(p)))
        if (*p == '/') *p = '\\';

    char szResult[kWorkSize] = {};
    if (ConvTypeUNC(szWork, szResult) != 0) {
        switch (m_tNet.dwPlatformId) {
        case 1:
            dwRet = ConvTypeNDSMitPunkten(szWork, szResult);
            break;
        case 2:
            if (m_tNet.tNwProvider.dwClientType == 2) {
                dwRet = ConvTypeNDSMitBSlashes(szWork, szResult);
            } else if (m_tNet.tNwProvider.dwClientType == 1) {
                dwRet = ConvTypeNDSMitPunkten(szWork, szResult);
            } else {
                QV_ERROR("Unerwarteter Client=" << m_tNet.tNwProvider.dwClientType);
                dwRet = CONV_BAD_CLIENT;
            }
            break;
        default:
            QV_ERROR("Unerwartete OS-Version=" << m_tNet.dwPlatformId);
            dwRet = CONV_BAD_OS_VERSION;
            break;
        }
        if (dwRet != 0) {
            QV_ERROR("Keine Umwandlung m\xF6glich, dwRet=" << dwRet);
            return dwRet;
        }
    }

    const std::size_t L = ::strnlen(szResult, kWorkSize - 1);
    if (BufSize > L) {
        std::memcpy(DNC, szResult, L + 1);
        QV_PARAM("DNC-Name=" << TraceStr(DNC));
        return 0;
    }
    BufSize = static_cast<DWORD>(L + 1);
    QV_ERROR("Buffer zu klein, dwRet=" << ERROR_MORE_DATA);
    return ERROR_MORE_DATA;
}

// ---- NDS names --------------------------------------------------------------

DWORD CNetResConvert::ConvTypeNDSMitPunkten(const char* pszSrc, char* pszDest) {
    QV_TRACE_ENTER("ConvTypeNDSMitPunkten");
    QV_PARAM("RemoteName=" << TraceStr(pszSrc));
    NdsName name;
    if (DWORD dwRet = name.Cut(pszSrc, pszDest, "pszSrc oder pszDest", "RemoteName: '\\' fehlt nach $NDS bzw. Tree"))
        return dwRet;
    char* pElement = name.pSep;
    ++pElement;
    if (*pElement == '.') {
        ++pElement;
        if (*pElement == '.') {
            QV_ERROR("Resource-Name ent\xE4lt '..' !");
            return CONV_BAD_RES_NAME;
        }
    }

    const char* pszRest = "";
    if (char* pPath = w32::MbsChr(pElement, '\\'); pPath != nullptr) {
        *pPath = '\0';
        pszRest = pPath + 1;
    }
    // The first component is the volume object; its context is not needed.
    if (char* pDot = w32::MbsChr(pElement, '.'); pDot != nullptr) *pDot = '\0';
    if (*pElement == '\0') {
        QV_ERROR("Kein '.' gefunden!");
        return CONV_NO_DOT;
    }
    return MakeDNC(pElement, pszRest, pszDest);
}

DWORD CNetResConvert::ConvTypeNDSMitBSlashes(const char* pszSrc, char* pszDest) {
    QV_TRACE_ENTER("ConvTypeNDSMitBSlashes");
    DWORD dwRet = CONV_RES_NOT_FOUND;

    // The container whose children are searched next, and the name looked for.
    char szContainer[kWorkSize] = {};
    char szSearch[kWorkSize] = {};
    NETRESOURCEA start = {};
    start.dwScope = RESOURCE_GLOBALNET;
    start.dwType = RESOURCETYPE_DISK;
    start.dwDisplayType = RESOURCEDISPLAYTYPE_GENERIC;
    start.dwUsage = 0;
    start.lpRemoteName = szContainer;
    start.lpProvider = m_tNet.tNwProvider.szName;

    QV_PARAM("Src=" << TraceStr(pszSrc));
    NdsName name;
    if (DWORD dwCut = name.Cut(pszSrc, pszDest, "pszSrc oder pszDest == NULL", "Keine weiteren Elemente!"))
        return dwCut;
    char* pSep = name.pSep;
    *pSep = '\0';
    BoundedCopy(szContainer, sizeof szContainer, name.szName);
    BoundedCopy(szSearch, sizeof szSearch, szContainer);

    // The elements after the tree; empty ones (backslashes in a row, a
    // trailing backslash) do not count.
    char* pNext = pSep + 1;
    auto nextElement = [&pNext]() -> char* {
        while (*pNext == '\\') ++pNext;
        if (*pNext == '\0') return nullptr;
        char* pElem = pNext;
        char* pEnd = w32::MbsChr(pElem, '\\');
        if (pEnd != nullptr) {
            *pEnd = '\0';
            pNext = pEnd + 1;
        } else {
            pNext = pElem + std::strlen(pElem);
        }
        return pElem;
    };

    char* pElem = nextElement();
    if (pElem == nullptr) {
        QV_ERROR("Namen falsch aufgebaut!");
        return CONV_BAD_NAME_FORMAT;
    }
    for (; pElem != nullptr; pElem = nextElement()) {
        if (dwRet == 0) {
            // Below the volume: the path, as written.
            BoundedAppend(pszDest, kDncSize, "\\");
            BoundedAppend(pszDest, kDncSize, pElem);
            continue;
        }
        // A typed name ("OU=Sales") counts by its name.
        if (char* pEq = w32::MbsChr(pElem, '='); pEq != nullptr) pElem = pEq + 1;

        BoundedAppend(szSearch, sizeof szSearch, "\\");
        BoundedAppend(szSearch, sizeof szSearch, pElem);
        NETRESOURCEA found = {};
        m_fObjFound = 0;
        QV_PARAM("Suche Resource=" << TraceStr(szSearch));
        DWORD dwScan = NetScan(&start, szSearch, kAnyDisplayType, 1, &found);
        if (dwScan != 0) {
            QV_ERROR("Resource nicht gefunden : " << szSearch);
            return dwScan;
        }
        if (found.dwDisplayType == RESOURCEDISPLAYTYPE_SHARE) {
            char szServer[kNameSize];
            char szVolume[kNameSize];
            dwRet = ExtractServerVolume(pElem, szServer, szVolume);
            if (dwRet == 0) WriteServerVolume(pszDest, szServer, szVolume);
        }
        // The next element is looked for among the children of this one,
        // whether it was found or not.
        BoundedCopy(szContainer, sizeof szContainer, szSearch);
    }
    QV_PARAM("RetOK, Dst=" << TraceStr(pszDest, kDncSize));
    return dwRet;
}

// ---- UNC names, server lookup, DNC assembly ---------------------------------

DWORD CNetResConvert::ConvTypeUNC(const char* pszSrc, char* pszDest) {
    QV_TRACE_ENTER("ConvTypeUNC");
    QV_PARAM("ResName=" << TraceStr(pszSrc));
    if (pszSrc == nullptr || pszDest == nullptr) {
        QV_ERROR("pszSrc oder pszDest == NULL");
        return ERROR_INVALID_ADDRESS;
    }
    const char* pServer = AfterPrefix(pszSrc);
    const char* pSep = pServer == nullptr ? nullptr : w32::MbsChr(pServer, '\\');
    if (pSep == nullptr || pSep == pServer) {
        QV_ERROR("Keine \\Volume-Angabe");
        return CONV_BAD_NAME_FORMAT;
    }

    char szServer[kWorkSize];
    const std::size_t serverLen = static_cast<std::size_t>(pSep - pszSrc);
    const std::size_t n = serverLen < sizeof szServer ? serverLen : sizeof szServer - 1;
    std::memcpy(szServer, pszSrc, n);
    szServer[n] = '\0';

    DWORD dwRet = CONV_NO_SERVER;
    if (FindServer(szServer) == 1) {
        BoundedCopy(pszDest, kDncSize, pszSrc);
        dwRet = 0;
    }
    QV_PARAM("dwRet=" << dwRet);
    return dwRet;
}

int CNetResConvert::FindServer(const char* pszServer) {
    QV_TRACE_ENTER("FindServer");
    if (pszServer != nullptr) {
        const long i = FindServerEntry(m_ServerList, pszServer);
        if (i >= 0) {
            QV_PARAM("FindServer=" << TraceStr(m_ServerList[static_cast<std::size_t>(i)]) << " gefunden");
            return 1;
        }
    }
    QV_PARAM("FindServer=" << TraceStr(pszServer) << " nicht gefunden");
    return 0;
}

DWORD CNetResConvert::ExtractServerVolume(char* pszSrc, char* pServer, char* pVolume) {
    QV_TRACE_ENTER("ExtractServerVolume");
    QV_PARAM("Src=" << TraceStr(pszSrc));
    if (pszSrc == nullptr || pServer == nullptr || pVolume == nullptr) {
        QV_ERROR("pszSrc oder pServer oder pVolume == NULL");
        return ERROR_INVALID_ADDRESS;
    }

    // The split is tried at the rightmost underscore first: the longest
    // server name the server list knows wins.
    char szLocal[kWorkSize];
    BoundedCopy(szLocal, sizeof szLocal, pszSrc);
    for (char* pUnder = w32::MbsRChr(szLocal, '_'); pUnder != nullptr;
         pUnder = w32::MbsRChr(szLocal, '_')) {
        const std::size_t P = static_cast<std::size_t>(pUnder - szLocal);
        BoundedCopy(pServer, kNameSize, "\\\\");
        const std::size_t room = kNameSize - 3;
        const std::size_t n = P < room ? P : room;
        std::memcpy(pServer + 2, pszSrc, n);
        pServer[2 + n] = '\0';
        BoundedCopy(pVolume, kNameSize, pszSrc + P + 1);
        if (FindServer(pServer) == 1) {
            QV_PARAM("RetOK, Server=" << TraceStr(pServer) << ", Volume=" << TraceStr(pVolume));
            return 0;
        }
        *pUnder = '\0';
    }
    pServer[0] = '\0';
    pVolume[0] = '\0';
    QV_ERROR("No Server found, ERR=" << CONV_NO_SERVER);
    return CONV_NO_SERVER;
}

DWORD CNetResConvert::MakeDNC(char* pszElement, const char* pszRest, char* pszDest) {
    QV_TRACE_ENTER("MakeDNC");
    if (pszDest == nullptr) {
        QV_ERROR("pszDest == NULL");
        return ERROR_INVALID_ADDRESS;
    }
    char szServer[kNameSize];
    char szVolume[kNameSize];
    DWORD dwRet = ExtractServerVolume(pszElement, szServer, szVolume);
    if (dwRet != 0) {
        QV_ERROR("NDS Element enth\xE4lt nicht server_vol");
        return dwRet;
    }
    WriteServerVolume(pszDest, szServer, szVolume);
    if (pszRest != nullptr && *pszRest != '\0') {
        BoundedAppend(pszDest, kDncSize, "\\");
        BoundedAppend(pszDest, kDncSize, pszRest);
    }
    QV_PARAM("RetOK, DNC=" << pszDest);
    return 0;
}
