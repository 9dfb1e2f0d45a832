// The network scan and the server list: provider records and their chains,
// the recursive WNet enumeration, the server queries handed out to clients,
// and the long and short forms of a DNC path.
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "Batch.h"
#include "ConvInternal.h"
#include <quorvel/NetResConvert.h>
#include "Zx_trace.h"

QV_TRACE_UNIT(8);

using namespace qvlib;

namespace {

constexpr DWORD kNotDetected = 0xFFFFFFFF;    // dwPlatformId before detection
constexpr DWORD kAnyDisplayType = 0xFFFFFFFF; // search: any display type matches
constexpr DWORD kEnumBufferSize = 1600;       // first enumeration buffer of a level
constexpr DWORD kDomainSectionSize = 4096;    // section "MSDomains" of ZTXDOM.INI
constexpr std::size_t kPathSize = 260;        // caller's path buffers
constexpr std::size_t kWorkSize = 261;        // 260 bytes of text and a terminator

const char kDomainFile[] = "ZTXDOM.INI";
const char kDomainSection[] = "MSDomains";

// Number of enumeration levels open at the moment (traced as "D").
DWORD s_dwScanDepth = 0;

// Case-sensitive substring test; a null text never contains anything.
bool Contains(const char* pszText, const char* pszPart) {
    return pszText != nullptr && w32::MbsStr(pszText, pszPart) != nullptr;
}

// Case-insensitive equality of two network names; a null name equals nothing.
bool SameName(const char* a, const char* b) {
    return a != nullptr && b != nullptr && w32::MbsICmp(a, b) == 0;
}

// A scan of one provider's part of the network: while it lasts the provider
// is the one the scan adds its trees, domains and servers to, and res is the
// top of its part, whose enumeration yields them.
struct ProviderScan {
    _Networks& net;
    char szProvider[kPathSize] = {};
    NETRESOURCEA res = {};
    NETRESOURCEA found = {};

