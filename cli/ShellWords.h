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
// marked as cut. A line end is "\n" or "\r\n"; a last line without a line end
// counts as a line. Bytes are taken as they come (NUL included).
class LineReader {
public:
    LineReader(std::FILE* in, std::size_t maxBytes);

    // False at the end of the input. Otherwise line holds the next line, and
    // cut tells whether bytes beyond maxBytes were dropped.
    bool Next(std::string& line, bool& cut);

private:
    std::FILE* in_;
    std::size_t maxBytes_;
};

}  // namespace qvcli
