// The platform boundary of the library: every platform function the library
// calls, under its Win32 name and signature, in namespace w32.
//
// Library code includes this header and nothing else of the platform, and
// always calls w32::Function(...), never a bare Win32 name. Behind it stands
// one of two halves:
//   - platform/windows: a Windows build (without QUORVEL_SIMULATED) binds w32::
//     to the system's own functions and the C runtime's _mbs* helpers;
//   - platform/sim: every other build binds w32:: to the simulated
//     workstation, which implements exactly these functions over a JSON
//     description (what it answers, and why, is documented there and in
//     docs/workstation.md).
// The Win32 types and constants are those of <windows.h> on Windows; elsewhere
// this header defines them with Windows' names, layouts and values (the few
// types of the public interface come from <quorvel/Win32Types.h>, the bottom
// of the tree). Clients of the library never see this header: it is not
// installed.
#pragma once

#include <cstddef>
#include <string>

#if defined(_WIN32)
#define QUORVEL_WINDOWS_TYPES 1
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winnetwk.h>
#include <winver.h>
#endif

// The types of the library's interface (DWORD, WORD, NETRESOURCEA, ...).
#include <quorvel/Win32Types.h>

#if !defined(_WIN32)
#include <cstdint>

// ---- basic types (Windows ABI widths: DWORD and LONG are 32 bits) ---------
typedef std::uint8_t BYTE;
typedef int BOOL;
typedef unsigned int UINT;
typedef std::int32_t LONG;
typedef const CHAR* LPCSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef BYTE* LPBYTE;
typedef void* HANDLE;
typedef HANDLE* LPHANDLE;
typedef void* HLOCAL;
typedef std::uintptr_t ULONG_PTR;
typedef std::intptr_t LONG_PTR;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
typedef WORD LANGID;
typedef LONG LSTATUS;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define MAX_PATH 260
#define MAX_COMPUTERNAME_LENGTH 15
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

// ---- error codes ----------------------------------------------------------
#define ERROR_SUCCESS 0L
#define NO_ERROR 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_REM_NOT_LIST 51L
#define ERROR_BAD_NETPATH 53L
#define ERROR_NETWORK_BUSY 54L
#define ERROR_DEV_NOT_EXIST 55L
#define ERROR_UNEXP_NET_ERR 59L
#define ERROR_BAD_NET_RESP 58L
#define ERROR_NETNAME_DELETED 64L
#define ERROR_NETWORK_ACCESS_DENIED 65L
#define ERROR_BAD_DEV_TYPE 66L
#define ERROR_BAD_NET_NAME 67L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_BUFFER_OVERFLOW 111L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_NAME 123L
#define ERROR_INVALID_LEVEL 124L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_INVALID_ADDRESS 487L
#define ERROR_MR_MID_NOT_FOUND 317L
#define ERROR_BAD_DEVICE 1200L
#define ERROR_CONNECTION_UNAVAIL 1201L
#define ERROR_NO_NET_OR_BAD_PATH 1203L
#define ERROR_BAD_PROVIDER 1204L
#define ERROR_CANNOT_OPEN_PROFILE 1205L
#define ERROR_BAD_PROFILE 1206L
#define ERROR_NOT_CONTAINER 1207L
#define ERROR_EXTENDED_ERROR 1208L
#define ERROR_NO_NETWORK 1222L
#define ERROR_NOT_CONNECTED 2250L

// ---- WNet -----------------------------------------------------------------
#define RESOURCE_CONNECTED 0x00000001
#define RESOURCE_GLOBALNET 0x00000002
#define RESOURCE_REMEMBERED 0x00000003
#define RESOURCE_RECENT 0x00000004
#define RESOURCE_CONTEXT 0x00000005

#define RESOURCETYPE_ANY 0x00000000
#define RESOURCETYPE_DISK 0x00000001
#define RESOURCETYPE_PRINT 0x00000002

#define RESOURCEUSAGE_CONNECTABLE 0x00000001
#define RESOURCEUSAGE_CONTAINER 0x00000002

