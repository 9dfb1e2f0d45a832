/// @file
/// The Win32 types that appear in the library's interface.
///
/// On Windows they come from the system's headers. Elsewhere this header
/// declares them with Windows' names, layouts and widths (DWORD is 32 bits
/// wide everywhere) and declares nothing else: no macros, so that a client's
/// own names such as TRUE, FALSE or ERROR_SUCCESS stay free.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winnetwk.h>
#else
#include <cstdint>

/// Unsigned 32-bit value: statuses, sizes, indexes, network types.
typedef std::uint32_t DWORD;
/// Unsigned 16-bit value.
typedef std::uint16_t WORD;
/// One byte of an ANSI string.
typedef char CHAR;
/// Pointer to a zero-terminated ANSI string.
typedef CHAR* LPSTR;

/// The record that describes a network resource (a server, a share, a
/// connected drive), as the Windows networking functions fill it.
typedef struct _NETRESOURCEA {
    DWORD dwScope;        ///< 1 connected, 2 the whole network, 3 remembered
    DWORD dwType;         ///< 0 any, 1 disk, 2 printer
    DWORD dwDisplayType;  ///< 1 domain, 2 server, 3 share, 0x0A tree, 0x0B NDS container, ...
    DWORD dwUsage;        ///< 1 connectable, 2 container
    LPSTR lpLocalName;    ///< local device ("F:") of a connection, or null
    LPSTR lpRemoteName;   ///< remote name ("\\SERVER", "\\SERVER\VOLUME")
    LPSTR lpComment;      ///< the provider's comment, or null
    LPSTR lpProvider;     ///< name of the network provider
} NETRESOURCEA;
/// Pointer to a NETRESOURCEA.
typedef NETRESOURCEA* LPNETRESOURCEA;
#endif
