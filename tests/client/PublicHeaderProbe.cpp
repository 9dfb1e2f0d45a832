// The public header declares the interface's types and the library's own
// constants, and leaves every other name of the platform to the client.
#include <quorvel/NetResConvert.h>

enum class Probe {
    FALSE, TRUE, ERROR_SUCCESS, NO_ERROR, ERROR_MORE_DATA, ERROR_INVALID_PARAMETER, MAX_PATH,
    INVALID_HANDLE_VALUE, RESOURCE_GLOBALNET, RESOURCETYPE_DISK, WNNC_NET_LANMAN,
    HKEY_LOCAL_MACHINE, REG_DWORD, VER_PLATFORM_WIN32_NT, QUORVEL_MODULE_FILE_NAME
};

// The interface's types keep Windows' widths on every platform.
static_assert(sizeof(DWORD) == 4 && sizeof(WORD) == 2 && sizeof(NETRESOURCEA) == 16 + 4 * sizeof(char*));

DWORD ProbeConvert(const char* name, char* dnc, DWORD& size) {
    return CNetResConvert::ConvRes2DNC(name, dnc, size) == CONV_BAD_RES_TYPE ? RES_TYPE_UNKNOWN : 0;
}
