// ANSI code pages of the workstation: lead bytes, case folding, conversion
// from and to UTF-8, and the multibyte string helpers of namespace w32.
#include "SimInternal.h"

#if !defined(_WIN32)
#include <iconv.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace qvsim::detail {
namespace {

constexpr CodePageTable MakeTable(unsigned codePage) {
    CodePageTable t{codePage, {}, {}, true};
    for (int c = 0; c < 256; ++c) {
        t.fold[c] = static_cast<unsigned char>(c);
        if (c >= 'A' && c <= 'Z') t.fold[c] = static_cast<unsigned char>(c + 0x20);
    }
    if (codePage == 1252) {
        for (int c = 0xC0; c <= 0xDE; ++c)
            if (c != 0xD7) t.fold[c] = static_cast<unsigned char>(c + 0x20);
    } else if (codePage == 932) {
        for (int c = 0x81; c <= 0x9F; ++c) t.lead[c] = true;
        for (int c = 0xE0; c <= 0xFC; ++c) t.lead[c] = true;
    } else {
        for (int c = 0x81; c <= 0xFE; ++c) t.lead[c] = true;
    }
    for (bool lead : t.lead) t.singleByte = t.singleByte && !lead;
    return t;
}

constexpr CodePageTable kTables[] = {MakeTable(1252), MakeTable(932), MakeTable(936),
                                     MakeTable(949), MakeTable(950)};

const char* IconvName(unsigned codePage) {
    switch (codePage) {
        case 932: return "CP932";
        case 936: return "CP936";
        case 949: return "CP949";
        case 950: return "CP950";
        default: return "CP1252";
    }
}

// Length of the valid UTF-8 sequence at p (0 when it is not one).
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left) {
    unsigned char c = p[0];
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || n > left) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    return n;
}

#if defined(_WIN32)
// The code page number of a conversion name above.
UINT CodePageOf(const char* name) {
    return std::strcmp(name, "UTF-8") == 0 ? CP_UTF8 : static_cast<UINT>(std::atoi(name + 2));
}

// Converts one character at a time through UTF-16 with the system's code page
// tables; an input sequence the target cannot hold (or that is not valid in
// the source) becomes '?'. skipLength tells how many input bytes such a
// sequence takes. With failedAt, the first such sequence ends the conversion
// instead, and failedAt receives its offset.
template <typename SkipLength>
std::string Convert(std::string_view in, const char* to, const char* from, SkipLength skipLength,
                    std::size_t* failedAt = nullptr) {
    const UINT cpFrom = CodePageOf(from), cpTo = CodePageOf(to);
    const CodePageTable* fromTable = cpFrom == CP_UTF8 ? nullptr : FindCodePage(cpFrom);
    std::string out;
    out.reserve(in.size() + 8);
    const auto* p = reinterpret_cast<const unsigned char*>(in.data());
    std::size_t left = in.size();
    while (left > 0) {
        std::size_t n = cpFrom == CP_UTF8 ? Utf8SequenceLength(p, left)
                                          : (fromTable && fromTable->lead[*p] && left > 1 ? 2 : 1);
        wchar_t wide[4];
        int wn = n == 0 ? 0
                        : ::MultiByteToWideChar(cpFrom, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(p),
                                                static_cast<int>(n), wide, 4);
        char bytes[8];
        BOOL lossy = FALSE;
        int bn = wn <= 0 ? 0
                         : ::WideCharToMultiByte(cpTo, cpTo == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, wn,
                                                 bytes, sizeof bytes, nullptr,
                                                 cpTo == CP_UTF8 ? nullptr : &lossy);
        if ((bn <= 0 || lossy) && failedAt) {
            *failedAt = static_cast<std::size_t>(p - reinterpret_cast<const unsigned char*>(in.data()));
            return out;
        }
        if (bn <= 0 || lossy) {
            out += '?';
            n = skipLength(p, left);
        } else {
            out.append(bytes, static_cast<std::size_t>(bn));
        }
        p += n;
        left -= n;
    }
    return out;
}
#else
// Converts with iconv; an input sequence the target cannot hold (or that is
// not valid in the source) becomes '?'. skipLength tells how many input bytes
// such a sequence takes. With failedAt, the first such sequence ends the
// conversion instead, and failedAt receives its offset.
template <typename SkipLength>
std::string Convert(std::string_view in, const char* to, const char* from, SkipLength skipLength,
                    std::size_t* failedAt = nullptr) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (unsigned char c : in) out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }
    out.reserve(in.size() + 8);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buf[1024];
    while (srcLeft > 0) {
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        if (failedAt) {
            *failedAt = static_cast<std::size_t>(src - in.data());
            break;
        }
        // EILSEQ or EINVAL: replace one character and go on.
        out += '?';
        std::size_t skip = skipLength(reinterpret_cast<const unsigned char*>(src), srcLeft);
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}
#endif

}  // namespace

