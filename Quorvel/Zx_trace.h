// The trace facility: configuration from Zx_TraQV.ini, the record operations,
// and the calling convention every traced operation of the library follows.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include <quorvel/Win32Api.h>

namespace qvlib {

// ---- settings (read once, at module load) ------------------------------------
// Record-kind switches in the top byte of the primary level.
#define TRACE_VERIFY 0x01000000UL
#define TRACE_COMMENTS 0x10000000UL
#define TRACE_ERRORS 0x20000000UL
#define TRACE_PARAMS 0x40000000UL
#define TRACE_ENTER_LEAVE 0x80000000UL

// Option bits.
#define TRACE_OPT_TIME 0x01
#define TRACE_OPT_THREADID 0x02
#define TRACE_OPT_FILEANDLINE 0x04
#define TRACE_OPT_INSTANCE 0x08
#define TRACE_OPT_WORKSTATION 0x10

struct TraceSettings {
    WORD wTracing;        // tracing switch
    WORD wTimers;         // timers switch
    WORD wFlush;          // flush switch
    WORD wOptions;        // option bits
    DWORD dwPrimLevel;    // primary level (category bits and record-kind switches)
    DWORD dwSecLevelLow;  // secondary level, low word
    DWORD dwSecLevelHigh; // secondary level, high word
    char szPath[256];     // output path
};

// The one process-wide settings record.
extern TraceSettings g_TraceSettings;

// The rest of the trace's process-wide state (white-box tests read it).
inline constexpr int kTraceThreadSlots = 9;  // slots 0..8, one per known thread
inline constexpr int kTraceOverflowSlot = 9; // shared by every thread beyond the ninth
struct TraceState {
    std::FILE* pStream;                           // the trace file, null when none is open
    DWORD dwLoadingThread;                        // the thread that loaded the module
    DWORD adwThreads[kTraceThreadSlots];          // known threads by slot
    short nThreads;                               // slots in use, 0..9
    short anDepth[kTraceThreadSlots + 1];         // nesting per slot, slot 9 shared
    char szWorkstation[16];                       // computer name, fetched by TraceOpen
};
extern TraceState g_TraceState;

// True while tracing is switched on; every traced operation tests it before
// it composes any text.
inline bool TraceIsOn() { return g_TraceSettings.wTracing != 0; }

// ---- records ---------------------------------------------------------------
void TraceLeave();

// Held by a traced call; writes the leave record on every way out once
// TraceEnter has armed it. Inline, so that an unarmed guard (tracing off)
// costs one test.
struct TraceLeaveGuard {
    DWORD dwArmed = 0;
    TraceLeaveGuard() = default;
    explicit TraceLeaveGuard(bool bArmed) : dwArmed(bArmed ? 1 : 0) {}
    TraceLeaveGuard(const TraceLeaveGuard&) = delete;
    TraceLeaveGuard& operator=(const TraceLeaveGuard&) = delete;
    ~TraceLeaveGuard() {
        if (dwArmed != 0) TraceLeave();
    }
};

// Records the calling thread as the one that loaded the module (its records
// carry no thread tag); part of the module's load work.
void TraceRecordLoadingThread();

WORD TraceReadConfig(const char* pszIniFile);
WORD TraceOpen(const char* pszIniFile);
WORD TraceClose();
int TraceEnter(const void* pInstance, const char* pszClass, const char* pszMethod, DWORD dwPrim,
               DWORD dwSecLow, DWORD dwSecHigh, const char* pszFile, int iLine,
               TraceLeaveGuard& guard);
void TraceParam(const char* pszText, const char* pszClass, DWORD dwPrim, DWORD dwSecLow,
                DWORD dwSecHigh);
void TraceText(const char* pszText, const char* pszClass, DWORD dwPrim, DWORD dwSecLow,
               DWORD dwSecHigh, const char* pszFile, int iLine);
void TraceSysError(const char* pszText, DWORD dwError, const char* pszClass, DWORD dwPrim,
                   DWORD dwSecLow, DWORD dwSecHigh, const char* pszFile, int iLine);
void TraceExpr(const char* pszExpr, WORD wValue, const char* pszClass, DWORD dwPrim,
               DWORD dwSecLow, DWORD dwSecHigh, const char* pszFile, int iLine);
// Writes the header; called by TraceOpen with the trace's lock held and the
// file open.
void TraceWriteHeader();
void TraceGetModuleVersion(const char* pszModule, char* pszFileVersion, std::size_t nFileSize,
                           char* pszProductVersion, std::size_t nProductSize);

// The unit file name of a compile-time source path: the text after its last
// slash or backslash (so a record never shows a build machine's folders).
constexpr const char* TraceUnitFileName(const char* pszSourcePath) {
    const char* name = pszSourcePath;
    for (const char* p = pszSourcePath; *p != '\0'; ++p)
        if (*p == '/' || *p == '\\') name = p + 1;
    return name;
}

// A text argument as a trace line prints it: "NULL" for a null pointer,
// "LEER" for an empty string.
inline const char* TraceStr(const char* psz) {
    return psz == nullptr ? "NULL" : (*psz == '\0' ? "LEER" : psz);
}
inline const char* TraceStr(const std::string& s) { return s.empty() ? "LEER" : s.c_str(); }
// A caller's buffer the same way, read no further than its size.
inline std::string TraceStr(const char* psz, std::size_t size) {
    if (psz == nullptr) return "NULL";
    const std::size_t n = ::strnlen(psz, size);
    return n == 0 ? std::string("LEER") : std::string(psz, n);
}

}  // namespace qvlib

