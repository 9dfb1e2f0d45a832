// The workstation in force, its selection at first use, and the control API.
#include "SimInternal.h"

#include <quorvel/sim/Command.h>

#include <cstdlib>
#include <cstring>

namespace qvsim::detail {
namespace {

thread_local DWORD t_lastError = 0;

std::shared_ptr<const Workstation> LoadDefault() {
    // The CBOR copy spares start-up the lexing of the text. The text is read
    // where there is none, and should the copy ever fail, to say why.
    try {
        std::vector<std::string> warnings;
        if (auto ws = BuildFromCbor(DefaultWorkstationCbor(), warnings)) return ws;
    } catch (const std::exception&) {
    }
    std::string error;
    auto ws = LoadText(DefaultWorkstationJson(), "default workstation", "", nullptr, error);
    return ws ? ws : std::make_shared<const Workstation>();
}

// The workstation of the first use: QUORVEL_WORKSTATION or the default.
std::shared_ptr<const Workstation> LoadFirstUse() {
    const char* file = std::getenv("QUORVEL_WORKSTATION");
    if (file == nullptr || *file == 0) return LoadDefault();
    std::string error;
    auto ws = LoadFile(file, nullptr, error);
    return ws ? ws : std::make_shared<const Workstation>();
}

}  // namespace

// Constant-initialised: valid before any static constructor runs.
constinit std::atomic<const CodePageTable*> g_activeCodePage{nullptr};

State& GetState() {
    // Never destroyed: the library's unload work may still call in at exit.
    static State* state = new State();
    return *state;
}

// Called with the state's lock held.
static const std::shared_ptr<const Workstation>& InForce(State& s) {
    if (!s.ws) {
        s.ws = LoadFirstUse();
        g_activeCodePage.store(FindCodePage(s.ws->codePage), std::memory_order_release);
        UseLatencies(s.ws->latency);
    }
    return s.ws;
}

const CodePageTable& ChooseFirstCodePage() {
    Current();
    return *g_activeCodePage.load(std::memory_order_acquire);
}

std::shared_ptr<const Workstation> Current() {
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.mu);
    return InForce(s);
}

void PutInForce(std::shared_ptr<const Workstation> ws) {
    State& s = GetState();
    std::lock_guard<std::mutex> lock(s.mu);
    s.enums.clear();
    s.finds.clear();
    s.keys.clear();
    g_activeCodePage.store(FindCodePage(ws->codePage), std::memory_order_release);
    UseLatencies(ws->latency);
    s.ws = std::move(ws);
}

void SetLastErrorCode(DWORD code) { t_lastError = code; }
DWORD LastErrorCode() { return t_lastError; }

void CopyBounded(char* dst, std::size_t size, std::string_view src) {
    if (dst == nullptr || size == 0) return;
    std::size_t n = src.size() < size - 1 ? src.size() : size - 1;
    std::memcpy(dst, src.data(), n);
    dst[n] = 0;
}

bool ParseVersion(std::string_view text, DWORD& ms, DWORD& ls) {
    DWORD part[4] = {0, 0, 0, 0};
    int index = 0;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && text[i] == ' ') ++i;
    };
    for (;;) {
        skipBlanks();
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        DWORD v = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            v = v * 10 + static_cast<DWORD>(text[i++] - '0');
            if (v > 0xFFFF) return false;
        }
        part[index++] = v;
        skipBlanks();
        if (index == 4) break;
        if (i >= text.size() || text[i] != ',') return false;
        ++i;
    }
    if (i != text.size()) return false;
    ms = (part[0] << 16) | part[1];
    ls = (part[2] << 16) | part[3];
    return true;
}

}  // namespace qvsim::detail

namespace qvsim {

using namespace detail;

bool CheckFile(const std::string& path, std::string& normalised, std::string& error,
               std::vector<std::string>* warnings) {
    return LoadFile(path, &normalised, error, warnings) != nullptr;
}

bool CheckText(const std::string& json, const std::string& sourceName, const std::string& baseDir,
               std::string& normalised, std::string& error) {
    return LoadText(json, sourceName, baseDir, &normalised, error) != nullptr;
}

bool UseFile(const std::string& path, std::string& error, std::vector<std::string>* warnings) {
    auto ws = LoadFile(path, nullptr, error, warnings);
    if (!ws) return false;
    PutInForce(std::move(ws));
    return true;
}

bool UseText(const std::string& json, const std::string& sourceName, const std::string& baseDir,
             std::string& error) {
    auto ws = LoadText(json, sourceName, baseDir, nullptr, error);
    if (!ws) return false;
    PutInForce(std::move(ws));
    return true;
}

void UseDefault() { PutInForce(LoadDefault()); }

}  // namespace qvsim

namespace qvsim::command {

using namespace detail;

unsigned CodePage() { return ActiveCodePage().codePage; }

bool Utf8ToAnsiExact(std::string_view utf8, std::string& ansi, std::size_t& badOffset) {
    return ConvertUtf8ToAnsiExact(utf8, CodePage(), ansi, badOffset);
}

std::string AnsiToUtf8(std::string_view ansi) { return ConvertAnsiToUtf8(ansi, CodePage()); }

bool SameName(std::string_view a, std::string_view b) { return EqualNoCase(a, b, ActiveCodePage()); }

}  // namespace qvsim::command
