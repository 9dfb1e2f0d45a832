#include "ShellWords.h"

namespace qvcli {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

ShellLine SplitShellLine(std::string_view line) {
    ShellLine result;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);

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

LineReader::LineReader(std::FILE* in, std::size_t maxBytes) : in_(in), maxBytes_(maxBytes) {}

bool LineReader::Next(std::string& line, bool& cut) {
    line.clear();
    cut = false;
    int c = getc_unlocked(in_);
    if (c == EOF) return false;
    // One byte more than the limit is kept, so that the '\r' of a "\r\n" line
    // end does not count against it.
    for (; c != EOF && c != '\n'; c = getc_unlocked(in_)) {
        if (line.size() <= maxBytes_)
            line += static_cast<char>(c);
        else
            cut = true;
    }
    if (!cut && !line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > maxBytes_) {
        line.resize(maxBytes_);
        cut = true;
    }
    return true;
}

}  // namespace qvcli