// ---- the calling convention of the library ----------------------------------
// Each source unit names itself once, at file scope:
//     QV_TRACE_UNIT(1);     // Convmain 1, convinit 2, CONVUTIL 4, Convnet 8
// and each traced operation writes
//     QV_TRACE_ENTER("BuildLists");
//     QV_PARAM("Res=" << TraceStr(ResName) << ", BufSize=" << BufSize);
//     QV_ERROR("ResName <= 2");
//     QV_SYSERROR("WNetOpenEnum", dwRet);   // ERROR line with a Windows error number
// The stream expressions are evaluated only while tracing is on; numbers are
// printed in decimal (pass characters as strings, not as char values).
//
// An operation short enough for its trace tests to show (a drive conversion
// takes a few nanoseconds) is compiled twice: its body is a lambda template
// of one bool, Traced, whose trace calls are each guarded by
// `if constexpr (Traced)`, and TraceDispatch runs the traced copy while
// tracing is on and the untraced one, which pays nothing but that test,
// otherwise. The lambda captures nothing: TraceDispatch hands it the
// operation's parameters (a reference parameter as a pointer), so that they
// stay in registers on the way to the untraced copy:
//     return TraceDispatch([]<bool Traced>(const char* ResName, DWORD* pType) -> DWORD {
//         QV_TRACE_ENTER_IF(Traced, "GetResNameType");
//         if constexpr (Traced) QV_PARAM(...);
//         ...
//     }, ResName, &dwType);

// Code kept out of line and out of the hot code.
#if defined(__GNUC__)
#define QV_TRACE_COLD __attribute__((noinline, cold))
#define QV_TRACE_INLINE __attribute__((always_inline))
#else
#define QV_TRACE_COLD
#define QV_TRACE_INLINE
#endif

