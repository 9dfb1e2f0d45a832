// The multibyte string helpers of namespace w32 on the real platform: the C
// runtime's _mbs* functions and the lead bytes of the system's ANSI code
// page. The C runtime starts with the ANSI code page as its multibyte code
// page, so both agree.
#include <quorvel/Win32Api.h>

#include <mbstring.h>

namespace w32 {

namespace {

inline const unsigned char* U(const char* p) { return reinterpret_cast<const unsigned char*>(p); }
inline const char* C(const unsigned char* p) { return reinterpret_cast<const char*>(p); }

}  // namespace

bool IsLeadByte(unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; }

const char* MbsInc(const char* p) {
    if (p == nullptr || *p == 0) return p;
    // A lead byte before the terminator is one character of its own.
    return p + (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != 0 ? 2 : 1);
}

const char* MbsChr(const char* s, unsigned int c) { return s == nullptr ? nullptr : C(::_mbschr(U(s), c)); }

const char* MbsRChr(const char* s, unsigned int c) {
    if (s == nullptr) return nullptr;
    if (c == 0) return s + ::strlen(s);
    return C(::_mbsrchr(U(s), c));
}

const char* MbsStr(const char* haystack, const char* needle) {
    if (haystack == nullptr || needle == nullptr) return nullptr;
    return C(::_mbsstr(U(haystack), U(needle)));
}

int MbsICmp(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    int r = ::_mbsicmp(U(a), U(b));
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int MbsNBICmp(const char* a, const char* b, std::size_t n) {
    if (n == 0) return 0;
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    int r = ::_mbsnbicmp(U(a), U(b), n);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

// On the real platform a Windows path is already the path to open.
std::string HostPath(const char* windowsPath) { return windowsPath == nullptr ? std::string() : std::string(windowsPath); }

}  // namespace w32