const CodePageTable* FindCodePage(unsigned codePage) {
    for (const auto& t : kTables)
        if (t.codePage == codePage) return &t;
    return nullptr;
}

void FoldKeyInto(std::string_view s, const CodePageTable& cp, std::string& out) {
    out.assign(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (cp.lead[c] && i + 1 < out.size()) {
            ++i;
            continue;
        }
        out[i] = static_cast<char>(cp.fold[c]);
    }
}

std::string FoldKey(std::string_view s, const CodePageTable& cp) {
    std::string out;
    FoldKeyInto(s, cp, out);
    return out;
}

// FoldKey(a) == FoldKey(b), byte by byte without making the keys.
bool EqualNoCase(std::string_view a, std::string_view b, const CodePageTable& cp) {
    if (a.size() != b.size()) return false;
    if (cp.singleByte) {
        for (std::size_t i = 0; i < a.size(); ++i)
            if (cp.fold[static_cast<unsigned char>(a[i])] != cp.fold[static_cast<unsigned char>(b[i])]) return false;
        return true;
    }
    bool trailA = false, trailB = false;  // the byte is the second of a double-byte character
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        const unsigned char fa = trailA ? ca : cp.fold[ca], fb = trailB ? cb : cp.fold[cb];
        if (fa != fb) return false;
        trailA = !trailA && cp.lead[ca] && i + 1 < a.size();
        trailB = !trailB && cp.lead[cb] && i + 1 < b.size();
    }
    return true;
}

// Eight bytes at a time: most strings are ASCII.
bool IsAscii(std::string_view s) {
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, sizeof word);
        if (word & 0x8080808080808080ull) return false;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
    return true;
}

std::string ConvertUtf8ToAnsi(std::string_view utf8, unsigned codePage) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Convert(utf8, IconvName(codePage), "UTF-8", [](const unsigned char* p, std::size_t left) {
        std::size_t n = Utf8SequenceLength(p, left);
        return n == 0 ? std::size_t{1} : n;
    });
}

bool ConvertUtf8ToAnsiExact(std::string_view utf8, unsigned codePage, std::string& ansi,
                            std::size_t& badOffset) {
    badOffset = std::string_view::npos;
    if (IsAscii(utf8)) {
        ansi.assign(utf8);
        return true;
    }
    ansi = Convert(utf8, IconvName(codePage), "UTF-8", [](const unsigned char*, std::size_t) { return std::size_t{1}; },
                   &badOffset);
    return badOffset == std::string_view::npos;
}

std::string ConvertAnsiToUtf8(std::string_view ansi, unsigned codePage) {
    if (IsAscii(ansi)) return std::string(ansi);
    const CodePageTable* cp = FindCodePage(codePage);
    return Convert(ansi, "UTF-8", IconvName(codePage), [cp](const unsigned char* p, std::size_t left) {
        // A lead byte with a trail byte that makes no character: both go.
        return cp && cp->lead[p[0]] && left > 1 ? std::size_t{2} : std::size_t{1};
    });
}

}  // namespace qvsim::detail

// ---- w32 multibyte helpers ---------------------------------------------------
// Each reads the code page table once and walks the bytes without locking or
// allocating.

