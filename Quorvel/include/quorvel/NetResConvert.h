/// @file
/// The public interface of the library: the class CNetResConvert (static
/// operations over process-wide lists), the exported class MOUNT_T, and the
/// records of the detected network environment.
///
/// Strings are zero-terminated 8-bit strings of the system's ANSI code page.
/// Network names (servers, drives, DNC prefixes) are compared without regard
/// to letter case; the library never changes the case of a name it returns.
#pragma once

#include <string>
#include <vector>

#include <quorvel/Win32Types.h>

#if defined(_WIN32)
// Windows: the classes are exported whole, their private members included
// (QUORVEL_STATIC: a program that links the library's objects in).
#if defined(QUORVEL_BUILDING_LIBRARY)
#define QUORVEL_API __declspec(dllexport)
#elif defined(QUORVEL_STATIC)
#define QUORVEL_API
#else
#define QUORVEL_API __declspec(dllimport)
#endif
#define QUORVEL_MEMBER
#else
// Elsewhere only the members a client calls are visible outside the library.
/// Marks an exported class (the whole class on Windows).
#define QUORVEL_API
/// Marks a member a client calls (exported one by one outside Windows).
#define QUORVEL_MEMBER __attribute__((visibility("default")))
#endif

/// @name Status codes of the library
/// Besides 0 (success) and Windows error numbers (8 ERROR_NOT_ENOUGH_MEMORY,
/// 87 ERROR_INVALID_PARAMETER, 234 ERROR_MORE_DATA, 259 ERROR_NO_MORE_ITEMS,
/// 487 ERROR_INVALID_ADDRESS, and the codes of the Windows networking
/// functions), the operations return these codes.
/// @{
#define CONV_BAD_RES_NAME 0xF001    ///< resource name missing or too short, an NDS element beginning with two dots, or a drive that is not connected
#define CONV_BAD_RES_TYPE 0xF002    ///< neither a drive path nor a name beginning with two backslashes
#define CONV_BAD_NAME_FORMAT 0xF003 ///< name not built as expected (no leading backslashes, no server or volume part)
#define CONV_RES_NOT_FOUND 0xF004   ///< NDS resource not found in the network
#define CONV_BAD_OS_VERSION 0xF005  ///< unexpected operating system version
#define CONV_NO_SERVER 0xF006       ///< server not in the server list
#define CONV_BAD_CLIENT 0xF007      ///< unexpected kind of NetWare client
#define CONV_IVALID_INDEX 0xF008    ///< index outside a list
#define CONV_PATH_NOT_FOUND 0xF009  ///< the file system has no entry for a path
#define CONV_NAME_TOO_LONG 0xF00A   ///< a name or name component is too long
#define CONV_BAD_MAP_PATH 0xF00B    ///< the drive is connected but has no DNC name
#define CONV_NO_DOT 0xF00C          ///< the element of an NDS name written with dots is empty
/// @}

/// @name Resource name types (CNetResConvert::GetResNameType)
/// @{
#define RES_TYPE_UNKNOWN 0 ///< neither of the two below
#define RES_TYPE_MAP 1     ///< a letter and a colon: a path on a mapped drive
#define RES_TYPE_UNC 2     ///< two backslashes: a UNC path or an NDS name
/// @}

/// Network type of a provider the library does not handle (MOUNT_T::dwNetType).
/// The handled ones are 0x20000 (Microsoft network) and 0x30000 (NetWare).
#define NET_TYPE_UNSUPPORTED 0xFFFFFFFF

/// One NetWare tree or Microsoft domain found by the network scan.
struct TLIST {
    TLIST* pNext;     ///< the node found before this one; null at the end
    char szName[68];  ///< its name, leading blanks removed
};

/// One server found by the network scan.
struct SLIST {
    SLIST* pNext;     ///< the node found before this one; null at the end
    char szName[260]; ///< its remote name as enumerated, with two leading backslashes
};

