// Kernel, registry and version-information functions of the workstation.
#include "SimInternal.h"

#if !defined(_WIN32)
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <cstring>

namespace w32 {

using namespace qvsim::detail;

namespace {

// Windows' English system messages for the codes the simulated functions
// can answer, and the other codes the library names.
struct Message {
    DWORD code;
    const char* text;
};

constexpr Message kSystemMessages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough storage is available to process this command."},
    {13, "The data is invalid."},
    {14, "Not enough storage is available to complete this operation."},
    {15, "The system cannot find the drive specified."},
    {18, "There are no more files."},
    {21, "The device is not ready."},
    {32, "The process cannot access the file because it is being used by another process."},
    {50, "The request is not supported."},
    {51, "Windows cannot find the network path. Verify that the network path is correct and the destination "
         "computer is not busy or turned off. If Windows still cannot find the network path, contact your network "
         "administrator."},
    {52, "You were not connected because a duplicate name exists on the network. Go to System in Control Panel "
         "to change the computer name and try again."},
    {53, "The network path was not found."},
    {54, "The network is busy."},
    {55, "The specified network resource or device is no longer available."},
    {56, "The network BIOS command limit has been reached."},
    {57, "A network adapter hardware error occurred."},
    {58, "The specified server cannot perform the requested operation."},
    {59, "An unexpected network error occurred."},
    {60, "The remote adapter is not compatible."},
    {64, "The specified network name is no longer available."},
    {65, "Network access is denied."},
    {66, "The network resource type is not correct."},
    {67, "The network name cannot be found."},
    {68, "The name limit for the local computer network adapter card was exceeded."},
    {69, "The network BIOS session limit was exceeded."},
    {70, "The remote server has been paused or is in the process of being started."},
    {71, "No more connections can be made to this remote computer at this time because there are already as "
         "many connections as the computer can accept."},
    {72, "The specified printer or disk device has been paused."},
    {80, "The file exists."},
    {85, "The local device name is already in use."},
    {86, "The specified network password is not correct."},
    {87, "The parameter is incorrect."},
    {88, "A write fault occurred on the network."},
    {110, "The system cannot open the device or file specified."},
    {111, "The file name is too long."},
    {120, "This function is not supported on this system."},
    {122, "The data area passed to a system call is too small."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {124, "The system call level is not correct."},
    {126, "The specified module could not be found."},
    {161, "The specified path is invalid."},
    {170, "The requested resource is in use."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {234, "More data is available."},
    {259, "No more data is available."},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2."},
    {487, "Attempt to access invalid address."},
    {1200, "The specified device name is invalid."},
    {1201, "The device is not currently connected but it is a remembered connection."},
    {1202, "The local device name has a remembered connection to another network resource."},
    {1203, "No network provider accepted the given network path."},
    {1204, "The specified network provider name is invalid."},
    {1205, "Unable to open the network connection profile."},
    {1206, "The network connection profile is corrupted."},
    {1207, "Cannot enumerate a noncontainer."},
    {1208, "An extended error has occurred."},
    {1222, "The network is not present or not started."},
    {2250, "This network connection does not exist."},
};

// The 16-bit layout of a version resource: wLength, wValueLength, the key
// "VS_VERSION_INFO" and, DWORD-aligned, the fixed file information.
struct VersionBlock {
    WORD wLength;
    WORD wValueLength;
    char szKey[16];
    VS_FIXEDFILEINFO value;
};

std::string BaseName(const char* path) {
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
    return base;
}

// The version of a module file, or nothing when it has none.
std::optional<ModuleVersion> FindModule(const char* fileName) {
    if (fileName == nullptr) return std::nullopt;
    auto ws = Current();
    const CodePageTable& cp = *FindCodePage(ws->codePage);
    std::string key = FoldKey(BaseName(fileName), cp);
    auto it = ws->modules.find(key);
    if (it != ws->modules.end()) return it->second.present ? std::optional(it->second) : std::nullopt;
    if (key == FoldKey(QUORVEL_MODULE_FILE_NAME, cp)) {
        ModuleVersion own;
        ParseVersion(QUORVEL_FILE_VERSION, own.fileMS, own.fileLS);
        ParseVersion(QUORVEL_PRODUCT_VERSION, own.productMS, own.productLS);
        return own;
    }
    return std::nullopt;
}

// ---- registry ------------------------------------------------------------------

const char* RootName(HKEY key) {
    if (key == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT";
    if (key == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (key == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    if (key == HKEY_USERS) return "HKEY_USERS";
    if (key == reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000005)))) return "HKEY_CURRENT_CONFIG";
    return nullptr;
}

// The folded full path of an open key; false for an unknown handle.
bool KeyPath(State& s, HKEY key, const CodePageTable& cp, std::string& path) {
    if (const char* root = RootName(key)) {
        path = FoldKey(root, cp);
        return true;
    }
    auto it = s.keys.find(reinterpret_cast<std::uintptr_t>(key));
    if (it == s.keys.end()) return false;
    path = it->second;
    return true;
}

bool KeyExists(const Workstation& ws, const std::string& path) {
    if (path.find('\\') == std::string::npos) return true;  // a root key
    auto it = ws.registry.lower_bound(path);
    return it != ws.registry.end() &&
           (it->first == path || (it->first.size() > path.size() && it->first.compare(0, path.size(), path) == 0 &&
                                  it->first[path.size()] == '\\'));
}

}  // namespace

// ---- kernel ----------------------------------------------------------------------

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    QVSIM_CALL(GetVersionExA);
    QVSIM_FAILS((SetLastErrorCode(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY)), FALSE));
    if (info == nullptr) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto ws = Current();
    if (ws->osFails) {
        SetLastErrorCode(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    info->dwMajorVersion = ws->major;
    info->dwMinorVersion = ws->minor;
    info->dwBuildNumber = ws->build;
    info->dwPlatformId = ws->platformId;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    CopyBounded(info->szCSDVersion, sizeof info->szCSDVersion, ws->csd);
    return TRUE;
}

BOOL GetComputerNameA(char* lpBuffer, DWORD* nSize) {
    QVSIM_CALL(GetComputerNameA);
    QVSIM_FAILS((SetLastErrorCode(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY)), FALSE));
    if (nSize == nullptr || (lpBuffer == nullptr && *nSize != 0)) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto ws = Current();
    if (!ws->computerName) {
        SetLastErrorCode(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    const std::string& name = *ws->computerName;
    if (name.size() + 1 > *nSize) {
        *nSize = static_cast<DWORD>(name.size() + 1);
        SetLastErrorCode(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    std::memcpy(lpBuffer, name.c_str(), name.size() + 1);
    *nSize = static_cast<DWORD>(name.size());
    return TRUE;
}

#if defined(_WIN32)
DWORD GetCurrentThreadId() {
    QVSIM_CALL(GetCurrentThreadId);
    return ::GetCurrentThreadId();
}
#else
DWORD GetCurrentThreadId() {
    QVSIM_CALL(GetCurrentThreadId);
    return static_cast<DWORD>(::syscall(SYS_gettid));
}
#endif

DWORD FormatMessageA(DWORD dwFlags, const void* /*lpSource*/, DWORD dwMessageId, DWORD /*dwLanguageId*/,
                     char* lpBuffer, DWORD nSize, void* /*Arguments*/) {
    QVSIM_CALL(FormatMessageA);
    QVSIM_FAILS((SetLastErrorCode(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY)), 0));
    if ((dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || lpBuffer == nullptr) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string text;
    {
        auto ws = Current();
        auto it = ws->messages.find(dwMessageId);
        if (it != ws->messages.end()) {
            text = it->second;
        } else {
            for (const Message& m : kSystemMessages)
                if (m.code == dwMessageId) text = std::string(m.text) + "\r\n";
        }
    }
    if (text.empty()) {
        SetLastErrorCode(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* block = static_cast<char*>(std::malloc(text.size() + 1));
        if (block == nullptr) {
            SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(block, text.c_str(), text.size() + 1);
        {
            State& s = GetState();
            std::lock_guard<std::mutex> lock(s.mu);
            s.allocations.insert(block);
        }
        *reinterpret_cast<char**>(lpBuffer) = block;
    } else {
        if (text.size() + 1 > nSize) {
            SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    }
    return static_cast<DWORD>(text.size());
}

HLOCAL LocalFree(HLOCAL hMem) {
    QVSIM_CALL(LocalFree);
    if (hMem == nullptr) return nullptr;
    State& s = GetState();
    {
        std::lock_guard<std::mutex> lock(s.mu);
        if (s.allocations.erase(hMem) == 0) {
            SetLastErrorCode(ERROR_INVALID_HANDLE);
            return hMem;
        }
    }
    std::free(hMem);
    return nullptr;
}

// ---- registry ----------------------------------------------------------------------

LONG RegOpenKeyExA(HKEY hKey, const char* lpSubKey, DWORD /*ulOptions*/, REGSAM /*samDesired*/, HKEY* phkResult) {
    QVSIM_CALL(RegOpenKeyExA);
    QVSIM_FAILS(static_cast<LONG>(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY)));
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    auto ws = Current();
    const CodePageTable& cp = *FindCodePage(ws->codePage);
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.mu);
    std::string path;
    if (!KeyPath(s, hKey, cp, path)) return ERROR_INVALID_HANDLE;
    if (lpSubKey != nullptr && *lpSubKey != 0) {
        if (*lpSubKey == '\\') return ERROR_BAD_PATHNAME;
        std::string sub = FoldKey(lpSubKey, cp);
        while (!sub.empty() && sub.back() == '\\') sub.pop_back();
        path += "\\" + sub;
    }
    if (!KeyExists(*ws, path)) return ERROR_FILE_NOT_FOUND;
    std::uintptr_t id = s.NewHandle();
    s.keys.emplace(id, path);
    *phkResult = reinterpret_cast<HKEY>(id);
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                      DWORD* lpcbData) {
    QVSIM_CALL(RegQueryValueExA);
    QVSIM_FAILS(static_cast<LONG>(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY)));
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) return ERROR_INVALID_PARAMETER;
    auto ws = Current();
    const CodePageTable& cp = *FindCodePage(ws->codePage);
    std::string path;
    {
        State& s = GetState();
        std::lock_guard<std::mutex> lock(s.mu);
        if (!KeyPath(s, hKey, cp, path)) return ERROR_INVALID_HANDLE;
    }
    auto key = ws->registry.find(path);
    if (key == ws->registry.end()) return ERROR_FILE_NOT_FOUND;
    auto value = key->second.find(FoldKey(lpValueName ? lpValueName : "", cp));
    if (value == key->second.end()) return ERROR_FILE_NOT_FOUND;
    const RegValue& v = value->second;
    if (lpType) *lpType = v.type;
    if (lpcbData == nullptr) return ERROR_SUCCESS;
    DWORD available = *lpcbData;
    *lpcbData = static_cast<DWORD>(v.data.size());
    if (lpData == nullptr) return ERROR_SUCCESS;
    if (v.data.size() > available) return ERROR_MORE_DATA;
    std::memcpy(lpData, v.data.data(), v.data.size());
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
    QVSIM_CALL(RegCloseKey);
    if (RootName(hKey)) return ERROR_SUCCESS;
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.mu);
    return s.keys.erase(reinterpret_cast<std::uintptr_t>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// ---- version information --------------------------------------------------------------

DWORD GetFileVersionInfoSizeA(const char* lptstrFilename, DWORD* lpdwHandle) {
    QVSIM_CALL(GetFileVersionInfoSizeA);
    QVSIM_FAILS((SetLastErrorCode(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY)), 0));
    if (lpdwHandle) *lpdwHandle = 0;
    if (!FindModule(lptstrFilename)) {
        SetLastErrorCode(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    return sizeof(VersionBlock);
}

BOOL GetFileVersionInfoA(const char* lptstrFilename, DWORD /*dwHandle*/, DWORD dwLen, void* lpData) {
    QVSIM_CALL(GetFileVersionInfoA);
    QVSIM_FAILS((SetLastErrorCode(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY)), FALSE));
    auto module = FindModule(lptstrFilename);
    if (!module) {
        SetLastErrorCode(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (lpData == nullptr || dwLen < sizeof(VersionBlock)) {
        SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    VersionBlock block{};
    block.wLength = sizeof(VersionBlock);
    block.wValueLength = sizeof(VS_FIXEDFILEINFO);
    std::memcpy(block.szKey, "VS_VERSION_INFO", 16);
    block.value.dwSignature = VS_FFI_SIGNATURE;
    block.value.dwStrucVersion = 0x00010000;
    block.value.dwFileVersionMS = module->fileMS;
    block.value.dwFileVersionLS = module->fileLS;
    block.value.dwProductVersionMS = module->productMS;
    block.value.dwProductVersionLS = module->productLS;
    block.value.dwFileFlagsMask = 0x3F;
    block.value.dwFileOS = 0x00040004;  // VOS_NT_WINDOWS32
    block.value.dwFileType = 2;         // VFT_DLL
    std::memcpy(lpData, &block, sizeof block);
    return TRUE;
}

BOOL VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer, UINT* puLen) {
    QVSIM_CALL(VerQueryValueA);
    QVSIM_FAILS(FALSE);
    if (pBlock == nullptr || lpSubBlock == nullptr || lplpBuffer == nullptr) return FALSE;
    const auto* block = static_cast<const VersionBlock*>(pBlock);
    if (std::strcmp(lpSubBlock, "\\") != 0 || std::memcmp(block->szKey, "VS_VERSION_INFO", 16) != 0 ||
        block->wValueLength != sizeof(VS_FIXEDFILEINFO) || block->value.dwSignature != VS_FFI_SIGNATURE)
        return FALSE;
    *lplpBuffer = const_cast<VS_FIXEDFILEINFO*>(&block->value);
    if (puLen) *puLen = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

}  // namespace w32
