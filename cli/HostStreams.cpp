// The command's streams on the operating system it runs on.
#include "Host.h"

#include <cerrno>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qvcli::host {

#if defined(_WIN32)
bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

long ReadSome(std::FILE* stream, char* buffer, std::size_t size) {
    const int fd = ::_fileno(stream);
    if (fd < 0) return static_cast<long>(std::fread(buffer, 1, size, stream));
    const unsigned n = size > 0x7FFFFFFF ? 0x7FFFFFFFu : static_cast<unsigned>(size);
    return ::_read(fd, buffer, n);
}

// The C runtime MinGW links (msvcrt) has no unlocked fwrite.
std::size_t WriteBlock(std::FILE* stream, const char* data, std::size_t size) {
    return std::fwrite(data, 1, size, stream);
}
#else
bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

long ReadSome(std::FILE* stream, char* buffer, std::size_t size) {
    const int fd = ::fileno(stream);
    if (fd < 0) {
        const std::size_t got = std::fread(buffer, 1, size, stream);
        if (got == 0 && std::ferror(stream)) {
            if (errno == 0) errno = EIO;
            return -1;
        }
        return static_cast<long>(got);
    }
    return static_cast<long>(::read(fd, buffer, size));
}

std::size_t WriteBlock(std::FILE* stream, const char* data, std::size_t size) {
    return ::fwrite_unlocked(data, 1, size, stream);
}
#endif

}  // namespace qvcli::host
