// What the library's source units share beyond the public header.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <quorvel/NetResConvert.h>
#include <quorvel/Win32Api.h>

#include "ListIndex.h"

namespace qvlib {

// The library-internal list that GetMapEntry reads and ClearLists empties.
// Nothing in the library adds to it.
extern std::vector<std::string> MapList;

// The process-wide containers of the library (the lists of CNetResConvert,
// MapList, the indexes over them) are constructed before anything else of
// the library, so that they are destroyed after everything else: the
// module's unload work, however it is hooked, still finds them.
#if defined(__GNUC__)
#define QV_PROCESS_WIDE __attribute__((init_priority(101)))
#else
#define QV_PROCESS_WIDE
#endif

// The character after p, as w32::MbsInc gives it; an ASCII byte (never a
// lead byte in any ANSI code page) is stepped over without the call.
inline const char* NextChar(const char* p) {
    return static_cast<unsigned char>(*p) - 1u < 0x7Fu ? p + 1 : w32::MbsInc(p);
}

// Copies at most dstSize - 1 bytes of src into dst and terminates it; a null
// src gives an empty string. Nothing is written when dst is null or dstSize
// is 0. Returns the number of bytes copied (terminator not counted).
inline std::size_t BoundedCopy(char* dst, std::size_t dstSize, const char* src) {
    if (dst == nullptr || dstSize == 0) return 0;
    std::size_t n = 0;
    if (src != nullptr) {
        n = std::strlen(src);
        if (n > dstSize - 1) n = dstSize - 1;
        std::memcpy(dst, src, n);
    }
    dst[n] = '\0';
    return n;
}

// Appends src to the terminated string in dst (of dstSize bytes), as far as
// it fits with the terminator. Returns false when src was cut.
inline bool BoundedAppend(char* dst, std::size_t dstSize, const char* src) {
    if (dst == nullptr || dstSize == 0) return false;
    std::size_t used = ::strnlen(dst, dstSize - 1);
    std::size_t n = src == nullptr ? 0 : std::strlen(src);
    bool whole = true;
    if (n > dstSize - 1 - used) {
        n = dstSize - 1 - used;
        whole = false;
    }
    if (n > 0) std::memcpy(dst + used, src, n);
    dst[used + n] = '\0';
    return whole;
}

// An open WNet enumeration, closed on every way out.
class EnumHandle {
public:
    EnumHandle() = default;
    EnumHandle(const EnumHandle&) = delete;
    EnumHandle& operator=(const EnumHandle&) = delete;
    ~EnumHandle() { Close(); }

    DWORD Open(DWORD dwScope, DWORD dwType, DWORD dwUsage, NETRESOURCEA* pRes) {
        DWORD dwRet = w32::WNetOpenEnumA(dwScope, dwType, dwUsage, pRes, &m_h);
        m_bOpen = dwRet == NO_ERROR;
        return dwRet;
    }
    HANDLE Get() const { return m_h; }
    void Close() {
        if (m_bOpen) w32::WNetCloseEnum(m_h);
        m_bOpen = false;
    }

private:
    HANDLE m_h = nullptr;
    bool m_bOpen = false;
};

// The buffer of one enumeration call: NETRESOURCEA records at its start,
// their strings behind them.
class EnumBuffer {
public:
    bool Alloc(DWORD cb) {
        m_p.reset();
        m_p.reset(new (std::nothrow) unsigned char[cb == 0 ? 1 : cb]);
        m_cb = m_p ? cb : 0;
        return m_p != nullptr;
    }
    void Free() {
        m_p.reset();
        m_cb = 0;
    }
    DWORD Size() const { return m_cb; }
    void* Data() { return m_p.get(); }
    const NETRESOURCEA* Records() const { return reinterpret_cast<const NETRESOURCEA*>(m_p.get()); }
    // The number of records the call returned, never more than the buffer holds.
    DWORD Count(DWORD dwReturned) const {
        DWORD dwFit = m_cb / static_cast<DWORD>(sizeof(NETRESOURCEA));
        return dwReturned < dwFit ? dwReturned : dwFit;
    }

private:
    std::unique_ptr<unsigned char[]> m_p;
    DWORD m_cb = 0;
};

}  // namespace qvlib
