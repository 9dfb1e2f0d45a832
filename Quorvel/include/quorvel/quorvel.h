/**
 * @file quorvel.h
 * @brief The library's C interface: every public operation of CNetResConvert
 * as a plain C function, callable from any compiler and any language.
 *
 * The functions forward to the class and answer exactly as it does: the same
 * status, the same text in the caller's buffers, the same trace records.
 * Only plain C types cross this interface: zero-terminated 8-bit strings of
 * the system's ANSI code page, caller-owned buffers with their sizes, 32-bit
 * unsigned statuses and two plain records. No C++ object and no exception
 * crosses it.
 *
 * Lists come back copied into the caller's memory:
 * - name lists (servers, volumes, mapped-drive paths) as a sequence of
 *   zero-terminated names followed by one more zero byte (an empty list is a
 *   single zero byte). The caller passes the buffer's size in bytes; when the
 *   list does not fit, nothing is copied, the size needed is written back and
 *   the status is #QUORVEL_ERROR_MORE_DATA. A NULL buffer counts as a buffer
 *   of size 0, so a first call with size 0 asks for the size;
 * - the mount list as an array of #quorvel_mount records, sized in records
 *   by the same rule.
 *
 * Calling convention: on Windows every function is __cdecl (#QUORVEL_CALL),
 * whatever the client's compiler default; the exports carry the plain
 * function names in both the 32-bit and the 64-bit DLL, so that
 * GetProcAddress(module, "quorvel_res_to_dnc") finds them (the library's
 * quorvel.def names them for import libraries of other tool chains).
 *
 * Threads: the functions may be called from any number of threads at once.
 * They take turns: each runs while no other function of this interface runs,
 * because the library keeps process-wide lists without locks of their own.
 * Every thread gets the answers that one thread calling alone would get.
 * (The C++ class itself takes no turns: call it from one thread at a time,
 * and not beside the C functions.)
 *
 * Batches: a client that converts many names, in either direction, begins a
 * batch (quorvel_batch_begin), converts, and ends it (quorvel_batch_end).
 * Within the batch, what the library learns from the network to resolve a
 * name is remembered for the names after it, so that a catalogue costs
 * network round trips for its distinct containers and servers, not for each
 * of its names; the answers are those of the same calls outside a batch.
 */
#ifndef QUORVEL_QUORVEL_H
#define QUORVEL_QUORVEL_H

#include <stdint.h>

