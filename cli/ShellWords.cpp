#include "ShellWords.h"

#include <cerrno>
#include <cstring>

#include "Host.h"

namespace qvcli {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

ShellLine SplitShellLine(std::string_view line) {
    ShellLine result;
    std::size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    if (first == line.size() || line[first] == '#') return result;

    std::string word;
    bool inWord = false;
    bool inQuote = false;
    for (std::size_t i = first; i < line.size(); ++i) {
        const char c = line[i];
        if (inQuote) {
            if (c == '"')
                inQuote = false;
            else
                word += c;
        } else if (IsBlank(c)) {
            if (inWord) result.words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else if (c == '"') {
            inQuote = true;
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inQuote) {
        result.ok = false;
        result.words.clear();
        result.error = "unterminated double quote";
        return result;
    }
    if (inWord) result.words.push_back(std::move(word));
    return result;
}

namespace {

constexpr std::size_t kReadBlock = 64 * 1024;

}  // namespace

// Room for a whole line of maxBytes + 1 bytes ("\r" included), its "\n", a
// block read behind it and a NUL byte behind everything.
LineReader::LineReader(std::FILE* in, std::size_t maxBytes)
    : in_(in), maxBytes_(maxBytes), buffer_(maxBytes + 2 + kReadBlock + 1) {}

bool LineReader::Fill() {
    char* at = buffer_.data() + end_;
    const std::size_t room = buffer_.size() - 1 - end_;
    for (;;) {
        errno = 0;
        const long got = host::ReadSome(in_, at, room);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
            return true;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error_ = errno ? errno : EIO;
        return false;
    }
}

// The line from begin to its line end at end; a CR right before the LF
// belongs to the line end.
std::string_view LineReader::Take(std::size_t begin, std::size_t end, std::size_t next, bool& cut) {
    char* data = buffer_.data();
    if (next > end && end > begin && data[end - 1] == '\r') --end;
    pos_ = next;
    if (end - begin > maxBytes_) {
        cut = true;
        end = begin + maxBytes_;
    }
    data[end] = '\0';
    return std::string_view(data + begin, end - begin);
}

bool LineReader::Next(std::string_view& line, bool& cut) {
    cut = false;
    std::size_t scanned = pos_;
    for (;;) {
        char* data = buffer_.data();
        if (const void* lf = std::memchr(data + scanned, '\n', end_ - scanned)) {
            const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
            line = Take(pos_, at, at + 1, cut);
            return true;
        }
        scanned = end_;
        if (end_ - pos_ > maxBytes_ + 1) {
            // Too long whatever follows: keep its start, drop the rest of it.
            cutLine_.assign(data + pos_, maxBytes_);
            pos_ = end_ = 0;
            while (Fill()) {
                if (const void* lf = std::memchr(data, '\n', end_)) {
                    pos_ = static_cast<std::size_t>(static_cast<const char*>(lf) - data) + 1;
                    break;
                }
                end_ = 0;
            }
            if (pos_ == 0) ended_ = true;
            cut = true;
            line = cutLine_;
            return true;
        }
        if (ended_) {
            if (pos_ == end_) return false;
            line = Take(pos_, end_, end_, cut);
            return true;
        }
        if (buffer_.size() - 1 - end_ < kReadBlock) {
            std::memmove(data, data + pos_, end_ - pos_);
            end_ -= pos_;
            scanned -= pos_;
            pos_ = 0;
        }
        if (!Fill()) ended_ = true;
    }
}

}  // namespace qvcli
