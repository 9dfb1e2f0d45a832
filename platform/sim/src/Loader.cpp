// Loading a workstation description: the text of a file or a string read
// once (Builder.cpp), the first fault named with the source, and the
// normalised description written from what was built when it is asked for.
#include "LoadRules.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <exception>

namespace qvsim::detail {

namespace fs = std::filesystem;
using namespace rules;

std::shared_ptr<const Workstation> LoadText(const std::string& json, const std::string& sourceName,
                                            const std::string& baseDir, std::string* normalised,
                                            std::string& error, std::vector<std::string>* warnings) {
    try {
        if (json.size() > kMaxFileSize) {
            error = sourceName + ": description larger than " + std::to_string(kMaxFileSize) + " bytes";
            return nullptr;
        }
        std::string fault;
        std::vector<std::string> found;
        std::shared_ptr<const Workstation> ws = BuildFromText(json, baseDir, fault, found);
        if (!ws) {
            error = sourceName + ": " + fault;
            return nullptr;
        }
        if (normalised) *normalised = NormalisedDescription(*ws);
        if (warnings)
            for (std::string& w : found) warnings->push_back(sourceName + ": " + w);
        error.clear();
        return ws;
    } catch (const std::exception& e) {
        error = sourceName + ": cannot be used: " + e.what();
    }
    return nullptr;
}

std::shared_ptr<const Workstation> LoadFile(const std::string& path, std::string* normalised, std::string& error,
                                            std::vector<std::string>* warnings) {
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    if (!in || fs::is_directory(path, ec)) {
        error = path + ": cannot be read: " + (in ? std::string("is a folder") : std::strerror(errno));
        return nullptr;
    }
    // Read once and never beyond the limit, whatever the file is (a pipe, a
    // device, standard input).
    std::string text;
    char block[1 << 16];
    while (in && text.size() <= kMaxFileSize) {
        in.read(block, sizeof block);
        text.append(block, static_cast<std::size_t>(in.gcount()));
    }
    if (text.size() > kMaxFileSize) {
        error = path + ": description larger than " + std::to_string(kMaxFileSize) + " bytes";
        return nullptr;
    }
    if (in.bad()) {
        error = path + ": cannot be read: " + std::strerror(errno);
        return nullptr;
    }
    std::string baseDir = fs::path(path).parent_path().string();
    return LoadText(text, path, baseDir.empty() ? "." : baseDir, normalised, error, warnings);
}

}  // namespace qvsim::detail