/// One installed network provider and what the scan found through it.
struct _Provider {
    WORD wAvailable;     ///< 1 when the provider is installed
    DWORD dwNetType;     ///< 0x30000 (NetWare) or 0x20000 (Microsoft network)
    DWORD dwClientType;  ///< NetWare client: 2 the vendor's own, 1 Microsoft's, 0xFFFFFFFF unknown; 0 otherwise
    char szName[100];    ///< the provider's name
    DWORD dwTreeCount;   ///< length of pTrees
    TLIST* pTrees;       ///< trees or domains, newest first
    DWORD dwServerCount; ///< length of pServers
    SLIST* pServers;     ///< servers, newest first
};

/// The detected network environment (held by the library, never by a client).
struct _Networks {
    DWORD dwPlatformId;       ///< 0 Win32s, 1 Windows 95/98, 2 Windows NT; 0xFFFFFFFF not yet detected
    _Provider* pCurProvider;  ///< the provider a running scan adds to; null otherwise
    _Provider tNwProvider;    ///< the NetWare provider
    _Provider tMsProvider;    ///< the Microsoft network provider
};

/// One connected network drive of the workstation, as
/// CNetResConvert::GetMountList lists it.
class QUORVEL_API MOUNT_T {
public:
    /// An entry with dwNetType NET_TYPE_UNSUPPORTED and three empty names.
    QUORVEL_MEMBER MOUNT_T();
    /// Copies all four fields.
    /// @param other the entry copied
    QUORVEL_MEMBER MOUNT_T(const MOUNT_T& other);
    /// Releases the names.
    QUORVEL_MEMBER ~MOUNT_T();
    /// Copies all four fields; assignment to itself changes nothing.
    /// @param other the entry copied
    /// @return this entry
    QUORVEL_MEMBER MOUNT_T& operator=(const MOUNT_T& other);

    /// Network type of the connection's provider: 0x20000 (Microsoft
    /// network) or 0x30000 (NetWare).
    DWORD dwNetType;
    /// The local device, a drive letter and a colon (`F:`).
    std::string LocalName;
    /// The remote name of the connection as the network reports it.
    std::string RemoteName;
    /// The DNC name of the remote name; empty when it could not be made.
    /// With the registry switch LongNames on, the form with every directory
    /// under its long name.
    std::string DNCName;
};

/// The conversion interface: static operations only, over lists the library
/// keeps for the whole process. A client never creates an object.
///
/// **DNC names.** The canonical stored form of a network place: two
/// backslashes, a server of the server list, a backslash, a volume (share)
/// and optionally a backslash-separated path (`\\NW1\DATA\REPORTS`), at most
/// 260 bytes, in the letter case of the name it was made from.
///
/// **Lists.** The environment (system, providers, NetWare client, registry
/// switches) is detected on the first call that needs it (BuildLists). The
/// server list is scanned on its first use after load or after ClearLists;
/// that scan begins by emptying every list, the mount and volume lists
/// included. The mount list is built when a client asks for it and when a
/// conversion finds it empty. Lists are handed out as constant references to
/// the library's own containers, whose contents change when they are rebuilt
/// or cleared.
///
/// **Threads.** The library takes no locks: call it from one thread at a time.
///
/// **Trace.** While tracing is switched on (file `Zx_TraQV.ini` in the
/// Windows folder) every operation writes an enter and a leave record under
/// its own name, with PARAM and ERROR lines between them. ERROR lines of a
/// failed Windows call also carry the error number and the system's text for
/// it. A null string prints as `NULL`, an empty one as `LEER`; numbers print
/// in decimal. The texts quoted below are the beginnings of these lines.
///
/// **Errors.** No operation throws; every failure is a status code.
class QUORVEL_API CNetResConvert {
public:
    /// Copies nothing (the class has no instance data).
    /// @return this object
    CNetResConvert& operator=(const CNetResConvert&) { return *this; }

    /// @name List lifecycle
    /// @{

