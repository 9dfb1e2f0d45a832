// What the library's source units share beyond the public header.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "NetResConvert.h"

// The library-internal list that GetMapEntry reads and ClearLists empties.
// Nothing in the library adds to it.
extern std::vector<std::string> MapList;

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
