// The few POSIX functions the command-line tool uses, for its Windows test
// build (included ahead of every unit of the tool).
#pragma once

#if defined(_WIN32)
#include <cstdio>
#include <cstdlib>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name) != nullptr) return 0;
    return ::_putenv_s(name, value) == 0 ? 0 : -1;
}

// Paths are wide on Windows.
inline int setenv(const char* name, const wchar_t* value, int overwrite) {
    if (!overwrite && std::getenv(name) != nullptr) return 0;
    wchar_t wideName[256];
    if (std::mbstowcs(wideName, name, 255) == static_cast<std::size_t>(-1)) return -1;
    wideName[255] = L'\0';
    return ::_wputenv_s(wideName, value) == 0 ? 0 : -1;
}

#ifndef getc_unlocked
#define getc_unlocked(stream) _getc_nolock(stream)
#endif
#endif