#if defined(_WIN32)
/** The calling convention of every function: __cdecl on Windows. */
#define QUORVEL_CALL __cdecl
#if defined(QUORVEL_BUILDING_LIBRARY)
/** Exported from the library (imported by its clients). */
#define QUORVEL_C_API __declspec(dllexport)
#elif defined(QUORVEL_STATIC)
/** Exported from the library (imported by its clients). */
#define QUORVEL_C_API
#else
/** Exported from the library (imported by its clients). */
#define QUORVEL_C_API __declspec(dllimport)
#endif
#else
/** The calling convention of every function: __cdecl on Windows. */
#define QUORVEL_CALL
/** Exported from the library (imported by its clients). */
#define QUORVEL_C_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
/** No function throws; C++ callers see them as noexcept. */
#define QUORVEL_NOEXCEPT noexcept
extern "C" {
#else
/** No function throws; C++ callers see them as noexcept. */
#define QUORVEL_NOEXCEPT
#endif

/** @name Statuses
 * 0 is success; otherwise a Windows error number (the network functions'
 * own codes are passed on unchanged) or one of the library's codes from
 * 0xF001 on. */
/** @{ */
#define QUORVEL_OK 0u                        /**< success */
#define QUORVEL_ERROR_NOT_ENOUGH_MEMORY 8u   /**< out of memory */
#define QUORVEL_ERROR_INVALID_PARAMETER 87u  /**< argument missing, empty or too short; size 0 */
#define QUORVEL_ERROR_MORE_DATA 234u         /**< buffer too small; the size needed is written back */
#define QUORVEL_ERROR_NO_MORE_ITEMS 259u     /**< no (more) entry in a list */
#define QUORVEL_ERROR_INVALID_ADDRESS 487u   /**< a required pointer is NULL */
#define QUORVEL_CONV_BAD_RES_NAME 0xF001u    /**< name too short, or its drive is not mapped */
#define QUORVEL_CONV_BAD_RES_TYPE 0xF002u    /**< neither a drive path nor a name beginning with two backslashes */
#define QUORVEL_CONV_BAD_NAME_FORMAT 0xF003u /**< name not built as expected */
#define QUORVEL_CONV_RES_NOT_FOUND 0xF004u   /**< NDS resource not found */
#define QUORVEL_CONV_BAD_OS_VERSION 0xF005u  /**< unexpected operating system version */
#define QUORVEL_CONV_NO_SERVER 0xF006u       /**< server not in the server list */
#define QUORVEL_CONV_BAD_CLIENT 0xF007u      /**< unexpected network client */
#define QUORVEL_CONV_INVALID_INDEX 0xF008u   /**< index outside a list */
#define QUORVEL_CONV_PATH_NOT_FOUND 0xF009u  /**< the file system found no entry for a path */
#define QUORVEL_CONV_NAME_TOO_LONG 0xF00Au   /**< a name is too long for its buffer */
#define QUORVEL_CONV_BAD_MAP_PATH 0xF00Bu    /**< the drive is mapped but has no DNC name */
#define QUORVEL_CONV_NO_DOT 0xF00Cu          /**< an element of a dotted NDS name is empty */
/** @} */

/** @name Resource name types (quorvel_res_name_type) */
/** @{ */
#define QUORVEL_RES_TYPE_UNKNOWN 0u /**< neither of the two below */
#define QUORVEL_RES_TYPE_MAP 1u /**< drive letter and colon */
#define QUORVEL_RES_TYPE_UNC 2u /**< two backslashes */
/** @} */

/** @name Network types (quorvel_mount::net_type) */
/** @{ */
#define QUORVEL_NET_LANMAN 0x00020000u      /**< Microsoft network */
#define QUORVEL_NET_NETWARE 0x00030000u     /**< NetWare */
#define QUORVEL_NET_UNSUPPORTED 0xFFFFFFFFu /**< no supported provider */
/** @} */

/** Size in bytes of every fixed buffer of this interface (UNC paths, server,
 * volume and mapped-drive names, the names of the records below). */
#define QUORVEL_PATH_SIZE 260u

/** A server, as the server list hands it out and as quorvel_enum_server_res
 * takes it (the fields of the platform's network resource record). */
typedef struct quorvel_server {
    uint32_t scope;        /**< 2: global network */
    uint32_t type;         /**< 1: disk */
    uint32_t display_type; /**< 2: server */
    uint32_t usage;        /**< kept by the server queries; set to 1 by quorvel_enum_server_res */
    char remote_name[QUORVEL_PATH_SIZE]; /**< two backslashes and the server name */
    char provider[QUORVEL_PATH_SIZE];    /**< the network provider's name */
} quorvel_server;

/** One connected network drive of the workstation. */
typedef struct quorvel_mount {
    uint32_t net_type;                   /**< QUORVEL_NET_LANMAN or QUORVEL_NET_NETWARE */
    char local_name[QUORVEL_PATH_SIZE];  /**< drive letter and colon */
    char remote_name[QUORVEL_PATH_SIZE]; /**< the connection's remote name */
    char dnc_name[QUORVEL_PATH_SIZE];    /**< DNC name of the remote name; empty when it could not be made */
} quorvel_mount;

/* ---- list lifecycle ------------------------------------------------------ */

/** Detects the network environment (once per process) and builds the server
 * list unless the platform gives the drives' names. Other functions build
 * lazily, so a client need not call it.
 * @return 0, or the error of the environment detection or of the server scan
 *         (0 when the platform's universal names are in use). */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_build_lists(void) QUORVEL_NOEXCEPT;

/** Empties every list (servers, volumes, mounted drives); the detected
 * environment stays. The lists fill again on their next use.
 * @return 0. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_clear_lists(void) QUORVEL_NOEXCEPT;

/** Withdrawn; kept for old clients. @return 0. */
QUORVEL_C_API uint16_t QUORVEL_CALL quorvel_get_convert_mode(void) QUORVEL_NOEXCEPT;

/** Withdrawn; kept for old clients. The mode has no effect.
 * @param mode any value; it is not kept. */
QUORVEL_C_API void QUORVEL_CALL quorvel_set_convert_mode(uint16_t mode) QUORVEL_NOEXCEPT;

/* ---- resource names to DNC names ----------------------------------------- */

/** Classifies a resource name by its first two characters.
 * @param res_name the name.
 * @param[out] type QUORVEL_RES_TYPE_MAP, QUORVEL_RES_TYPE_UNC or
 *        QUORVEL_RES_TYPE_UNKNOWN (also on failure); may be NULL when only
 *        the status is wanted.
 * @return 0; QUORVEL_ERROR_INVALID_PARAMETER for a NULL name or one shorter
 *         than 2 characters; QUORVEL_CONV_BAD_RES_TYPE for a name of no
 *         known kind. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_res_name_type(const char* res_name,
                                                          uint32_t* type) QUORVEL_NOEXCEPT;

/** Converts a resource name (a path on a mapped drive, a UNC path or an NDS
 * name written with backslashes) into its DNC name.
 * @param res_name the name, more than 2 characters.
 * @param[out] dnc the caller's buffer; from the argument checks on it holds at
 *        least an empty string, on failure what the conversion left (as a rule
 *        empty).
 * @param[in,out] size the buffer's size in bytes; on QUORVEL_ERROR_MORE_DATA it
 *        receives the size needed, terminating zero included. NULL counts as
 *        size 0.
 * @return 0; QUORVEL_ERROR_INVALID_PARAMETER (NULL name or buffer, size 0,
 *         name of 2 characters or fewer; the buffer is then untouched);
 *         QUORVEL_ERROR_MORE_DATA; QUORVEL_CONV_BAD_RES_TYPE;
 *         QUORVEL_CONV_BAD_RES_NAME (drive not mapped); QUORVEL_CONV_BAD_MAP_PATH;
 *         QUORVEL_CONV_BAD_NAME_FORMAT, QUORVEL_CONV_NO_SERVER,
 *         QUORVEL_CONV_RES_NOT_FOUND, QUORVEL_CONV_NO_DOT and the other codes
 *         of the name conversion; an error of the network functions. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_res_to_dnc(const char* res_name, char* dnc,
                                                       uint32_t* size) QUORVEL_NOEXCEPT;

/* ---- DNC names to usable paths ------------------------------------------- */

/** Gives the UNC path of a DNC name (the DNC name itself). Builds no list.
 * @param dnc the DNC name: two backslashes, server, backslash, ...
 * @param[out] unc buffer of QUORVEL_PATH_SIZE bytes; untouched on failure.
 * @return 0; QUORVEL_ERROR_INVALID_ADDRESS (NULL argument);
 *         QUORVEL_CONV_BAD_NAME_FORMAT (no two leading backslashes, or no
 *         backslash behind the server); QUORVEL_CONV_NAME_TOO_LONG (the name
 *         does not fit the buffer). */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_dnc_to_unc(const char* dnc, char* unc) QUORVEL_NOEXCEPT;

/** Gives the UNC path of a DNC name and every path through a mapped drive of
 * this workstation that reaches the same place, in mount-list order.
 * @param dnc the DNC name.
 * @param[out] unc buffer of QUORVEL_PATH_SIZE bytes; untouched on a failure of
 *        the name checks.
 * @param[out] maps the caller's buffer for the drive paths as a name list (see
 *        the file's description); untouched on failure.
 * @param[in,out] maps_size the size of maps in bytes; receives the size the
 *        list takes (on success and on QUORVEL_ERROR_MORE_DATA). NULL when the
 *        paths are not wanted.
 * @param[out] count receives the number of paths (0 on failure); may be NULL.
 * @return the statuses of quorvel_dnc_to_unc (with the UNC buffer checked
 *         first), or QUORVEL_ERROR_MORE_DATA when the paths do not fit maps
 *         (the UNC path is then written). A DNC name that no drive reaches
 *         gives 0 and an empty list. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_dnc_to_unc_maps(const char* dnc, char* unc, char* maps,
                                                            uint32_t* maps_size,
                                                            uint32_t* count) QUORVEL_NOEXCEPT;

/** quorvel_dnc_to_unc_maps without the UNC path.
 * @param dnc the DNC name.
 * @param[out] maps the caller's buffer for the name list of mapped-drive paths.
 * @param[in,out] maps_size the size of maps in bytes; receives the size the
 *        list takes. NULL when the paths are not wanted.
 * @param[out] count receives the number of paths (0 on failure); may be NULL.
 * @return as quorvel_dnc_to_unc_maps. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_dnc_to_maps(const char* dnc, char* maps,
                                                        uint32_t* maps_size,
                                                        uint32_t* count) QUORVEL_NOEXCEPT;

/** Reads an entry of the library's internal map list, which nothing fills:
 * kept for old clients.
 * @param dnc a DNC name (only traced).
 * @param index the entry.
 * @param[out] map buffer of QUORVEL_PATH_SIZE bytes.
 * @return QUORVEL_CONV_INVALID_INDEX for an index outside the list (tested
 *         first), QUORVEL_ERROR_INVALID_ADDRESS for a NULL argument, else 0. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_map_entry(const char* dnc, uint32_t index,
                                                      char* map) QUORVEL_NOEXCEPT;

/* ---- DNC names taken apart ------------------------------------------------ */

/** Gives the server part of a DNC name (two backslashes and the server name),
 * by its text alone.
 * @param dnc the DNC name.
 * @param[out] server buffer of QUORVEL_PATH_SIZE bytes.
 * @return 0, or QUORVEL_ERROR_INVALID_ADDRESS for a NULL argument (nothing
 *         written). */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_server_from_dnc(const char* dnc,
                                                            char* server) QUORVEL_NOEXCEPT;

/** Splits a NetWare volume object name (server, underscore, volume) at the
 * underscore that gives the longest server of the server list.
 * @param element the volume object name.
 * @param[out] server buffer of QUORVEL_PATH_SIZE bytes: two backslashes and
 *        the server name.
 * @param[out] volume buffer of QUORVEL_PATH_SIZE bytes.
 * @return 0; QUORVEL_CONV_NO_SERVER with both outputs empty;
 *         QUORVEL_ERROR_INVALID_ADDRESS for a NULL argument. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_extract_server_volume(const char* element, char* server,
                                                                  char* volume) QUORVEL_NOEXCEPT;

/* ---- servers, volumes and mounted drives ----------------------------------- */

/** Copies the server list (two backslashes and the name of each server, the
 * NetWare servers first) as a name list; scans the network on first use.
 * @param[out] names the caller's buffer; untouched on failure.
 * @param[in,out] size its size in bytes; receives the size the list takes.
 *        NULL when only the count is wanted.
 * @param[out] count the number of servers; may be NULL.
 * @return 0 or QUORVEL_ERROR_MORE_DATA. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_server_list(char* names, uint32_t* size,
                                                        uint32_t* count) QUORVEL_NOEXCEPT;

/** @return the number of servers of the server list (scanned on first use). */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_server_count(void) QUORVEL_NOEXCEPT;

/** Gives the first server record: the newest NetWare server found, else the
 * newest Microsoft server.
 * @param[in,out] server receives scope, type, display type, remote name and
 *        provider; usage keeps what the caller put there. Untouched on failure.
 * @return 0, QUORVEL_ERROR_NO_MORE_ITEMS (no server), or
 *         QUORVEL_ERROR_INVALID_ADDRESS (NULL record). */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_first_server(quorvel_server* server) QUORVEL_NOEXCEPT;

/** Gives the server record at an index: the NetWare servers newest first,
 * then the Microsoft servers newest first (index 0 is quorvel_first_server's
 * server; the order differs from quorvel_server_list's).
 * @param index the position, from 0.
 * @param[in,out] server as in quorvel_first_server.
 * @return as quorvel_first_server; QUORVEL_ERROR_NO_MORE_ITEMS for an index
 *         beyond the servers. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_next_server(uint32_t index,
                                                        quorvel_server* server) QUORVEL_NOEXCEPT;

/** Withdrawn; does what quorvel_next_server does, after a warning in the
 * trace.
 * @param index the position, from 0.
 * @param[in,out] server as in quorvel_first_server.
 * @return as quorvel_next_server. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_server_info(uint32_t index,
                                                        quorvel_server* server) QUORVEL_NOEXCEPT;

/** Enumerates the connectable disk resources of a server and makes them the
 * volume list (quorvel_volume_list).
 * @param[in,out] server the server (remote name and provider matter; an empty
 *        one is passed as none); its usage is set to 1.
 * @return 0; QUORVEL_ERROR_INVALID_ADDRESS (NULL record); the error of the
 *         network enumeration (QUORVEL_ERROR_NO_MORE_ITEMS for a server
 *         without disk resources), the volume list then unchanged. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_enum_server_res(quorvel_server* server) QUORVEL_NOEXCEPT;

/** Copies the volume list of the last successful quorvel_enum_server_res
 * (full remote names: two backslashes, the server, a backslash, the volume)
 * as a name list; builds nothing.
 * @param[out] names the caller's buffer; untouched on failure.
 * @param[in,out] size its size in bytes; receives the size the list takes.
 *        NULL when only the count is wanted.
 * @param[out] count the number of volumes; may be NULL.
 * @return as quorvel_server_list. */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_volume_list(char* names, uint32_t* size,
                                                        uint32_t* count) QUORVEL_NOEXCEPT;

/** Builds the mount list anew (the connected network drives) and copies it.
 * @param[out] entries the caller's array; untouched on
 *        QUORVEL_ERROR_MORE_DATA.
 * @param[in,out] count the number of records of entries; receives the number
 *        of drives (also on QUORVEL_ERROR_MORE_DATA).
 * @return 0; QUORVEL_ERROR_MORE_DATA; QUORVEL_ERROR_INVALID_ADDRESS (count
 *         NULL); QUORVEL_CONV_NAME_TOO_LONG when a name did not fit its field
 *         (every record is written, the long names cut and terminated). */
QUORVEL_C_API uint32_t QUORVEL_CALL quorvel_mount_list(quorvel_mount* entries,
                                                       uint32_t* count) QUORVEL_NOEXCEPT;

/** Begins a batch of conversions. Until quorvel_batch_end, the children of
 * every NDS container that a name is searched in, and every container that
 * cannot be opened (a server that is not listed), are remembered as the
 * network answered the first time, and the following names are resolved
 * from that memory instead of asking the network again. Nothing is
 * remembered while tracing is on (the trace shows every call).
 *
 * Lifetime: the memory lives from quorvel_batch_begin to quorvel_batch_end
 * (and is process-wide: the conversions of every thread use it). A batch
 * that begins while one runs starts with an empty memory; a long-running
 * client ends a batch and begins another to see changes of the network. */
QUORVEL_C_API void QUORVEL_CALL quorvel_batch_begin(void) QUORVEL_NOEXCEPT;

/** Ends the batch and forgets what it remembered; without a batch it does
 * nothing. */
QUORVEL_C_API void QUORVEL_CALL quorvel_batch_end(void) QUORVEL_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* QUORVEL_QUORVEL_H */