#define RESOURCEDISPLAYTYPE_GENERIC 0x00000000
#define RESOURCEDISPLAYTYPE_DOMAIN 0x00000001
#define RESOURCEDISPLAYTYPE_SERVER 0x00000002
#define RESOURCEDISPLAYTYPE_SHARE 0x00000003
#define RESOURCEDISPLAYTYPE_FILE 0x00000004
#define RESOURCEDISPLAYTYPE_GROUP 0x00000005
#define RESOURCEDISPLAYTYPE_NETWORK 0x00000006
#define RESOURCEDISPLAYTYPE_ROOT 0x00000007
#define RESOURCEDISPLAYTYPE_SHAREADMIN 0x00000008
#define RESOURCEDISPLAYTYPE_DIRECTORY 0x00000009
#define RESOURCEDISPLAYTYPE_TREE 0x0000000A
#define RESOURCEDISPLAYTYPE_NDSCONTAINER 0x0000000B

#define WNNC_NET_LANMAN 0x00020000
#define WNNC_NET_NETWARE 0x00030000

#define UNIVERSAL_NAME_INFO_LEVEL 0x00000001
#define REMOTE_NAME_INFO_LEVEL 0x00000002

typedef struct _UNIVERSAL_NAME_INFOA {
    LPSTR lpUniversalName;
} UNIVERSAL_NAME_INFOA, *LPUNIVERSAL_NAME_INFOA;

typedef struct _REMOTE_NAME_INFOA {
    LPSTR lpUniversalName;
    LPSTR lpConnectionName;
    LPSTR lpRemainingPath;
} REMOTE_NAME_INFOA, *LPREMOTE_NAME_INFOA;

// ---- kernel ---------------------------------------------------------------
#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

typedef struct _OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA, *LPOSVERSIONINFOA;

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME;

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080

typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))

// ---- registry -------------------------------------------------------------
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define KEY_QUERY_VALUE 0x0001
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_READ 0x20019

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

// ---- version information --------------------------------------------------
typedef struct tagVS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
} VS_FIXEDFILEINFO;

#define VS_FFI_SIGNATURE 0xFEEF04BDL

#endif  // !_WIN32

// The Win32 layout the library, its clients and the simulation share, on
// 32-bit and 64-bit alike: DWORD and LONG are 32 bits wide, and NETRESOURCEA
// is four DWORDs followed by four pointers, without padding.
static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(WORD) == 2, "Win32 integer widths");
static_assert(offsetof(NETRESOURCEA, dwUsage) == 12 && offsetof(NETRESOURCEA, lpLocalName) == 16 &&
                  offsetof(NETRESOURCEA, lpProvider) == 16 + 3 * sizeof(void*) &&
                  sizeof(NETRESOURCEA) == 16 + 4 * sizeof(void*),
              "NETRESOURCEA layout");

