// What the library's source units share beyond the public header.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include <quorvel/NetResConvert.h>
#include <quorvel/Win32Api.h>

// The library-internal list that GetMapEntry reads and ClearLists empties.
// Nothing in the library adds to it.
extern std::vector<std::string> MapList;

// The character after p, as w32::MbsInc gives it; an ASCII byte (never a
// lead byte in any ANSI code page) is stepped over without the call.
inline const char* NextChar(const char* p) {
    return static_cast<unsigned char>(*p) - 1u < 0x7Fu ? p + 1 : w32::MbsInc(p);
}

// Which entry of the mount list a drive name ("Z:", any letter case) finds
// first, remembered per name so that a drive path costs no walk of the list.
// Forgotten whenever the mount list changes.
class DriveIndex {
public:
    DriveIndex() { Invalidate(); }
    void Invalidate() {
        for (auto& slot : m_slot) slot.store(kUnknown, std::memory_order_relaxed);
    }
    // The position of the first entry whose local name equals szDrive
    // (w32::MbsICmp), or -1. szDrive is an ASCII letter and a colon.
    long Find(const std::vector<MOUNT_T>& mounts, const char* szDrive);

private:
    static constexpr long kUnknown = -2;
    std::atomic<long> m_slot[52];
};
extern DriveIndex g_DriveIndex;

// A hash index of the server list by case-folded name (the folding that
// w32::MbsICmp applies, learnt from it), kept beside the list: extended as
// entries are appended and rebuilt after the list was cleared or replaced.
class ServerIndex {
public:
    void Invalidate() {
        std::lock_guard<std::mutex> lock(m_mu);
        m_valid = false;
    }
    // The position of the first entry equal to pszName (w32::MbsICmp), or -1.
    long Find(const std::vector<std::string>& list, const char* pszName);

private:
    bool Key(const char* psz, std::string& key);
    unsigned char Fold(unsigned char c);

    std::mutex m_mu;
    bool m_valid = false;
    std::size_t m_count = 0;                            // entries indexed
    std::unordered_map<std::string, long> m_first;      // folded name -> first position
    std::vector<long> m_other;                          // entries with double-byte characters
    unsigned char m_fold[256] = {};                     // 0: not learnt yet
    bool m_lead[256] = {};
};
extern ServerIndex g_ServerIndex;

// Counts every change of a server chain (a server pushed, a chain freed), so
// that a position remembered in a chain is known to be stale.
extern unsigned long g_ServerChainGeneration;

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