    ProviderScan(_Networks& tNet, _Provider& prov) : net(tNet) {
        net.pCurProvider = &prov;
        BoundedCopy(szProvider, sizeof szProvider, prov.szName);
        res.dwScope = RESOURCE_GLOBALNET;
        res.dwType = RESOURCETYPE_DISK;
        res.dwDisplayType = RESOURCEDISPLAYTYPE_GENERIC;
        res.dwUsage = 0;
        res.lpProvider = szProvider;
    }
    ~ProviderScan() { net.pCurProvider = nullptr; }
    ProviderScan(const ProviderScan&) = delete;
    ProviderScan& operator=(const ProviderScan&) = delete;
};

// The next batch of the children of a container, from an open enumeration
// into buf (allocated by the caller; a failed allocation is met here). The
// buffer keeps the size the platform asks for, for the rest of the level; a
// request that does not grow it cannot be met. NO_ERROR with dwCount entries
// at buf.Records(), or, with bEnd, the level's status: 0 once every child was
// listed, else the failure's code.
DWORD NextBatch(const EnumHandle& hEnum, EnumBuffer& buf, DWORD& dwCount, bool& bEnd) {
    bEnd = true;
    for (;;) {
        if (buf.Data() == nullptr) {
            QV_SYSERROR("WNetEnumResource", static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        dwCount = 0xFFFFFFFF;
        DWORD dwSize = buf.Size();
        const DWORD dwRet = w32::WNetEnumResourceA(hEnum.Get(), &dwCount, buf.Data(), &dwSize);
        if (dwRet == ERROR_MORE_DATA) {
            if (dwSize <= buf.Size()) {
                QV_SYSERROR("WNetEnumResource", dwRet);
                return dwRet;
            }
            buf.Alloc(dwSize);
            continue;
        }
        if (dwRet == ERROR_NO_MORE_ITEMS) {
            QV_PARAM("ERROR_NO_MORE_ITEMS: Alle Items abgearbeitet");
            return 0;
        }
        if (dwRet != NO_ERROR) QV_SYSERROR("WNetEnumResource", dwRet);
        bEnd = dwRet != NO_ERROR;
        return dwRet;
    }
}

// A record the caller asks to have filled; false (traced) for none.
bool HasRecord(const NETRESOURCEA* pRes) {
    if (pRes != nullptr) return true;
    QV_ERROR("pRes == NULL");
    return false;
}

// Fills a server record handed out to a client; the fields the caller owns
// (usage, local name, comment) stay as they are.
void FillServerRecord(NETRESOURCEA* pRes, SLIST* pNode, _Provider& prov) {
    pRes->dwScope = RESOURCE_GLOBALNET;
    pRes->dwType = RESOURCETYPE_DISK;
    pRes->dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
    pRes->lpRemoteName = pNode->szName;
    pRes->lpProvider = prov.szName;
}

// A node for a chain of the current provider; null (traced) when there is
// no current provider or no memory.
template <class Node>
Node* NewNode(const _Provider* pProv, const char* pszAllocError) {
    if (pProv == nullptr) {
        QV_ERROR("pCurProvider == NULL");
        return nullptr;
    }
    Node* pNode = new (std::nothrow) Node;
    if (pNode == nullptr) QV_ERROR(pszAllocError);
    return pNode;
}

// Chains grow at their head only; the count follows the length.
template <class Node>
void PushFront(Node*& pHead, DWORD& dwCount, Node* pNode) {
    pNode->pNext = pHead;
    pHead = pNode;
    ++dwCount;
    ListsChanged();
}

// Deletes a chain from its head; the count goes down once per node.
template <class Node>
void FreeChain(Node*& pHead, DWORD& dwCount) {
    while (pHead != nullptr) {
        Node* pNext = pHead->pNext;
        delete pHead;
        pHead = pNext;
        --dwCount;
    }
    ListsChanged();
}

// The running length of the long path must stay below this.
constexpr DWORD kLengthLimit = 260;

// True when a path component is taken as it is written, without a lookup:
// no dot and fewer than 8 bytes, or a dot below offset 8 with at most two
// bytes after it.
bool IsShortComponent(const char* pszComp) {
    std::size_t len = std::strlen(pszComp);
    const char* pDot = w32::MbsChr(pszComp, '.');
    if (pDot == nullptr) return len < 8;
    std::size_t off = static_cast<std::size_t>(pDot - pszComp);
    return off < 8 && len - off <= 3;
}

// Copies a fixed-size field of a platform record that need not be
// terminated into a buffer one byte larger, terminated.
template <std::size_t N>
void CopyField(char (&dst)[N + 1], const char (&src)[N]) {
    std::size_t n = ::strnlen(src, N);
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

}  // namespace

// ---- provider model ---------------------------------------------------------

DWORD CNetResConvert::GetNetType(const char* pszProvider) {
    QV_TRACE_ENTER("GetNetType");
    const char* P = TraceStr(pszProvider);
    if (pszProvider == nullptr) {
        QV_PARAM("Provider=" << P << ", d.h. Not Supported!");
        return NET_TYPE_UNSUPPORTED;
    }
    if (std::strcmp(pszProvider, m_tNet.tNwProvider.szName) == 0) {
        QV_PARAM("Provider=" << P << ", d.h. NOVELL");
        return WNNC_NET_NETWARE;
    }
    if (std::strcmp(pszProvider, m_tNet.tMsProvider.szName) == 0) {
        QV_PARAM("Provider=" << P << ", d.h. LANMAN");
        return WNNC_NET_LANMAN;
    }
    if (Contains(pszProvider, "NetWare") || Contains(pszProvider, "IntranetWare")) {
        QV_PARAM("ACHTUNG: Provider=" << P << ", d.h. NOVELL");
        return WNNC_NET_NETWARE;
    }
    if (Contains(pszProvider, "Family")) {
        QV_PARAM("Provider=" << P << ", d.h. Family, d.h. Not Supported!");
        return NET_TYPE_UNSUPPORTED;
    }
    if (Contains(pszProvider, "Microsoft")) {
        QV_PARAM("ACHTUNG: Provider=" << P << ", d.h. LANMAN");
        return WNNC_NET_LANMAN;
    }
    QV_PARAM("Provider=" << P << ", d.h. Not Supported!");
    return NET_TYPE_UNSUPPORTED;
}

WORD CNetResConvert::ClearNetInfo(_Provider* pProvider) {
    QV_TRACE_ENTER("ClearNetInfo");
    if (pProvider != nullptr) QV_PARAM("NetProvider=" << TraceStr(pProvider->szName));
    if (pProvider == nullptr || pProvider->wAvailable != 1) {
        QV_ERROR("NetProvider==NULL oder nicht verf\xFC" "gbar");
        return 0;
    }
    FreeChain(pProvider->pTrees, pProvider->dwTreeCount);
    FreeChain(pProvider->pServers, pProvider->dwServerCount);
    return 1;
}

// ---- network scan -----------------------------------------------------------

DWORD CNetResConvert::NetScan(NETRESOURCEA* pParent, const char* pszSearch,
                              DWORD dwSearchDisplayType, DWORD dwMaxDepth,
                              NETRESOURCEA* pFound) {
    QV_TRACE_ENTER("NetScan");
    if (m_fObjFound == 1) return 0;

    // Whether an entry is compared with the name searched: not a server, nor
    // a network whose provider the library does not handle (dwNetType: of a
    // network entry, its provider's type).
    auto compared = [&](const NETRESOURCEA& entry, DWORD dwNetType) {
        return pszSearch != nullptr && entry.dwDisplayType != RESOURCEDISPLAYTYPE_SERVER &&
               (entry.dwDisplayType != RESOURCEDISPLAYTYPE_NETWORK || dwNetType != NET_TYPE_UNSUPPORTED) &&
               (dwSearchDisplayType == kAnyDisplayType || dwSearchDisplayType == entry.dwDisplayType);
    };
    auto hand = [pFound](const NETRESOURCEA& entry) {
        // The entry's texts live in this level's buffer, which is gone when
        // the scan returns: only the numbers are handed on.
        if (pFound == nullptr) return;
        *pFound = {entry.dwScope, entry.dwType, entry.dwDisplayType, entry.dwUsage,
                   nullptr, nullptr, nullptr, nullptr};
    };

    // A search among the children of one container during a batch: first
    // among the children the batch's memory holds, then on through the
    // enumeration it keeps open, as far as the name is found.
    if (pszSearch != nullptr && dwMaxDepth == 1 && pParent != nullptr && batch::InUse()) {
        batch::Level* pLevel = batch::Find(*pParent);
        if (pLevel == nullptr && (pLevel = batch::Add(*pParent)) != nullptr) {
            pLevel->buf.Alloc(kEnumBufferSize);
            pLevel->dwOpen = pLevel->hEnum.Open(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, pParent);
            if (pLevel->dwOpen != NO_ERROR) pLevel->End(pLevel->dwOpen);
        }
        if (pLevel != nullptr) {
            if (pLevel->dwOpen != NO_ERROR) return pLevel->dwOpen;
            // The first child from position on that the search takes for its
            // name (the one at position already known to bear it when bEqual).
            auto match = [&](std::size_t position, bool bEqual) -> bool {
                for (std::size_t i = position; i < pLevel->children.size(); ++i) {
                    const batch::Child& c = pLevel->children[i];
                    if (!(bEqual && i == position) && !SameName(pLevel->NameAt(i), pszSearch)) continue;
                    const NETRESOURCEA entry = {c.dwScope, c.dwType, c.dwDisplayType, c.dwUsage,
                                                nullptr, nullptr, nullptr, nullptr};
                    const DWORD dwNetType = c.dwDisplayType == RESOURCEDISPLAYTYPE_NETWORK
                                                ? GetNetType(c.provider ? c.provider->c_str() : nullptr)
                                                : 0;
                    if (!compared(entry, dwNetType)) continue;
                    m_fObjFound = 1;
                    hand(entry);
                    return true;
                }
                return false;
            };
            const std::size_t nRead = pLevel->children.size();
            const long nFirst = pLevel->names.Find(nRead, [pLevel](std::size_t i) { return pLevel->NameAt(i); },
                                                   pszSearch);
            if (nFirst >= 0 && match(static_cast<std::size_t>(nFirst), true)) return 0;
            try {
                while (!pLevel->bComplete) {
                    DWORD dwCount = 0;
                    bool bEnd = false;
                    const DWORD dwStatus = NextBatch(pLevel->hEnum, pLevel->buf, dwCount, bEnd);
                    if (bEnd) {
                        // Out of memory is this search's alone: the next one reads anew.
                        if (dwStatus == ERROR_NOT_ENOUGH_MEMORY) {
                            batch::Forget(*pParent);
                            return dwStatus;
                        }
                        pLevel->End(dwStatus);
                        break;
                    }
                    const std::size_t nBefore = pLevel->children.size();
                    for (DWORD i = 0; i < dwCount; ++i) pLevel->Add(pLevel->buf.Records()[i]);
                    if (match(nBefore, false)) return 0;
                }
                return pLevel->dwEnd;
            } catch (const std::exception&) {
                // No memory to keep the children: the search goes to the network anew.
                batch::Forget(*pParent);
            }
        }
    }

    EnumBuffer buf;
    buf.Alloc(kEnumBufferSize);  // a failed allocation is met in the batch loop
    EnumHandle hEnum;
    DWORD dwRet = hEnum.Open(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, pParent);
    if (dwRet != NO_ERROR) {
        QV_SYSERROR("WNetOpenEnum", dwRet);
        return dwRet;
    }
    ++s_dwScanDepth;
    const DWORD D = s_dwScanDepth;
    const bool bSearch = pszSearch != nullptr;

    auto onEntry = [&](NETRESOURCEA* pEntry) {
        const char* pszRemote = pEntry->lpRemoteName;
        bool bDescend = true;
        DWORD dwNetType = 0;

        switch (pEntry->dwDisplayType) {
        case RESOURCEDISPLAYTYPE_SERVER:
            QV_PARAM(D << " Server=" << TraceStr(pszRemote));
            if (!bSearch) {
                NextServer(pEntry);
                try {
                    m_ServerList.emplace_back(pszRemote != nullptr ? pszRemote : "");
                } catch (...) {
                }
                ListsChanged();
            }
            bDescend = false;
            break;
        case RESOURCEDISPLAYTYPE_DOMAIN:
        case RESOURCEDISPLAYTYPE_TREE:
            QV_PARAM(D << " Domain/Tree=" << TraceStr(pszRemote));
            if (!bSearch) {
                NextDomain(pEntry);
                if (m_fUseAllDom == 0 && !m_UseDomains.empty()) {
                    bDescend = false;
                    for (const std::string& dom : m_UseDomains) {
                        if (SameName(pszRemote, dom.c_str())) {
                            QV_PARAM(dom << " used");
                            bDescend = true;
                            break;
                        }
                    }
                }
            }
            break;
        case RESOURCEDISPLAYTYPE_SHARE:
            QV_PARAM(D << " Share=" << TraceStr(pszRemote));
            break;
        case RESOURCEDISPLAYTYPE_NETWORK: {
            QV_PARAM(D << " Provider=" << TraceStr(pEntry->lpProvider));
            QV_PARAM(D << " Remote=" << TraceStr(pszRemote) << ", Comment=" << TraceStr(pEntry->lpComment)
                       << ", S=" << pEntry->dwScope << ", T=" << pEntry->dwType);
            // The provider a scan below adds to; other networks are passed over.
            dwNetType = GetNetType(pEntry->lpProvider);
            _Provider* pProv = dwNetType == WNNC_NET_NETWARE  ? &m_tNet.tNwProvider
                               : dwNetType == WNNC_NET_LANMAN ? &m_tNet.tMsProvider
                                                               : nullptr;
            if (pProv != nullptr)
                m_tNet.pCurProvider = pProv;
            else
                bDescend = false;
            break;
        }
        case RESOURCEDISPLAYTYPE_GENERIC:
        case RESOURCEDISPLAYTYPE_NDSCONTAINER:
            QV_PARAM(D << " NdsCont=" << TraceStr(pszRemote));
            break;
        default:
            QV_PARAM(D << " Others=" << TraceStr(pszRemote));
            break;
        }

        if (compared(*pEntry, dwNetType) && SameName(pszRemote, pszSearch)) {
            m_fObjFound = 1;
            hand(*pEntry);
        }

        if (!bDescend || (pEntry->dwUsage & RESOURCEUSAGE_CONTAINER) == 0 ||
            s_dwScanDepth > dwMaxDepth - 1)
            return m_fObjFound == 0;
        if (Contains(pEntry->lpProvider, "HP Network Printer") ||
            Contains(pszRemote, "NDPS Public Access Printers") ||
            Contains(pszRemote, "NDPS-Drucker mit \xF6" "ffentlichem Zugriff")) {
            QV_PARAM(D << " ACHTUNG: lpProvider (HP Network Printer)=" << TraceStr(pEntry->lpProvider));
            QV_PARAM("  oder lpRemoteName (NDPS Public Access Printers)=" << TraceStr(pszRemote));
            return m_fObjFound == 0;
        }
        NetScan(pEntry, pszSearch, dwSearchDisplayType, dwMaxDepth, pFound);
        return m_fObjFound == 0;
    };
    for (bool bEnd = false; !bEnd;) {
        DWORD dwCount = 0;
        dwRet = NextBatch(hEnum, buf, dwCount, bEnd);
        for (DWORD i = 0; !bEnd && i < dwCount; ++i)
            if (!onEntry(const_cast<NETRESOURCEA*>(&buf.Records()[i]))) bEnd = true;
    }

    hEnum.Close();
    buf.Free();
    if (s_dwScanDepth > 0) --s_dwScanDepth;
    if (m_fObjFound == 1) dwRet = 0;
    QV_PARAM("Returnwert=" << dwRet);
    return dwRet;
}

DWORD CNetResConvert::NextDomain(NETRESOURCEA* pRes) {
    QV_TRACE_ENTER("NextDomain");
    _Provider* pProv = m_tNet.pCurProvider;
    TLIST* pNode = NewNode<TLIST>(pProv, "NextDomain: new TLIST fehlgeschlagen");
    if (pNode == nullptr) return ERROR_INVALID_ADDRESS;
    const char* pszName = pRes != nullptr ? pRes->lpRemoteName : nullptr;
    while (pszName != nullptr && *pszName == ' ') ++pszName;
    BoundedCopy(pNode->szName, sizeof pNode->szName, pszName);
    if (w32::MbsStr(pNode->szName, " \\") != nullptr)
        QV_PARAM("NextDomain: !!! No heading backslash");
    PushFront(pProv->pTrees, pProv->dwTreeCount, pNode);
    return 0;
}

DWORD CNetResConvert::NextServer(NETRESOURCEA* pRes) {
    QV_TRACE_ENTER("NextServer");
    _Provider* pProv = m_tNet.pCurProvider;
    SLIST* pNode = NewNode<SLIST>(pProv, "NextServer: new SLIST fehlgeschlagen");
    if (pNode == nullptr) return ERROR_INVALID_ADDRESS;
    BoundedCopy(pNode->szName, sizeof pNode->szName, pRes != nullptr ? pRes->lpRemoteName : nullptr);
    PushFront(pProv->pServers, pProv->dwServerCount, pNode);
    return 0;
}

// ---- server list ------------------------------------------------------------

DWORD CNetResConvert::GetAllServers() {
    if (m_bNetScanned != 0) return 0;
    QV_TRACE_ENTER("GetAllServers");
    ClearLists();

    DWORD dwRet = 0;
    if (m_tNet.tNwProvider.wAvailable != 0)
        dwRet = GetNwServers(m_tNet.tNwProvider.dwClientType == 1 ? 1 : 2);
    // The Microsoft scan's result replaces the NetWare one.
    if (m_tNet.tMsProvider.wAvailable != 0) dwRet = GetMsServers(2);

    m_bNetScanned = 1;
    m_bNetScannedOnce = 1;
    if (dwRet != 0 && GetServerCount() > 0) {
        QV_PARAM("Fehler ignoriert! dwRet=\n" << dwRet);
        dwRet = 0;
    }
    return dwRet;
}

DWORD CNetResConvert::GetNwServers(DWORD dwDepth) {
    QV_TRACE_ENTER("GetNwServers");
    QV_PARAM("Deep=" << dwDepth);
    m_fUseAllDom = 1;

    const _Provider& prov = m_tNet.tNwProvider;
    ProviderScan scan(m_tNet, m_tNet.tNwProvider);
    m_fObjFound = 0;
    DWORD dwRet = NetScan(&scan.res, nullptr, RESOURCEDISPLAYTYPE_NDSCONTAINER, dwDepth, &scan.found);
    QV_PARAM(" NetScan Ret=" << dwRet << ", Trees=" << prov.dwTreeCount << ", NW-Servers=" << prov.dwServerCount);
    return dwRet;
}

DWORD CNetResConvert::GetMsServers(DWORD dwDepth) {
    QV_TRACE_ENTER("GetMsServers");
    QV_PARAM("Deep=" << dwDepth);
    m_fUseAllDom = 1;
    m_UseDomains.clear();

    // The domain selection: every line "key=NAME" of the section selects
    // NAME; lines beginning with ';' and lines without '=' are skipped.
    std::unique_ptr<char[]> section(new (std::nothrow) char[kDomainSectionSize]());
    DWORD dwLen = 0;
    if (section)
        dwLen = w32::GetPrivateProfileSectionA(kDomainSection, section.get(), kDomainSectionSize,
                                               kDomainFile);
    if (dwLen != 0) {
        section[kDomainSectionSize - 2] = '\0';
        section[kDomainSectionSize - 1] = '\0';
        for (const char* pLine = section.get(); *pLine != '\0';
             pLine += std::strlen(pLine) + 1) {
            if (*pLine == ';') continue;
            const char* pEq = w32::MbsChr(pLine, '=');
            if (pEq == nullptr) continue;
            QV_PARAM("  Use=" << TraceStr(pEq + 1));
            try {
                m_UseDomains.emplace_back(pEq + 1);
            } catch (...) {
            }
        }
        if (!m_UseDomains.empty()) {
            m_fUseAllDom = 0;
            QV_PARAM("Nur die selektierten Dom\xE4nen verwenden");
        }
    }
    ListsChanged();

    const _Provider& prov = m_tNet.tMsProvider;
    ProviderScan scan(m_tNet, m_tNet.tMsProvider);
    m_fObjFound = 0;
    DWORD dwRet = NetScan(&scan.res, nullptr, RESOURCEDISPLAYTYPE_NDSCONTAINER, dwDepth, &scan.found);
    QV_PARAM(" NetScan Ret=" << dwRet << ", Domains=" << prov.dwTreeCount << ", Used=" << m_UseDomains.size()
                             << ", MS-Servers=" << prov.dwServerCount);
    return dwRet;
}

DWORD CNetResConvert::GetServerCount() {
    QV_TRACE_ENTER("GetServerCount");
    if (m_tNet.dwPlatformId == kNotDetected) BuildLists();
    GetAllServers();
    QV_PARAM("NW-Servers=" << m_tNet.tNwProvider.dwServerCount << ", MS-Servers="
                           << m_tNet.tMsProvider.dwServerCount
                           << ", ServerList.size=" << m_ServerList.size());
    return static_cast<DWORD>(m_ServerList.size());
}

DWORD CNetResConvert::GetFirstServer(NETRESOURCEA* pRes) {
    QV_TRACE_ENTER("GetFirstServer");
    if (!HasRecord(pRes)) return ERROR_INVALID_ADDRESS;
    if (m_tNet.dwPlatformId == kNotDetected) BuildLists();
    GetAllServers();

    _Provider* pProv = nullptr;
    if (m_tNet.tNwProvider.wAvailable != 0 && m_tNet.tNwProvider.dwServerCount != 0)
        pProv = &m_tNet.tNwProvider;
    else if (m_tNet.tMsProvider.wAvailable != 0 && m_tNet.tMsProvider.dwServerCount != 0)
        pProv = &m_tNet.tMsProvider;
    if (pProv == nullptr || pProv->pServers == nullptr) {
        QV_ERROR("No Server avaiable, ERR=" << ERROR_NO_MORE_ITEMS);
        return ERROR_NO_MORE_ITEMS;
    }
    FillServerRecord(pRes, pProv->pServers, *pProv);
    QV_PARAM("GetFirstServer=" << TraceStr(pRes->lpRemoteName));
    return 0;
}

DWORD CNetResConvert::GetNextServer(DWORD dwIndex, NETRESOURCEA* pRes) {
    QV_TRACE_ENTER("GetNextServer");
    if (!HasRecord(pRes)) return ERROR_INVALID_ADDRESS;
    if (m_tNet.dwPlatformId == kNotDetected) BuildLists();
    GetAllServers();

    // With an empty server list the subtraction wraps and lets every index
    // through to the walk of the chains.
    if (dwIndex > static_cast<DWORD>(m_ServerList.size()) - 1) {
        QV_ERROR("GetNextServer: Invalid Index=" << dwIndex << ", ERR=" << ERROR_NO_MORE_ITEMS);
        return ERROR_NO_MORE_ITEMS;
    }

    // Index order: the NetWare chain, then the Microsoft chain, each newest
    // first.
    _Provider* const aProv[2] = {&m_tNet.tNwProvider, &m_tNet.tMsProvider};
    const ServerAt at = FindServerAt(aProv, dwIndex);
    if (at.pNode == nullptr) {
        QV_ERROR("Index=" << dwIndex << ", Not avaiable,  ServerCount=" << at.dwWalked
                          << ", ERR=" << ERROR_NO_MORE_ITEMS);
        return ERROR_NO_MORE_ITEMS;
    }
    FillServerRecord(pRes, at.pNode, *at.pProvider);
    QV_PARAM("GetNextServer=" << TraceStr(pRes->lpRemoteName) << ", Index=" << dwIndex);
    return 0;
}

// ---- long and short forms of a DNC path -------------------------------------

DWORD CNetResConvert::GetLongAndShortDNCName(const char* const DNCPfad, char* const LangerDNCPfad,
                                             char* const KurzerDNCPfad) {
    QV_TRACE_ENTER("GetLongAndShortDNCName");
    QV_PARAM("DNCPfad =" << TraceStr(DNCPfad));
    if (DNCPfad == nullptr || LangerDNCPfad == nullptr || KurzerDNCPfad == nullptr) {
        QV_ERROR("Ung\xFCltiger Parameter: DNCPfad" << TraceStr(DNCPfad) << "LangerDNCPfad="
                 << TraceStr(LangerDNCPfad, kPathSize) << "KurzerDNCPfad="
                 << TraceStr(KurzerDNCPfad, kPathSize));
        return ERROR_INVALID_PARAMETER;
    }

    // The backslash after the server (at or after the third character) and
    // the one after the volume.
    const char* pAfterServer = nullptr;
    const char* pAfterVolume = nullptr;
    if (::strnlen(DNCPfad, 2) == 2) {
        pAfterServer = w32::MbsChr(w32::MbsInc(w32::MbsInc(DNCPfad)), '\\');
        if (pAfterServer != nullptr) pAfterVolume = w32::MbsChr(pAfterServer + 1, '\\');
    }

    DWORD dwRet = 0;
    if (pAfterVolume == nullptr) {
        BoundedCopy(LangerDNCPfad, kPathSize, DNCPfad);
        BoundedCopy(KurzerDNCPfad, kPathSize, DNCPfad);
    } else {
        std::size_t iLength = static_cast<std::size_t>(pAfterVolume - DNCPfad);
        if (iLength >= kLengthLimit) {
            QV_ERROR("iLengthLang=" << iLength << " zu lang");
            dwRet = CONV_NAME_TOO_LONG;
        } else {
            std::memcpy(LangerDNCPfad, DNCPfad, iLength);
            LangerDNCPfad[iLength] = '\0';
            std::memcpy(KurzerDNCPfad, DNCPfad, iLength);
            KurzerDNCPfad[iLength] = '\0';
        }

        const char* pComp = pAfterVolume + 1;
        while (dwRet == 0) {
            const char* pEnd = w32::MbsChr(pComp, '\\');
            const bool bLast = pEnd == nullptr;
            if (bLast) pEnd = pComp + std::strlen(pComp);
            const std::size_t compLen = static_cast<std::size_t>(pEnd - pComp);
            if (compLen >= kWorkSize) {
                QV_ERROR("iLengthLang=" << iLength + compLen + 1 << " zu lang");
                dwRet = CONV_NAME_TOO_LONG;
                break;
            }
            char szComp[kWorkSize];
            std::memcpy(szComp, pComp, compLen);
            szComp[compLen] = '\0';

            if (IsShortComponent(szComp)) {
                iLength += compLen + 1;
                if (iLength >= kLengthLimit) {
                    QV_ERROR("iLengthLang=" << iLength << " zu lang");
                    dwRet = CONV_NAME_TOO_LONG;
                    break;
                }
                for (char* pOut : {LangerDNCPfad, KurzerDNCPfad}) {
                    BoundedAppend(pOut, kPathSize, "\\");
                    BoundedAppend(pOut, kPathSize, szComp);
                }
            } else {
                // The file system is asked for the path as written up to the
                // end of this component.
                const std::size_t pathLen = static_cast<std::size_t>(pEnd - DNCPfad);
                if (pathLen >= kWorkSize) {
                    QV_ERROR("iLengthLang=" << pathLen << " zu lang");
                    dwRet = CONV_NAME_TOO_LONG;
                    break;
                }
                char szPath[kWorkSize];
                std::memcpy(szPath, DNCPfad, pathLen);
                szPath[pathLen] = '\0';

                WIN32_FIND_DATAA wfd = {};
                QV_PARAM((bLast ? "Vor FindFirstFile (Last)" : "Vor FindFirstFile"));
                HANDLE hFind = w32::FindFirstFileA(szPath, &wfd);
                QV_PARAM((bLast ? "Nach FindFirstFile (Last)" : "Nach FindFirstFile"));
                if (hFind == INVALID_HANDLE_VALUE) {
                    QV_ERROR("Invalid Handle bei FindFirstFile");
                    dwRet = CONV_PATH_NOT_FOUND;
                    break;
                }
                w32::FindClose(hFind);
                char szLong[sizeof wfd.cFileName + 1];
                char szShort[sizeof wfd.cAlternateFileName + 1];
                CopyField(szLong, wfd.cFileName);
                CopyField(szShort, wfd.cAlternateFileName);
                iLength += std::strlen(szLong) + 2;
                if (iLength >= kLengthLimit) {
                    QV_ERROR("iLengthLang=" << iLength << " zu lang, " << "wfd.cFileName="
                                            << TraceStr(szLong));
                    dwRet = CONV_NAME_TOO_LONG;
                    break;
                }
                BoundedAppend(LangerDNCPfad, kPathSize, "\\");
                BoundedAppend(LangerDNCPfad, kPathSize, szLong);
                // A name that already is a valid 8.3 name has no alternate
                // name: the short path takes the long one.
                BoundedAppend(KurzerDNCPfad, kPathSize, "\\");
                BoundedAppend(KurzerDNCPfad, kPathSize, szShort[0] != '\0' ? szShort : szLong);
            }
            if (bLast) break;
            pComp = pEnd + 1;
        }
    }

    if (dwRet != 0) {
        LangerDNCPfad[0] = '\0';
        KurzerDNCPfad[0] = '\0';
    }
    QV_PARAM("LangerDNCPfad=" << TraceStr(LangerDNCPfad) << ", KurzerDNCPfad=" << TraceStr(KurzerDNCPfad));
    return dwRet;
}