namespace qvlib {

#if defined(QUORVEL_TRACE_COMPILED_OUT)
template <class Body, class... Args>
QV_TRACE_INLINE inline DWORD TraceDispatch(Body body, Args... args) {
    return body.template operator()<false>(args...);
}
#else
// The traced copy stays out of line, so that the untraced one keeps a frame
// of its own size.
template <class Body, class... Args>
QV_TRACE_COLD DWORD TraceDispatchTraced(Body body, Args... args) {
    return body.template operator()<true>(args...);
}

template <class Body, class... Args>
QV_TRACE_INLINE inline DWORD TraceDispatch(Body body, Args... args) {
    if (TraceIsOn()) [[unlikely]]
        return TraceDispatchTraced(body, args...);
    return body.template operator()<false>(args...);
}

// The enter record, out of line: true when it armed a guard, which then
// belongs to the caller's own guard (a flag the caller keeps in a register).
QV_TRACE_COLD inline bool TraceEnterArmed(const char* pszMethod, DWORD dwSecLow, const char* pszFile,
                                          int iLine) {
    TraceLeaveGuard guard;
    TraceEnter(nullptr, "CNetResConvert", pszMethod, 1, dwSecLow, 0, pszFile, iLine, guard);
    const bool bArmed = guard.dwArmed != 0;
    guard.dwArmed = 0;
    return bArmed;
}
#endif

}  // namespace qvlib

#define QV_TRACE_UNIT(secLow)                                                   \
    static const DWORD s_dwTraceUnitMask = (secLow);                            \
    static constexpr const char* s_pszTraceUnitFile = ::qvlib::TraceUnitFileName(__FILE__)

#define QV_TRACE_CLASS "CNetResConvert"

#if defined(QUORVEL_TRACE_COMPILED_OUT)
// A build for measurements only: every trace call of the library is gone, so
// that the normal build can be compared with one that pays nothing for them.
// The expressions stay, unevaluated, so that what only a trace uses still
// counts as used.
#define QV_TRACE_ENTER_IF(traced, method) static_cast<void>(sizeof(traced) + sizeof(method))
#define QV_PARAM(streamExpr) static_cast<void>(sizeof(std::declval<std::ostream&>() << streamExpr))
#define QV_ERROR(streamExpr) QV_PARAM(streamExpr)
#define QV_SYSERROR(streamExpr, dwError) static_cast<void>(sizeof(QV_PARAM(streamExpr), (dwError)))
#else

#define QV_TRACE_ENTER_IF(traced, method)                                       \
    ::qvlib::TraceLeaveGuard qvTraceGuard_((traced) && ::qvlib::TraceIsOn() &&  \
                                           ::qvlib::TraceEnterArmed((method), s_dwTraceUnitMask, \
                                                                    s_pszTraceUnitFile, __LINE__))

// The text of a record is composed in a lambda kept out of line and out of
// the hot code, so that a traced operation with tracing off pays one test
// per record and keeps its registers and stack frame for its own work.
// A record that cannot be composed (no memory) is dropped: tracing never
// makes an operation fail or throw.
#define QV_TRACE_RECORD(prefix, streamExpr, write)                              \
    do {                                                                        \
        if (::qvlib::TraceIsOn()) [[unlikely]] {                                \
            [&]() QV_TRACE_COLD {                                               \
                try {                                                           \
                    std::ostringstream qvOs_;                                   \
                    qvOs_ << prefix << streamExpr;                              \
                    write;                                                      \
                } catch (...) {                                                 \
                }                                                               \
            }();                                                                \
        }                                                                       \
    } while (0)

#define QV_PARAM(streamExpr)                                                    \
    QV_TRACE_RECORD("PARAM:", streamExpr,                                       \
                    ::qvlib::TraceParam(qvOs_.str().c_str(), QV_TRACE_CLASS, 1, s_dwTraceUnitMask, 0))

#define QV_ERROR(streamExpr)                                                    \
    QV_TRACE_RECORD("ERROR:", streamExpr,                                       \
                    ::qvlib::TraceText(qvOs_.str().c_str(), QV_TRACE_CLASS, 1, s_dwTraceUnitMask, 0, \
                                       s_pszTraceUnitFile, __LINE__))

#define QV_SYSERROR(streamExpr, dwError)                                        \
    QV_TRACE_RECORD("ERROR:", streamExpr,                                       \
                    ::qvlib::TraceSysError(qvOs_.str().c_str(), (dwError), QV_TRACE_CLASS, 1, \
                                           s_dwTraceUnitMask, 0, s_pszTraceUnitFile, __LINE__))
#endif

// An operation traced in every build.
#define QV_TRACE_ENTER(method) QV_TRACE_ENTER_IF(true, method)