    /// Detects the environment, once per process: the system's platform, the
    /// installed network providers, the kind of NetWare client and the
    /// registry switches UniversalName and LongNames. With UniversalName off
    /// it then scans the network for the server list; with it on (the
    /// default) the server list waits for its first use. The operations that
    /// need the lists call it themselves on their first use.
    ///
    /// While tracing is on it also lists the network's top level in the
    /// trace, between the PARAM lines `BEGINN: Zus...` and `ENDE: Zus...`: it
    /// runs the server scan if none has run yet and then empties every list
    /// (ClearLists), so the lists are empty when it returns.
    ///
    /// @return 0; with UniversalName off also CONV_BAD_OS_VERSION or the
    ///         Windows error number of the provider query or of the server
    ///         scan. With UniversalName on such an error is traced as the
    ///         PARAM line `Fehler ignoriert! dwRet=`, a line break and the
    ///         number, and 0 is returned.
    QUORVEL_MEMBER static DWORD BuildLists();

    /// Empties the server list, the domain selection, the mount list, the
    /// volume list and the trees, domains and servers of both providers, so
    /// that each list is built again on its next use. The detected
    /// environment stays. Pointers handed out by GetFirstServer and
    /// GetNextServer become invalid.
    ///
    /// Trace: its enter and leave records, and those of each provider's clean-up.
    /// @return 0
    QUORVEL_MEMBER static DWORD ClearLists();

    /// Withdrawn. Traces the ERROR line
    /// `GetConvertMode ist veraltet und darf nicht mehr benutzt werden!`
    /// (no enter record).
    /// @return 0
    QUORVEL_MEMBER static WORD GetConvertMode();

    /// Withdrawn; changes nothing. Traces an enter record named
    /// `SetConvertMode ALT` and the ERROR line
    /// `SetConvertMode ist veraltet und darf nicht mehr benutzt werden!`.
    /// @param wMode ignored
    QUORVEL_MEMBER static void SetConvertMode(WORD wMode);
    /// @}

    /// @name Mount list and conversions
    /// @{

    /// Builds the list of connected network drives anew, in the order the
    /// network enumerates them. Drives without a local name, provider or
    /// remote name and drives of an unsupported provider are left out. Each
    /// drive's DNC name is its remote name (Microsoft network, UniversalName
    /// on), the universal name the network reports (NetWare, UniversalName
    /// on), or else the library's own conversion of the remote name, which
    /// may run the server scan. With LongNames on, the long and the short
    /// (8.3) form of the first 25 drives' DNC names are recorded, so that
    /// ConvDNC2UNC also matches names written in the short form.
    ///
    /// Trace: PARAM `__Map#=` for each drive, `MountedDrives=` with the
    /// count; ERROR `WNetOpenEnum` or `WNetEnumResource` with the error number
    /// when the enumeration fails.
    /// @return the library's mount list. A failed enumeration leaves it
    ///         empty or holding the drives listed so far.
    QUORVEL_MEMBER static const std::vector<MOUNT_T>& GetMountList();

    /// Classifies a resource name by its first two characters. Builds nothing.
    /// @param ResName the name; at least 2 characters
    /// @param[out] dwType RES_TYPE_MAP (a letter and a colon), RES_TYPE_UNC
    ///        (two backslashes) or RES_TYPE_UNKNOWN; written on every path
    /// @return 0; ERROR_INVALID_PARAMETER (87) for a null name or one shorter
    ///         than 2 characters (ERROR `Bad ResName=`); CONV_BAD_RES_TYPE for
    ///         any other name (ERROR `... is an unknown, type=0`)
    QUORVEL_MEMBER static DWORD GetResNameType(const char* ResName, DWORD& dwType);

