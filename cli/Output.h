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

#include "Host.h"

namespace qvcli {

using Json = nlohmann::ordered_json;

// Statuses of names that never reached the library, as Windows names them.
inline constexpr std::uint32_t kStatusInvalidName = 123;        // ERROR_INVALID_NAME: a NUL byte
inline constexpr std::uint32_t kStatusNameTooLong = 206;        // ERROR_FILENAME_EXCED_RANGE
inline constexpr std::uint32_t kStatusNoTranslation = 1113;     // ERROR_NO_UNICODE_TRANSLATION
// The library's status of a buffer too small (ERROR_MORE_DATA).
inline constexpr std::uint32_t kStatusMoreData = 234;

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
// "quorvel: COMMAND INPUT: NAME (CODE)", followed by ": " and the hint when
// there is one.
struct Outcome {
    std::string command;
    std::string input;  // what the error line names; may be empty
    std::uint32_t status = 0;
    Json fields = Json::object();
    std::vector<std::string> lines;
    std::string hint;  // plain text only: what to do about the status
};

Json ToJson(const Outcome& outcome);
std::string ErrorLine(const Outcome& outcome);
// "NAME (CODE)", then ": " and the hint when there is one.
std::string StatusText(const Outcome& outcome);

// A name the library was not given: why, as a status and a message (which
// also becomes the JSON field "message" and the hint).
Outcome RefusedResult(const std::string& command, const std::string& input, std::uint32_t status,
                      const std::string& message);

// The results of the commands. Result fields are null when the status is not 0.
Outcome TypeResult(const std::string& input, std::uint32_t status, std::uint32_t type);
// One string result under the name field (to-unc: unc, server-of: server).
Outcome TextResult(const std::string& command, const std::string& input, std::uint32_t status,
                   const char* field, const std::string& value);
Outcome MapEntryResult(const std::string& input, std::uint32_t index, std::uint32_t status,
                       const std::string& map);
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
//
// Every write to the output is checked: once one fails (a full disk, a closed
// descriptor, a reader that went away) nothing more is written, Failed()
// tells the caller to stop, and Finish() reports it with exit status 1.
class Reporter {
public:
    Reporter(bool json, std::FILE* out, std::FILE* err);
    ~Reporter() { Drain(); }
    Reporter(const Reporter&) = delete;
    Reporter& operator=(const Reporter&) = delete;

    bool IsJson() const { return json_; }
    // In the shell a usage error goes to standard output alone (an object
    // under --json, else a line on standard error); outside it, under --json,
    // the object goes to standard output and the message to standard error.
    void SetShell(bool shell) { shell_ = shell; }

    void Report(const Outcome& outcome);
    // command may be empty (a line that is not even a command).
    void Usage(const std::string& command, const std::string& message);
    // "quorvel: warning: TEXT" on standard error; no effect on the exit status.
    void Warning(const std::string& text);
    // "quorvel: TEXT" on standard error for a failure that is no operation's
    // status (standard input cannot be read); exit status at least 1.
    void Failure(const std::string& text);
    // Text printed as it is (help, a workstation description).
    void Text(std::string_view text);
    void Flush();

    // A result of to-dnc, the one writer of its lines, for names given as
    // arguments and for names read from standard input (streamed). In plain
    // text: the DNC name, streamed "INPUT<TAB>DNC"; a failure on standard
    // error, streamed "INPUT<TAB>!NAME (CODE)" in the output, and an empty
    // streamed line for an empty one. In JSON one object: input and dnc,
    // required with status 234, message for a name that was not handed to
    // the library (its reason, also the hint of the text).
    void ToDnc(std::string_view input, std::uint32_t status, std::string_view dnc, std::uint32_t required,
               std::string_view message, bool streamed);
    // A result of from-dnc, the one writer of its lines, as ToDnc for to-dnc.
    // In plain text: "UNC: ..." and a "MAP: ..." line per path, streamed one
    // line "INPUT<TAB>UNC" with "<TAB>MAP" per path; a failure on standard
    // error, streamed "INPUT<TAB>!NAME (CODE)". In JSON one object: input,
    // unc and maps, or message for a name that was not handed to the library.
    void FromDnc(std::string_view input, std::uint32_t status, std::string_view unc,
                 const std::vector<std::string>& maps, std::string_view message, bool streamed);
    // What a run cost, on standard error: names converted, seconds, names
    // per second, and the platform calls by function (calls: none where
    // they are not counted). A JSON object under --json.
    void Stats(unsigned long long names, double seconds, const std::optional<std::vector<host::CallCount>>& calls);
    // A status line on standard error, redrawn in place; the last one ends it.
    void Progress(const std::string& text, bool last);

    bool Failed() const { return writeError_ != 0; }
    // Flushes everything and reports a failed write; returns the exit status.
    int Finish();
    int ExitStatus() const { return exit_; }

private:
    void Line(std::FILE* to, std::string_view text);
    void Write(std::FILE* to, std::string_view text);
    void Pending();
    void ToDncObject(std::string_view input, std::uint32_t status, std::string_view dnc, std::uint32_t required,
                     std::string_view message);
    // The start of the object of a name's result, up to its input.
    void NameObjectHead(const char* command, std::uint32_t status, std::string_view input);
    // A failed name in plain text: on standard error (false), or streamed,
    // its line "INPUT<TAB>!NAME (CODE)" with ": " and the hint when there is one.
    bool FailureLine(const char* command, std::string_view input, std::uint32_t status, const std::string& hint,
                     bool streamed);
    void Drain();
    void EndProgress();

    bool json_;
    bool shell_ = false;
    bool progressShown_ = false;
    std::FILE* out_;
    std::FILE* err_;
    int exit_ = 0;
    int writeError_ = 0;  // errno of the first failed write to out_
    bool lineByLine_;     // out_ is a terminal: each line is written at once
    std::string line_;    // reused for every streamed line
    std::string pending_; // output not yet handed to out_, written in large blocks
};

// Whether text is ASCII (and so the same in UTF-8 and in every code page).
bool IsAscii(std::string_view text);

// A JSON string as ordered_json::dump writes it (invalid UTF-8 replaced).
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace qvcli
