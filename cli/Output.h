// What the tool prints: status names, the JSON object and the plain text of
// each command's result, and the exit status that the results add up to.
// All strings here are UTF-8 already; the conversion from the workstation's
// code page happens where the library's results are read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace qvcli {

using Json = nlohmann::ordered_json;

// "OK", the library's and Windows' names, or the number in decimal.
std::string StatusName(std::uint32_t status);
// "RES_TYPE_UNKNOWN", "RES_TYPE_MAP", "RES_TYPE_UNC", or the number.
std::string ResTypeName(std::uint32_t type);

// A NETRESOURCEA as the tool shows it; absent strings stay absent.
struct Record {
    std::uint32_t scope = 0;
    std::uint32_t type = 0;
    std::uint32_t displayType = 0;
    std::uint32_t usage = 0;
    std::optional<std::string> local;
    std::optional<std::string> remote;
    std::optional<std::string> comment;
    std::optional<std::string> provider;
};

struct Mount {
    std::uint32_t netType = 0;
    std::string local;
    std::string remote;
    std::string dnc;
};

// The result of one command. Its JSON object is command, status, status_name
// and then fields; its plain text is lines, printed only for status 0. A
// non-zero status is reported on standard error as
// "quorvel: COMMAND INPUT: NAME (CODE)", or, with inlineError, in lines.
struct Outcome {
    std::string command;
    std::string input;  // what the error line names; may be empty
    std::uint32_t status = 0;
    Json fields = Json::object();
    std::vector<std::string> lines;
    bool inlineError = false;
};

Json ToJson(const Outcome& outcome);
std::string ErrorLine(const Outcome& outcome);

// The results of the commands. Result fields are null when the status is not 0.
Outcome ToDncResult(const std::string& input, std::uint32_t status, const std::string& dnc,
                    std::uint32_t required, bool streamed);
Outcome TypeResult(const std::string& input, std::uint32_t status, std::uint32_t type);
// One string result under the name field (to-unc: unc, server-of: server).
Outcome TextResult(const std::string& command, const std::string& input, std::uint32_t status,
                   const char* field, const std::string& value);
Outcome MapEntryResult(const std::string& input, std::uint32_t index, std::uint32_t status,
                       const std::string& map);
Outcome FromDncResult(const std::string& input, std::uint32_t status, const std::string& unc,
                      const std::vector<std::string>& maps);
// A list that answers an input (to-map: input and maps, volumes: server and volumes).
Outcome InputListResult(const std::string& command, const char* inputField, const std::string& input,
                        std::uint32_t status, const char* listField,
                        const std::vector<std::string>& items);
Outcome SplitVolumeResult(const std::string& input, std::uint32_t status, const std::string& server,
                          const std::string& volume);
// A list that comes without a status (servers, volume-list).
Outcome ListResult(const std::string& command, const char* field,
                   const std::vector<std::string>& items);
Outcome CountResult(std::uint32_t count);
// first-server (no index), next-server, server-info.
Outcome RecordResult(const std::string& command, std::optional<std::uint32_t> index,
                     std::uint32_t status, const Record& record);
Outcome MountsResult(const std::vector<Mount>& mounts);
// A command whose only result is its status (build, clear, convert-mode MODE).
Outcome StatusResult(const std::string& command, std::uint32_t status);
Outcome ConvertModeResult(std::uint32_t mode);

// Prints results as JSON Lines or as plain text, and keeps the exit status:
// 0 while every status was 0, 1 once one was not, 2 once a usage error or an
// unusable workstation file was met.
class Reporter {
public:
    Reporter(bool json, std::FILE* out, std::FILE* err);

    bool IsJson() const { return json_; }
    // In the shell a usage error in JSON mode is an object on standard output.
    void SetShell(bool shell) { shell_ = shell; }

    void Report(const Outcome& outcome);
    // command may be empty (a line that is not even a command).
    void Usage(const std::string& command, const std::string& message);
    // Text printed as it is (help, a workstation description).
    void Text(std::string_view text);
    void Flush();

    int ExitStatus() const { return exit_; }

private:
    void Line(std::FILE* to, std::string_view text);

    bool json_;
    bool shell_ = false;
    std::FILE* out_;
    std::FILE* err_;
    int exit_ = 0;
};

}  // namespace qvcli