    /// Converts the name of a network resource into its DNC name: a path on
    /// a mapped drive (`F:\REPORTS\a.txt`) through the drive's DNC name in the
    /// mount list; a name beginning with two backslashes either unchanged,
    /// when it already lies below the DNC name of a mapped drive, or through
    /// the library's name conversion, which accepts UNC paths of known
    /// servers and NDS names in the form the NetWare client in use writes
    /// them. Builds the lists it needs.
    ///
    /// @param ResName the name; more than 2 characters. A drive path is read
    ///        whole; a name converted by the name conversion is read up to
    ///        its 260th byte.
    /// @param[out] DNCName buffer of BufSize bytes. 261 bytes hold any name
    ///        made by the name conversion; the result for a drive path is
    ///        the drive's DNC name followed by the rest of the path.
    /// @param[in,out] BufSize the size of DNCName in bytes, not 0. With
    ///        ERROR_MORE_DATA it receives the size needed (length plus
    ///        terminator); otherwise it is not changed.
    /// @return
    ///   - 0: DNCName holds the DNC name;
    ///   - ERROR_INVALID_PARAMETER (87): null name or buffer, BufSize 0, or
    ///     a name of 2 characters or fewer (DNCName untouched);
    ///   - CONV_BAD_RES_TYPE: neither a drive path nor two backslashes;
    ///   - CONV_BAD_RES_NAME: the drive is not in the mount list, the name is
    ///     shorter than 6 characters, or an NDS element begins with two dots;
    ///   - CONV_BAD_MAP_PATH: the drive is connected but has an empty DNC name;
    ///   - ERROR_MORE_DATA (234): the result does not fit into BufSize bytes;
    ///   - from the name conversion: CONV_BAD_NAME_FORMAT, CONV_NO_SERVER,
    ///     CONV_NO_DOT, CONV_RES_NOT_FOUND, CONV_BAD_CLIENT,
    ///     CONV_BAD_OS_VERSION, or the Windows error number of a failed
    ///     network scan;
    ///   - ERROR_NOT_ENOUGH_MEMORY (8).
    ///
    /// Except with 87, DNCName holds an empty string after every failure.
    ///
    /// Trace: ERROR `ResName oder DNCName == NULL` or `ResName <= 2` for the
    /// argument failures; PARAM `Res=` with name and size; ERROR
    /// `Drive X: NOT_FOUND in MountList` for an unknown drive (after
    /// `CONV_BAD_MAP_PATH bei  ` for an empty DNC name); PARAM
    /// `Pfad liegt bereits im DNC-Format vor!` for a name kept unchanged;
    /// ERROR `Buffer zu klein, dwRet=234` for a buffer too small; at the end
    /// PARAM `OK, DNC=` with what DNCName holds.
    QUORVEL_MEMBER static DWORD ConvRes2DNC(const char* ResName, char* DNCName, DWORD& BufSize);

    /// Gives the UNC path of a DNC name: the name itself, once checked.
    /// Builds nothing.
    /// @param DNCName the DNC name: two backslashes, a server, a backslash
    ///        and more; shorter than 260 bytes
    /// @param[out] UNCName buffer of 260 bytes
    /// @return 0; ERROR_INVALID_ADDRESS (487) for a null pointer;
    ///         CONV_BAD_NAME_FORMAT when the name does not begin with two
    ///         backslashes or has no backslash behind the server;
    ///         CONV_NAME_TOO_LONG for a name of 260 bytes or more. UNCName is
    ///         untouched after a failure.
    ///
    /// Trace: PARAM `DNC=`; ERROR `DNCName oder UNCName == NULL`,
    /// `DNCName beginnt nicht mit \\`, `DNCName hat keine Backslashes nach \\`
    /// or `DNCName zu lang, len=`; PARAM `UNC=` on success.
    QUORVEL_MEMBER static DWORD ConvDNCtoUNC(const char* DNCName, char* UNCName);

    /// Gives the UNC path of a DNC name and every path through a mapped
    /// drive of this workstation that reaches the same place. A drive
    /// reaches it when its DNC name (or, with LongNames on, the short form
    /// recorded for it) leads the name, compared without regard to case, up
    /// to a backslash or the end of the name; its path is the drive (`F:`)
    /// followed by the rest of the name. Builds the lists when needed and
    /// the mount list when it is empty.
    /// @param DNCName the DNC name, as for ConvDNCtoUNC
    /// @param[out] UNCName buffer of 260 bytes; receives the name
    /// @param[out] MAP emptied first on every path; receives the drive paths
    ///        in mount-list order (none when no drive reaches the name).
    ///        Paths of 260 bytes or more are left out.
    /// @return 0; ERROR_INVALID_ADDRESS (487), CONV_BAD_NAME_FORMAT or
    ///         CONV_NAME_TOO_LONG as for ConvDNCtoUNC. After a failure MAP is
    ///         empty and UNCName untouched.
    ///
    /// Trace: as ConvDNCtoUNC, with `DNCName hat keinen 2. backslash` for a
    /// missing backslash; PARAM `Mapped Drive=` for each path,
    /// `ACHTUNG: DNCName+len=` for a drive whose name only begins the same
    /// component; at the end PARAM `UNC=` with the first path and the count.
    QUORVEL_MEMBER static DWORD ConvDNC2UNC(const char* DNCName, char* UNCName,
                                            std::vector<std::string>& MAP);

