// The cost of the trace calling convention while tracing is off: a small
// operation with an enter record and three PARAM lines, against the same
// operation without any trace call.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "Zx_trace.h"

namespace {

QV_TRACE_UNIT(1);

// The work both variants do: a bounded copy and a separator count.
DWORD Work(const char* pszName, char* pszOut, DWORD dwSize) {
    DWORD n = 0;
    for (const char* p = pszName; *p != '\0' && n + 1 < dwSize; ++p) pszOut[n++] = *p;
    pszOut[n] = '\0';
    DWORD dwSeparators = 0;
    for (DWORD i = 0; i < n; ++i) dwSeparators += pszOut[i] == '\\';
    return dwSeparators;
}

DWORD Traced(const char* pszName, char* pszOut, DWORD dwSize) {
    QV_TRACE_ENTER("ConvRes2DNC");
    QV_PARAM("Res=" << qvlib::TraceStr(pszName) << ", BufSize=" << dwSize);
    DWORD dwRet = Work(pszName, pszOut, dwSize);
    QV_PARAM("DNC=" << qvlib::TraceStr(pszOut));
    QV_PARAM("Separators=" << dwRet);
    return dwRet;
}

DWORD Plain(const char* pszName, char* pszOut, DWORD dwSize) {
    return Work(pszName, pszOut, dwSize);
}

template <DWORD (*Operation)(const char*, char*, DWORD)>
void BM_Operation(benchmark::State& state) {
    qvlib::g_TraceSettings.wTracing = 0;
    const char* pszName = "\\\\SRV1\\VOL1\\Daten\\Projekte";
    char szOut[260];
    for (auto _ : state) {
        benchmark::DoNotOptimize(pszName);
        benchmark::DoNotOptimize(Operation(pszName, szOut, sizeof szOut));
        benchmark::ClobberMemory();
    }
}

BENCHMARK_TEMPLATE(BM_Operation, Plain)->Name("TraceOff/WithoutTraceCalls");
BENCHMARK_TEMPLATE(BM_Operation, Traced)->Name("TraceOff/WithTraceCalls");

}  // namespace
