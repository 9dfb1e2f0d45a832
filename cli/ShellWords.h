// Reading lines from standard input and taking shell lines apart into words.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace qvcli {

// The words of one shell line. Words are separated by blanks and tabs; a pair
// of double quotes groups what lies between them into a word (and may stand
// inside a word: ab"c d" is the word "abc d"); backslashes are plain
// characters, so UNC paths need no escaping. A line whose first non-blank
// character is '#', and a blank line, hold no words.
struct ShellLine {
    bool ok = true;
    std::vector<std::string> words;
    std::string error;  // why the line is not valid (ok == false)
};

ShellLine SplitShellLine(std::string_view line);

// Reads lines of at most maxBytes bytes each, so that memory stays bounded
// whatever the input: the rest of a longer line is skipped and the line is
// marked as cut. A line end is "\n" or "\r\n"; a CR anywhere else, also at
// the very end of the input, belongs to the line. A last line without a line
// end counts as a line. Bytes are taken as they come (NUL included). The input is
// read in large blocks, but never waits for more than is needed for the next
// line (a terminal or a co-process gets its answers line by line).
class LineReader {
public:
    LineReader(std::FILE* in, std::size_t maxBytes);

    // False at the end of the input, or when it cannot be read (Error()).
    // Otherwise line holds the next line, followed in memory by a NUL byte and
    // valid until the next call, and cut tells whether bytes beyond maxBytes
    // were dropped.
    bool Next(std::string_view& line, bool& cut);
    // The errno of a failed read; 0 when the input just ended.
    int Error() const { return error_; }

private:
    bool Fill();
    std::string_view Take(std::size_t begin, std::size_t end, std::size_t next, bool& cut);

    std::FILE* in_;
    std::size_t maxBytes_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;  // the next line begins here
    std::size_t end_ = 0;  // bytes read so far end here
    bool ended_ = false;
    int error_ = 0;
    std::string cutLine_;
};

}  // namespace qvcli