    /// ConvDNC2UNC without the UNC path: its records, statuses and paths.
    /// @param DNCName the DNC name, as for ConvDNCtoUNC
    /// @param[out] MAP emptied first; receives the drive paths
    /// @return the status of ConvDNC2UNC
    QUORVEL_MEMBER static DWORD ConvDNCtoMAP(const char* DNCName, std::vector<std::string>& MAP);

    /// Reads entry dwIndex of a list of mapped paths that the library keeps
    /// empty: every call answers CONV_IVALID_INDEX. Builds nothing.
    /// @param pszDNCName only traced
    /// @param pNetRes only tested for null
    /// @param dwIndex the entry
    /// @param[out] pszMap buffer of 260 bytes
    /// @return CONV_IVALID_INDEX when dwIndex is outside the list (tested
    ///         first: ERROR `GetMapEntry: Invalid MapList Index=`);
    ///         ERROR_INVALID_ADDRESS (487) for a null pointer (ERROR
    ///         `pszDNCName oder pszMap oder pNetRes == NULL`); 0 with the entry
    ///         in pszMap.
    QUORVEL_MEMBER static DWORD GetMapEntry(const char* pszDNCName, NETRESOURCEA* pNetRes,
                                            DWORD dwIndex, char* pszMap);
    /// @}

    /// @name Server and volume lists
    /// @{

    /// The servers of both networks: every server's remote name with its two
    /// leading backslashes, the NetWare servers first, then those of the
    /// Microsoft domains (all domains, or those selected in section
    /// `MSDomains` of `ZTXDOM.INI`), in scan order, duplicates kept. Runs the
    /// server scan when it has not run since load or the last ClearLists;
    /// the scan first empties every list (mount and volume lists included).
    ///
    /// Trace: PARAM `GetServerList: NW-Servers=` with the counts.
    /// @return the library's server list; after a failed scan whatever the
    ///         scan found, possibly nothing
    QUORVEL_MEMBER static const std::vector<std::string>& GetServerList();

    /// The number of entries of GetServerList, scanning as it does.
    /// Trace: PARAM `NW-Servers=` with the counts.
    /// @return the number of servers
    QUORVEL_MEMBER static DWORD GetServerCount();

    /// The first server in the order of GetNextServer (index 0), scanning as
    /// GetServerList does.
    /// @param[out] pRes receives dwScope 2, dwType 1, dwDisplayType 2,
    ///        lpRemoteName (the server) and lpProvider (its provider's name);
    ///        dwUsage, lpLocalName and lpComment keep what the caller put
    ///        there. Both names point into the library's storage, valid until
    ///        the next ClearLists or server scan; do not write through them.
    /// @return 0; ERROR_NO_MORE_ITEMS (259) when no server is known (ERROR
    ///         `No Server avaiable, ERR=259`; pRes untouched);
    ///         ERROR_INVALID_ADDRESS (487) for a null pRes. Traces PARAM
    ///         `GetFirstServer=` with the server.
    QUORVEL_MEMBER static DWORD GetFirstServer(NETRESOURCEA* pRes);