namespace w32 {

using qvsim::detail::ActiveCodePage;
using qvsim::detail::CodePageTable;

namespace {

// Length in bytes of the character at p (1 or 2); 0 at the terminator.
inline std::size_t CharLength(const CodePageTable& cp, const unsigned char* p) {
    if (*p == 0) return 0;
    return cp.lead[*p] && p[1] != 0 ? 2 : 1;
}

// The character at p, limited to at most `limit` bytes, as a comparable
// value (single-byte characters folded when fold is set).
inline unsigned CharValue(const CodePageTable& cp, const unsigned char* p, std::size_t len, bool fold) {
    if (len == 2) return (static_cast<unsigned>(p[0]) << 8) | p[1];
    return fold ? cp.fold[*p] : *p;
}

inline bool Matches(const unsigned char* p, std::size_t len, unsigned c) {
    if (c > 0xFF) return len == 2 && ((static_cast<unsigned>(p[0]) << 8) | p[1]) == c;
    return len == 1 && *p == c;
}

}  // namespace

bool IsLeadByte(unsigned char c) { return ActiveCodePage().lead[c]; }

const char* MbsInc(const char* p) {
    if (p == nullptr) return nullptr;
    const CodePageTable& cp = ActiveCodePage();
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    if (*u == 0) return p;
    return p + (cp.lead[*u] && u[1] != 0 ? 2 : 1);
}

const char* MbsChr(const char* s, unsigned int c) {
    if (s == nullptr) return nullptr;
    const CodePageTable& cp = ActiveCodePage();
    if (cp.singleByte) return c > 0xFF ? nullptr : std::strchr(s, static_cast<int>(c));
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    for (std::size_t len; (len = CharLength(cp, p)) != 0; p += len)
        if (Matches(p, len, c)) return reinterpret_cast<const char*>(p);
    return c == 0 ? reinterpret_cast<const char*>(p) : nullptr;
}

const char* MbsRChr(const char* s, unsigned int c) {
    if (s == nullptr) return nullptr;
    const CodePageTable& cp = ActiveCodePage();
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    const unsigned char* last = nullptr;
    for (std::size_t len; (len = CharLength(cp, p)) != 0; p += len)
        if (Matches(p, len, c)) last = p;
    if (c == 0) last = p;
    return reinterpret_cast<const char*>(last);
}

const char* MbsStr(const char* haystack, const char* needle) {
    if (haystack == nullptr || needle == nullptr) return nullptr;
    if (*needle == 0) return haystack;
    const CodePageTable& cp = ActiveCodePage();
    std::size_t n = std::strlen(needle);
    const auto* p = reinterpret_cast<const unsigned char*>(haystack);
    for (std::size_t len; (len = CharLength(cp, p)) != 0; p += len)
        if (std::strncmp(reinterpret_cast<const char*>(p), needle, n) == 0)
            return reinterpret_cast<const char*>(p);
    return nullptr;
}

namespace {

int CompareNoCase(const char* a, const char* b, std::size_t n) {
    const CodePageTable& cp = ActiveCodePage();
    const auto* pa = reinterpret_cast<const unsigned char*>(a);
    const auto* pb = reinterpret_cast<const unsigned char*>(b);
    if (cp.singleByte) {
        for (; n > 0; --n, ++pa, ++pb) {
            const unsigned ca = cp.fold[*pa], cb = cp.fold[*pb];
            if (ca != cb) return ca < cb ? -1 : 1;
            if (ca == 0) return 0;
        }
        return 0;
    }
    while (n > 0) {
        std::size_t la = CharLength(cp, pa), lb = CharLength(cp, pb);
        // A double-byte character cut by the byte limit counts by its lead byte.
        if (la > n) la = 1;
        if (lb > n) lb = 1;
        unsigned ca = la == 0 ? 0 : CharValue(cp, pa, la, true);
        unsigned cb = lb == 0 ? 0 : CharValue(cp, pb, lb, true);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
        pa += la;
        pb += lb;
        n -= la;
    }
    return 0;
}

}  // namespace

int MbsICmp(const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    return CompareNoCase(a, b, static_cast<std::size_t>(-1));
}

int MbsNBICmp(const char* a, const char* b, std::size_t n) {
    if (n == 0) return 0;
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    return CompareNoCase(a, b, n);
}

}  // namespace w32