namespace w32 {

#if defined(_WIN32) && !defined(QUORVEL_SIMULATED)
// ---- real Windows: the functions of the system ------------------------------
using ::FindClose;
using ::FindFirstFileA;
using ::FormatMessageA;
using ::GetComputerNameA;
using ::GetCurrentThreadId;
using ::GetFileVersionInfoA;
using ::GetFileVersionInfoSizeA;
using ::GetPrivateProfileIntA;
using ::GetPrivateProfileSectionA;
using ::GetVersionExA;
using ::LocalFree;
using ::RegCloseKey;
using ::RegOpenKeyExA;
using ::RegQueryValueExA;
using ::VerQueryValueA;
using ::WNetCloseEnum;
using ::WNetEnumResourceA;
using ::WNetGetProviderNameA;
using ::WNetGetUniversalNameA;
using ::WNetOpenEnumA;
#else
// ---- the functions, as Windows documents them --------------------------------
// Windows networking (mpr). They answer NO_ERROR or a Windows error number:
// ERROR_MORE_DATA with the size needed written back when a buffer is too
// small, ERROR_NO_MORE_ITEMS at the end of an enumeration, and the network's
// own codes (ERROR_NO_NETWORK, ERROR_BAD_NETPATH, ...) otherwise. A handle
// from WNetOpenEnumA stays open until WNetCloseEnum.
DWORD WNetOpenEnumA(DWORD dwScope, DWORD dwType, DWORD dwUsage, NETRESOURCEA* lpNetResource,
                    HANDLE* lphEnum);
// Fills lpBuffer with as many whole NETRESOURCEA records as fit (their strings
// behind them) and their number in *lpcCount; 0xFFFFFFFF asks for all.
DWORD WNetEnumResourceA(HANDLE hEnum, DWORD* lpcCount, void* lpBuffer, DWORD* lpBufferSize);
DWORD WNetCloseEnum(HANDLE hEnum);
// The universal name of a path on a connected drive (UNIVERSAL_NAME_INFOA or
// REMOTE_NAME_INFOA at the start of lpBuffer, its strings behind it).
DWORD WNetGetUniversalNameA(const char* lpLocalPath, DWORD dwInfoLevel, void* lpBuffer,
                            DWORD* lpBufferSize);
// The name of the provider of a network type (WNNC_NET_*).
DWORD WNetGetProviderNameA(DWORD dwNetType, char* lpProviderName, DWORD* lpBufferSize);

// Kernel. A BOOL or handle result reports failure as FALSE or
// INVALID_HANDLE_VALUE, with the reason as the thread's last error.
BOOL GetVersionExA(OSVERSIONINFOA* lpVersionInformation);
HANDLE FindFirstFileA(const char* lpFileName, WIN32_FIND_DATAA* lpFindFileData);
BOOL FindClose(HANDLE hFindFile);
// INI files of the Windows folder: the section's "key=value" lines, each
// terminated, the whole list ending with a second zero (nSize - 2 when cut);
// the number of a key, or nDefault.
DWORD GetPrivateProfileSectionA(const char* lpAppName, char* lpReturnedString, DWORD nSize,
                                const char* lpFileName);
UINT GetPrivateProfileIntA(const char* lpAppName, const char* lpKeyName, int nDefault,
                           const char* lpFileName);
BOOL GetComputerNameA(char* lpBuffer, DWORD* nSize);
DWORD GetCurrentThreadId();
// The system's text of an error number; with FORMAT_MESSAGE_ALLOCATE_BUFFER a
// block the caller releases with LocalFree. 0 on failure.
DWORD FormatMessageA(DWORD dwFlags, const void* lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                     char* lpBuffer, DWORD nSize, void* Arguments);
HLOCAL LocalFree(HLOCAL hMem);

// Registry: ERROR_SUCCESS or a Windows error number; ERROR_MORE_DATA with the
// size written back when the data does not fit.
LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   HKEY* phkResult);
LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType,
                      BYTE* lpData, DWORD* lpcbData);
LONG RegCloseKey(HKEY hKey);

// Version information of a module file: its size (0 on failure), the block,
// and the VS_FIXEDFILEINFO of the block's root ("\\").
DWORD GetFileVersionInfoSizeA(const char* lptstrFilename, DWORD* lpdwHandle);
BOOL GetFileVersionInfoA(const char* lptstrFilename, DWORD dwHandle, DWORD dwLen, void* lpData);
BOOL VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer, UINT* puLen);
#endif

// ---- multibyte string helpers of the ANSI code page -------------------------
// They cannot fail. Bytes, not characters, are counted everywhere. A byte that is the trail byte
// of a double-byte character never matches a single-byte character.

// True when c is a lead byte of the ANSI code page (IsDBCSLeadByte).
bool IsLeadByte(unsigned char c);
// The next character after p (CharNextA): p itself at the terminator; a lead
// byte followed by the terminator counts as one character.
const char* MbsInc(const char* p);
// First / last occurrence of the single-byte character c (_mbschr, _mbsrchr);
// null when there is none. c == 0 finds the terminator.
const char* MbsChr(const char* s, unsigned int c);
const char* MbsRChr(const char* s, unsigned int c);
inline char* MbsChr(char* s, unsigned int c) {
    return const_cast<char*>(MbsChr(static_cast<const char*>(s), c));
}
inline char* MbsRChr(char* s, unsigned int c) {
    return const_cast<char*>(MbsRChr(static_cast<const char*>(s), c));
}
// Case-sensitive substring search on character boundaries (_mbsstr).
const char* MbsStr(const char* haystack, const char* needle);
// Case-insensitive comparison of whole strings (_mbsicmp): <0, 0, >0.
int MbsICmp(const char* a, const char* b);
// Case-insensitive comparison of at most n bytes (_mbsnbicmp).
int MbsNBICmp(const char* a, const char* b, std::size_t n);

// ---- files the library opens itself -----------------------------------------
// The path under which the C runtime opens the file a Windows path names (on
// Windows the path itself). Empty when no file of the process answers to it.
std::string HostPath(const char* windowsPath);

}  // namespace w32