    /// The server at a position: the NetWare servers, newest found first,
    /// then the Microsoft servers, newest found first. This is not the order
    /// of GetServerList. Scans as GetServerList does.
    /// @param dwIndex the position, from 0
    /// @param[out] pRes filled as by GetFirstServer
    /// @return 0; ERROR_NO_MORE_ITEMS (259) for a position at or beyond the
    ///         number of servers (ERROR `GetNextServer: Invalid Index=`, or
    ///         `Index=` with `, Not avaiable,  ServerCount=` when the list is
    ///         empty; pRes untouched); ERROR_INVALID_ADDRESS
    ///         (487) for a null pRes. Traces PARAM `GetNextServer=` with the
    ///         server and position.
    QUORVEL_MEMBER static DWORD GetNextServer(DWORD dwIndex, NETRESOURCEA* pRes);

    /// Withdrawn: GetNextServer after the PARAM line
    /// `ACHTUNG: GetServerInfo darf nicht mehr aufgerufen werden!`.
    /// @param dwIndex the position, from 0
    /// @param[out] pRes filled as by GetFirstServer
    /// @return the status of GetNextServer
    QUORVEL_MEMBER static DWORD GetServerInfo(DWORD dwIndex, NETRESOURCEA* pRes);

    /// Enumerates the disk resources of one server that can be connected
    /// (NetWare volumes, Windows shares) in one request, and on success
    /// replaces the volume list with their remote names (`\\SERVER\VOLUME`),
    /// in the order the network returns them.
    /// @param[in,out] pRes the server, as GetFirstServer or GetNextServer
    ///        give it (lpRemoteName and lpProvider matter); its dwUsage is
    ///        set to 1 (connectable), also when the enumeration fails
    /// @return 0; ERROR_INVALID_ADDRESS (487) for a null pRes; the Windows
    ///         error number of the failed enumeration, 259
    ///         (ERROR_NO_MORE_ITEMS) for a server without such resources;
    ///         ERROR_NOT_ENOUGH_MEMORY (8). After a failure the volume list
    ///         keeps its contents.
    ///
    /// Trace: PARAM `RemoteName=` with the record; ERROR `WNetOpenEnum` or
    /// `WNetEnumResource` with the error number; on success PARAM
    /// `EnumResource=0, Count=`, ` Share=` for each resource and
    /// `Anzahl Volumes=`.
    QUORVEL_MEMBER static DWORD EnumServerRes(NETRESOURCEA* pRes);

    /// The volume list of the last successful EnumServerRes; empty at load
    /// and after ClearLists or a server scan. Builds nothing, traces nothing.
    /// @return the library's volume list
    QUORVEL_MEMBER static const std::vector<std::string>& GetVolumeList();
    /// @}

    /// @name DNC names taken apart
    /// @{

    /// Splits an NDS volume object name of the form SERVER_VOLUME at the
    /// rightmost underscore whose left part, with two backslashes in front,
    /// is in the server list; further underscores stay in the volume. Does
    /// not build the server list: call GetServerList first.
    /// @param pszSrc the volume object name; not changed. Underscores are
    ///        looked for in its first 260 bytes.
    /// @param[out] pServer buffer of 260 bytes: two backslashes and the server
    /// @param[out] pVolume buffer of 260 bytes: the volume
    /// @return 0; CONV_NO_SERVER when no split gives a known server (both
    ///         outputs are empty strings; ERROR `No Server found, ERR=61446`);
    ///         ERROR_INVALID_ADDRESS (487) for a null pointer (outputs
    ///         untouched). Traces PARAM `Src=` and, on success,
    ///         `RetOK, Server=`.
    QUORVEL_MEMBER static DWORD ExtractServerVolume(char* pszSrc, char* pServer, char* pVolume);

    /// The server part of a DNC name: the leading backslashes and the name
    /// up to the next backslash (the whole text when none follows). The text
    /// is not checked and the server need not be known. Builds nothing.
    /// @param pszDNC the DNC name, read up to its 259th byte
    /// @param[out] pszServer buffer of 260 bytes, all of which are written
    /// @return 0; ERROR_INVALID_ADDRESS (487) for a null pointer (ERROR
    ///         `pszDNC oder pszServer == NULL`; nothing written). Traces PARAM
    ///         `GetServerFromDNC=` with name and server.
    QUORVEL_MEMBER static DWORD GetServerFromDNC(char* pszDNC, char* pszServer);
    /// @}

private:
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
