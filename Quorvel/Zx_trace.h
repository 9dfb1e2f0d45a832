// The trace facility: configuration from Zx_TraQV.ini, the record operations,
// and the calling convention every traced operation of the library follows.
#pragma once

#include <cstddef>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include <quorvel/Win32Api.h>

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

// Forgets the thread and depth tables (slots and nesting), as they are at
// module load; a following TraceOpen starts a trace as a fresh process would.
// For the tests, which open and close many traces in one process.
void TraceResetState();

// A text argument as a trace line prints it: "NULL" for a null pointer,
// "LEER" for an empty string.
inline const char* TraceStr(const char* psz) {
    return psz == nullptr ? "NULL" : (*psz == '\0' ? "LEER" : psz);
}
inline const char* TraceStr(const std::string& s) { return s.empty() ? "LEER" : s.c_str(); }

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
// takes a few nanoseconds) puts its body in a generic lambda handed to
// TraceDispatch:
//     return TraceDispatch(QV_TRACED_BODY { ...body... });
// The body is compiled twice: once with its trace calls, taken while tracing
// is on, and once without any, so that with tracing off the operation pays
// one test. The lambda's parameter hides the namespace-wide qvTraced_ below,
// which keeps every other operation's trace calls in place.
inline constexpr std::true_type qvTraced_{};

// Code kept out of line and out of the hot code, and the untraced copy of a
// body, kept in its operation.
#if defined(__GNUC__)
#define QV_TRACE_COLD __attribute__((noinline, cold))
#define QV_TRACE_INLINE __attribute__((always_inline))
#else
#define QV_TRACE_COLD
#define QV_TRACE_INLINE
#endif

// The head of the body handed to TraceDispatch.
#define QV_TRACED_BODY [&]([[maybe_unused]] auto qvTraced_) QV_TRACE_INLINE -> DWORD

#if defined(QUORVEL_TRACE_COMPILED_OUT)
template <class Body>
QV_TRACE_INLINE inline DWORD TraceDispatch(Body&& body) {
    return body(std::false_type{});
}
#else
// The traced copy stays out of line, so that the untraced one keeps a frame
// of its own size.
template <class Body>
QV_TRACE_COLD DWORD TraceDispatchTraced(Body body) {
    return body(std::true_type{});
}

template <class Body>
QV_TRACE_INLINE inline DWORD TraceDispatch(Body&& body) {
    if (TraceIsOn()) [[unlikely]]
        return TraceDispatchTraced(body);
    return body(std::false_type{});
}
#endif

#define QV_TRACE_UNIT(secLow)                                                   \
    static const DWORD s_dwTraceUnitMask = (secLow);                            \
    static constexpr const char* s_pszTraceUnitFile = TraceUnitFileName(__FILE__)

#define QV_TRACE_CLASS "CNetResConvert"

#if defined(QUORVEL_TRACE_COMPILED_OUT)
// A build for measurements only: every trace call of the library is gone, so
// that the normal build can be compared with one that pays nothing for them.
// The expressions stay, unevaluated, so that what only a trace uses still
// counts as used.
#define QV_TRACE_ENTER(method) static_cast<void>(sizeof(method))
#define QV_PARAM(streamExpr) static_cast<void>(sizeof(std::declval<std::ostream&>() << streamExpr))
#define QV_ERROR(streamExpr) QV_PARAM(streamExpr)
#define QV_SYSERROR(streamExpr, dwError) static_cast<void>(sizeof(QV_PARAM(streamExpr), (dwError)))
#else

// The enter record, out of line: true when it armed a guard, which then
// belongs to the caller's own guard (a flag the caller keeps in a register).
QV_TRACE_COLD inline bool TraceEnterArmed(const char* pszMethod, DWORD dwSecLow, const char* pszFile,
                                          int iLine) {
    TraceLeaveGuard guard;
    TraceEnter(nullptr, QV_TRACE_CLASS, pszMethod, 1, dwSecLow, 0, pszFile, iLine, guard);
    const bool bArmed = guard.dwArmed != 0;
    guard.dwArmed = 0;
    return bArmed;
}

#define QV_TRACE_ENTER(method)                                                  \
    TraceLeaveGuard qvTraceGuard_(qvTraced_ && TraceIsOn() &&                   \
                                  TraceEnterArmed((method), s_dwTraceUnitMask,  \
                                                  s_pszTraceUnitFile, __LINE__))

// The text of a record is composed in a lambda kept out of line and out of
// the hot code, so that a traced operation with tracing off pays one test
// per record and keeps its registers and stack frame for its own work.
// A record that cannot be composed (no memory) is dropped: tracing never
// makes an operation fail or throw.
#define QV_TRACE_RECORD(prefix, streamExpr, write)                              \
    do {                                                                        \
        if constexpr (qvTraced_) {                                              \
            if (TraceIsOn()) [[unlikely]] {                                     \
                [&]() QV_TRACE_COLD {                                           \
                    try {                                                       \
                        std::ostringstream qvOs_;                               \
                        qvOs_ << prefix << streamExpr;                          \
                        write;                                                  \
                    } catch (...) {                                             \
                    }                                                           \
                }();                                                            \
            }                                                                   \
        }                                                                       \
    } while (0)

#define QV_PARAM(streamExpr)                                                    \
    QV_TRACE_RECORD("PARAM:", streamExpr,                                       \
                    TraceParam(qvOs_.str().c_str(), QV_TRACE_CLASS, 1, s_dwTraceUnitMask, 0))

#define QV_ERROR(streamExpr)                                                    \
    QV_TRACE_RECORD("ERROR:", streamExpr,                                       \
                    TraceText(qvOs_.str().c_str(), QV_TRACE_CLASS, 1, s_dwTraceUnitMask, 0, \
                              s_pszTraceUnitFile, __LINE__))

#define QV_SYSERROR(streamExpr, dwError)                                        \
    QV_TRACE_RECORD("ERROR:", streamExpr,                                       \
                    TraceSysError(qvOs_.str().c_str(), (dwError), QV_TRACE_CLASS, 1, \
                                  s_dwTraceUnitMask, 0, s_pszTraceUnitFile, __LINE__))
#endif
