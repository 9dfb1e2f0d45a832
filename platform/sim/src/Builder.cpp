// Reading a workstation description: one pass over its text (or its CBOR)
// checks it and builds the workstation. The parser's events (nlohmann's SAX
// interface) drive a stack of frames, one per open object or array, each
// knowing what its members may be and where their values go. No tree of the
// text is made.
//
// A member given twice counts once, with its last value, in the place where
// it was first given; nothing of the earlier value stays, not even a fault.
// So a fault does not end the reading: the wrong value is passed over and the
// fault waits in the frame of its member, which forgets it if the member
// comes again. A frame that closes hands its first fault to the member that
// holds it, and what is left at the end is the first fault in the order of
// the text. Text that is not JSON, or nests too deep, ends the reading at
// once.
//
// Two rare descriptions are read a second time: one with a name twice in an
// object by name (the first reading keeps no index of names, and only finds
// the repeat as the object closes), and one that names its code page after
// strings that are not ASCII (they were converted by the code page in force
// until then).
#include "LoadRules.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <unordered_map>

namespace qvsim::detail {
namespace {

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;
using namespace rules;

// ---- values and messages -------------------------------------------------------------

struct Value {
    enum Type : std::uint8_t { Null, Bool, Unsigned, Signed, Float, String, Object, Array } type;
    bool b = false;
    std::uint64_t u = 0;
    std::int64_t i = 0;
    const std::string* s = nullptr;

    bool IsContainer() const { return type == Object || type == Array; }
    bool IsU32() const { return type == Unsigned && u <= 0xFFFFFFFFu; }
    bool IsNumber() const { return type == Unsigned || type == Signed || type == Float; }
};

const char* Describe(const Value& v) {
    switch (v.type) {
        case Value::Object: return "an object";
        case Value::Array: return "an array";
        case Value::String: return "a string";
        case Value::Bool: return "true or false";
        case Value::Null: return "null";
        default: return "a number";
    }
}

std::string Quote(const std::string& s) { return Json(s).dump(-1, ' ', false, Json::error_handler_t::replace); }

// A member of the object at path, as messages name it: os.major, drives["C:"].
std::string MemberPath(const std::string& path, std::string_view key) {
    bool identifier = !key.empty() && !(key[0] >= '0' && key[0] <= '9');
    for (char c : key)
        identifier = identifier && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
    if (identifier) return path.empty() ? std::string(key) : path + "." + std::string(key);
    return path + "[" + Quote(std::string(key)) + "]";
}

std::string Found(const char* expected, const Value& v) { return std::string(expected) + ", found " + Describe(v); }

std::string NotU32(const Value& v) {
    return std::string("expected an integer from 0 to 4294967295, found ") +
           (v.IsNumber() ? "a number out of that range" : Describe(v));
}

std::string TooLong(std::size_t max) { return "string longer than " + std::to_string(max) + " bytes"; }

std::string UnknownMember(std::span<const std::string_view> members) {
    std::string list;
    for (std::string_view m : members) (list += list.empty() ? "" : ", ") += m;
    return "unknown member (expected one of: " + list + ")";
}

// ---- frames ----------------------------------------------------------------------------

// Arrays first, then objects by name, then objects of fixed members.
enum class Kind : std::uint8_t {
    Nodes, Usage, Connections,
    Registry, RegKey, Profiles, Drives, Files, Entries, Modules, Messages,
    Document, Root, Os, Providers, ErrorCode, Node, Connection, RegValue, Entry, Module, Latency, Skip
};

bool IsArray(Kind k) { return k <= Kind::Connections; }
bool IsByName(Kind k) { return k >= Kind::Registry && k <= Kind::Messages; }

// A fault waiting for the end of its frame. slot is the member it belongs to
// (its position, or its entry's index); kFinal for one that no later member
// can take back.
struct Fault {
    std::uint64_t order;
    int slot;
    std::string path, message;
};
constexpr int kFinal = -1;

static_assert(std::size(kLatencyMembers) <= 32, "Frame::seen holds a bit per member");

struct Frame {
    Kind kind;
    int member = -1;          // members by position: the one whose value comes next; by name: its entry
    bool skipValue = false;   // the next value belongs to a name already found wrong
    std::uint32_t seen = 0;   // members by position: those given
    std::size_t count = 0;    // arrays: the elements so far; by name: the entries
    std::size_t wrongNames = 0;
    std::string key;          // a name the object cannot have, for the path of its fault
    std::vector<Fault> faults;
    std::unordered_map<std::string, int> names;  // by name, when names are indexed: each name's entry
    DWORD number = 0;         // Node: the display type; ErrorCode: the code
    DWORD type = 0, usage = 0;  // Node, RegValue: the type; Node: the usage
    bool typeGiven = false, usageGiven = false;
    std::size_t order = 0;  // its place in the pre-order of its top-level node
    std::string bytes;               // RegValue: the bytes
    std::optional<std::string> text;  // Entries: a string value of "dir"; Connection: the drive as written
    std::uint64_t textOrder = 0;      // Entries: where that value is, among the faults
    int textEntry = 0;                // Entries: and its entry
    // where values go
    Node* node = nullptr;
    std::vector<Node>* nodes = nullptr;
    Connection* connection = nullptr;
    AsWritten::RegistryKey* regKey = nullptr;
    FileEntry* entry = nullptr;
    ModuleVersion* module = nullptr;

    // Made ready for a value of kind k (a frame is used again once made:
    // its strings and tables keep their room). What only one kind uses is
    // set for that kind; where values go is set by the one that opens it.
    void Reset(Kind k) {
        kind = k;
        member = -1;
        skipValue = false;
        seen = 0;
        count = 0;
        wrongNames = 0;
        if (!faults.empty()) faults.clear();
        if (!names.empty()) names.clear();
        switch (k) {
            case Kind::Node:
                number = type = usage = 0;
                typeGiven = usageGiven = false;
                break;
            case Kind::RegValue:
                type = 0;
                typeGiven = false;
                bytes.clear();
                break;
            case Kind::Entries:
            case Kind::Connection: text.reset(); break;
            default: break;
        }
    }
};

std::string_view MemberName(Kind kind, int m) {
    switch (kind) {
        case Kind::Root: return kRootMembers[m];
        case Kind::Os: return kOsMembers[m];
        case Kind::Providers: return kProviderMembers[m];
        case Kind::ErrorCode: return kErrorMembers[m];
        case Kind::Node: return kNodeMembers[m];
        case Kind::Connection: return kConnectionMembers[m];
        case Kind::RegValue: return kRegValueMembers[m];
        case Kind::Entry: return kEntryMembers[m];
        case Kind::Module: return kModuleMembers[m];
        case Kind::Latency: return kLatencyMembers[static_cast<std::size_t>(m)];
        default: return {};
    }
}

// The warning path of a network node: network[i].children[j]...
struct NodePath {
    const NodePath* up;
    std::size_t index;

    std::string Text() const {
        return up ? up->Text() + ".children[" + std::to_string(index) + "]" : "network[" + std::to_string(index) + "]";
    }
};

// The value of a hexadecimal digit.
int HexDigit(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

class Reader {
public:
    // How a reading goes: the code page strings are converted by (fixed
    // when it is known to be the description's, else the one the
    // description names takes over from where it is named), and whether
    // the objects by name keep an index of their names, to find one given
    // twice as it comes.
    struct Mode {
        unsigned codePage = 1252;
        bool codePageFixed = false;
        bool indexNames = false;
    };

    Reader(const std::string& baseDir, Mode mode)
        : ws_(std::make_shared<Workstation>()),
          cp_(FindCodePage(mode.codePage)),
          codePage_(mode.codePage),
          codePageFixed_(mode.codePageFixed),
          indexNames_(mode.indexNames),
          baseDir_(baseDir) {
        frames_.reserve(kMaxNesting + 2);  // never moved: frames are referred to while others open
        Push(Kind::Document);
    }

    // After the reading: the workstation, or null with the fault. A reading
    // that neither stopped nor completed the root object has left its
    // first fault with the document.
    std::shared_ptr<Workstation> Take(std::string& fault, std::vector<std::string>& warnings) {
        if (!stop_.empty()) {
            fault = std::move(stop_);
            return nullptr;
        }
        if (!done_) {
            const Fault& first = *First(frames_.front());
            fault = (first.path.empty() ? "" : first.path + ": ") + first.message;
            return nullptr;
        }
        for (auto& w : nodeWarnings_) warnings.push_back(std::move(w));
        for (auto& w : connectionWarnings_) warnings.push_back(std::move(w));
        return std::move(ws_);
    }
    // Strings were converted by a code page other than the one named later.
    bool Stale() const { return stale_; }
    // Ended at an object by name that has a name twice, without an index.
    bool NamesRepeated() const { return namesRepeated_; }
    unsigned CodePage() const { return codePage_; }
    // Ended by nesting too deep (the caller knows the text and its lines).
    bool TooDeep() const { return tooDeep_; }

    // ---- the parser's events ----
    bool null() { return OnValue(Value{Value::Null}); }
    bool boolean(bool b) {
        Value v{Value::Bool};
        v.b = b;
        return OnValue(v);
    }
    bool number_integer(Json::number_integer_t i) {
        Value v{Value::Signed};
        v.i = i;
        return OnValue(v);
    }
    bool number_unsigned(Json::number_unsigned_t u) {
        Value v{Value::Unsigned};
        v.u = u;
        return OnValue(v);
    }
    bool number_float(Json::number_float_t, const std::string&) { return OnValue(Value{Value::Float}); }
    bool string(std::string& s) {
        Value v{Value::String};
        v.s = &s;
        return OnValue(v);
    }
    bool binary(Json::binary_t&) { return Stop("binary data"); }
    bool start_object(std::size_t) { return OnValue(Value{Value::Object}); }
    bool start_array(std::size_t) { return OnValue(Value{Value::Array}); }
    bool key(std::string& k) { return OnKey(k); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool parse_error(std::size_t, const std::string&, const Json::exception& e) {
        // "[json.exception.parse_error.101] parse error at ..." -> "parse error at ..."
        std::string what = e.what();
        std::size_t p = what.find("] ");
        return Stop("invalid JSON: " + (p == std::string::npos ? what : what.substr(p + 2)));
    }

private:
    bool Stop(std::string message) {
        stop_ = std::move(message);
        return false;
    }

    // ---- frames and faults ----
    Frame& Push(Kind kind) {
        if (depth_ == frames_.size()) frames_.emplace_back();
        Frame& f = frames_[depth_++];
        f.Reset(kind);
        return f;
    }
    void Pop() { --depth_; }
    Frame& Top() { return frames_[depth_ - 1]; }
    Frame& Parent() { return frames_[depth_ - 2]; }

    // The path of the value the top frame reads now.
    std::string Path() const { return PathThrough(depth_); }
    // The path of the object or array the top frame reads.
    std::string PathOfTop() const { return PathThrough(depth_ - 1); }
    std::string PathThrough(std::size_t depth) const {
        std::string path;
        for (std::size_t i = 1; i < depth; ++i) {
            const Frame& f = frames_[i];
            if (IsArray(f.kind))
                path.append("[").append(std::to_string(f.count - 1)).append("]");
            else if (f.member < 0)
                path = MemberPath(path, f.key);
            else if (IsByName(f.kind))
                path = MemberPath(path, NameOf(i));
            else
                path = MemberPath(path, MemberName(f.kind, f.member));
        }
        return path;
    }
    // The name of the pending entry of the object by name at depth, as written.
    std::string NameOf(std::size_t depth) const {
        const Frame& f = frames_[depth];
        const auto i = static_cast<std::size_t>(f.member);
        const AsWritten& w = ws_->asWritten;
        switch (f.kind) {
            case Kind::Registry: return w.registry[i].name;
            case Kind::RegKey: return f.regKey->values[i].name;
            case Kind::Profiles: return w.profiles[i].first;
            case Kind::Drives: return drives_[i].first;
            case Kind::Modules: return w.modules[i].first;
            case Kind::Messages: return w.messages[i].first;
            default: {  // Files, Entries: kept as written when not ASCII
                auto it = w.strings.find(place::Member(PlaceOf(depth), place::kName));
                if (it != w.strings.end()) return it->second;
                return f.kind == Kind::Files ? ws_->fileRoots[i].second.name : f.entry->children[i].name;
            }
        }
    }

    // A fault of the value the top frame reads now (of the member's name when
    // final); a wrong object or array is passed over.
    bool Wrong(const Value& v, std::string message, bool final = false) {
        Frame& f = Top();
        const int slot = final ? kFinal : SlotOf(f);
        if (Matters(f, slot)) Keep(f, Fault{order_++, slot, Path(), std::move(message)});
        if (v.IsContainer()) Push(Kind::Skip);
        return true;
    }
    // The member a fault of the frame belongs to: kFinal where a member
    // given again cannot take it back (the elements of an array; the names
    // of an object by name when they are not indexed, as a repeat starts
    // the reading again).
    int SlotOf(const Frame& f) const {
        return IsArray(f.kind) || (IsByName(f.kind) && !indexNames_) ? kFinal : f.member;
    }
    // Of the faults of one member only the first can be named: a frame keeps
    // one per member, whatever the text holds.
    static bool Matters(const Frame& f, int slot) {
        return std::none_of(f.faults.begin(), f.faults.end(), [slot](const Fault& x) { return x.slot == slot; });
    }
    static void Keep(Frame& f, Fault fault) {
        auto it = std::find_if(f.faults.begin(), f.faults.end(), [&](const Fault& x) { return x.slot == fault.slot; });
        if (it == f.faults.end())
            f.faults.push_back(std::move(fault));
        else if (fault.order < it->order)
            *it = std::move(fault);
    }
    static const Fault* First(const Frame& f) {
        const Fault* first = nullptr;
        for (const Fault& x : f.faults)
            if (!first || x.order < first->order) first = &x;
        return first;
    }
    // A member given again: what its earlier value left goes.
    static void Forget(Frame& f, int slot) {
        std::erase_if(f.faults, [slot](const Fault& x) { return x.slot == slot; });
    }

    // ---- strings in the workstation's code page ----
    // Converts a string. One that is not ASCII is kept as written at the
    // place of member (a letter of place::) of the record the top frame
    // reads, unless member is 0.
    std::string Ansi(const std::string& utf8, char member = 0) {
        if (IsAscii(utf8)) return utf8;
        converted_ = true;
        if (member != 0) ws_->asWritten.strings[MemberPlace(member)] = utf8;
        return ConvertUtf8ToAnsi(utf8, cp_->codePage);
    }
    std::string Fold(const std::string& utf8) { return FoldKey(Ansi(utf8), *cp_); }
    // A string of up to kMaxName bytes, or null.
    bool IsText(const Value& v) {
        if (v.type == Value::Null || (v.type == Value::String && v.s->size() <= kMaxName)) return true;
        Wrong(v, v.type == Value::String ? TooLong(kMaxName) : Found("expected a string or null", v));
        return false;
    }
    static Text AsText(const Value& v) { return v.type == Value::String ? Text(*v.s) : std::nullopt; }
    // The same into the workstation, kept as written at member (see Ansi).
    bool TextInto(const Value& v, Text& out, char member) {
        if (!IsText(v)) return false;
        if (v.type == Value::Null)
            out.reset();
        else
            out = Ansi(*v.s, member);
        return true;
    }
    // A string of up to max bytes.
    bool IsStringUpTo(const Value& v, std::size_t max) {
        if (v.type != Value::String) return Wrong(v, Found("expected a string", v)), false;
        if (v.s->size() > max) return Wrong(v, TooLong(max)), false;
        return true;
    }
    bool IsU32(const Value& v) { return v.IsU32() || (Wrong(v, NotU32(v)), false); }
    // An error code or null.
    bool CodeInto(const Value& v, std::optional<DWORD>& out) {
        if (v.type == Value::Null) {
            out.reset();
            return true;
        }
        if (IsU32(v)) out = static_cast<DWORD>(v.u);
        return true;
    }
    // A name of the table or a number; `what` names the kind in messages.
    template <std::size_t N>
    bool NamedInto(const Named (&table)[N], const Value& v, DWORD& out, const char* what) {
        if (v.type == Value::String) {
            if (!FindNamed(table, *v.s, out)) Wrong(v, std::string("unknown ") + what + " " + Quote(*v.s));
            return true;
        }
        if (v.IsNumber()) {
            if (IsU32(v)) out = static_cast<DWORD>(v.u);
            return true;
        }
        return Wrong(v, std::string("expected a ") + what + " name or a number, found " + Describe(v));
    }
    bool ExpectObject(const Value& v, Kind kind) {
        if (v.type != Value::Object) return Wrong(v, Found("expected an object", v)), false;
        Push(kind);
        return true;
    }
    std::string HostFolder(const std::string& p) const {
        if (p.empty()) return "";
        fs::path path(p);
        if (path.is_relative()) path = (baseDir_.empty() ? fs::current_path() : fs::absolute(baseDir_)) / path;
        return path.lexically_normal().string();
    }

    // ---- places of strings ----
    // The place of the record the frame at depth reads (a node, a connection,
    // a file entry), from the records on the way down.
    std::string PlaceOf(std::size_t depth) const {
        std::string p;
        for (std::size_t i = 1; i <= depth; ++i) {
            const Frame& f = frames_[i];
            switch (f.kind) {
                case Kind::Root:
                    if (i == depth) p = place::kRoot;
                    break;
                case Kind::Os: p = place::kOs; break;
                case Kind::Providers: p = place::kProviders; break;
                case Kind::Nodes:
                    if (p.empty()) p = place::kNetwork;
                    place::Down(p, f.count - 1);
                    break;
                case Kind::Connections:
                    p = place::kConnections;
                    place::Down(p, f.count - 1);
                    break;
                case Kind::Files:
                    p = place::kFiles;
                    place::Down(p, static_cast<std::size_t>(f.member));
                    break;
                case Kind::Entries: place::Down(p, static_cast<std::size_t>(f.member)); break;
                default: break;
            }
        }
        return p;
    }
    std::string MemberPlace(char member) const { return place::Member(PlaceOf(depth_ - 1), member); }
    // Forgets what was kept as written at places beginning with prefix.
    void ForgetPlaces(const std::string& prefix) {
        auto& strings = ws_->asWritten.strings;
        if (strings.empty()) return;
        auto it = strings.lower_bound(prefix);
        while (it != strings.end() && it->first.compare(0, prefix.size(), prefix) == 0) it = strings.erase(it);
    }

    // ---- names ----
    bool Fixed(Frame& f, std::span<const std::string_view> members, const std::string& k) {
        const int m = MemberIndex(members, k);
        if (m < 0) {
            f.member = -1;
            f.key = k;
            f.skipValue = true;
            return Wrong(Value{Value::Null}, UnknownMember(members), true);
        }
        f.member = m;
        if (f.seen >> m & 1u) {
            Forget(f, m);
            Again(f, m);
        }
        f.seen |= 1u << m;
        return true;
    }
    // A name of an object by name: its entry (new, or the one of the name
    // given before), or a fault when the name is not one the object can have.
    bool Named(Frame& f, const std::string& k, bool valid, const char* message) {
        if (!valid) {
            ++f.wrongNames;
            f.key = k;
            f.member = -1;
            f.skipValue = true;
            return Wrong(Value{Value::Null}, message, true);
        }
        const int entry = static_cast<int>(f.count);
        if (indexNames_) {
            auto [it, fresh] = f.names.try_emplace(k, entry);
            if (!fresh) {
                f.member = it->second;
                Forget(f, f.member);
                EntryAgain(f);
                return true;
            }
        }
        f.member = entry;
        ++f.count;
        NewEntry(f, k);
        return true;
    }

    // Without an index of names, whether a name of the closing object by
    // name came twice. Files and entries are compared as the workstation
    // holds their names: two that differ only in what the code page lacks
    // count as the same, which costs only a second reading.
    bool NameRepeated(const Frame& f) {
        if (f.count < 2) return false;
        std::vector<std::string_view>& names = scratch_;
        names.clear();
        const AsWritten& w = ws_->asWritten;
        switch (f.kind) {
            case Kind::Registry: for (const auto& e : w.registry) names.push_back(e.name); break;
            case Kind::RegKey: for (const auto& e : f.regKey->values) names.push_back(e.name); break;
            case Kind::Profiles: for (const auto& e : w.profiles) names.push_back(e.first); break;
            case Kind::Drives: for (const auto& e : drives_) names.push_back(e.first); break;
            case Kind::Files: for (const auto& e : ws_->fileRoots) names.push_back(e.second.name); break;
            case Kind::Entries: for (const auto& e : f.entry->children) names.push_back(e.name); break;
            case Kind::Modules: for (const auto& e : w.modules) names.push_back(e.first); break;
            default: for (const auto& e : w.messages) names.push_back(e.first); break;
        }
        std::sort(names.begin(), names.end());
        return std::adjacent_find(names.begin(), names.end()) != names.end();
    }

    bool OnKey(const std::string& k) {
        Frame& f = Top();
        switch (f.kind) {
            case Kind::Root: return Fixed(f, kRootMembers, k);
            case Kind::Os: return Fixed(f, kOsMembers, k);
            case Kind::Providers: return Fixed(f, kProviderMembers, k);
            case Kind::ErrorCode: return Fixed(f, kErrorMembers, k);
            case Kind::Node: return Fixed(f, kNodeMembers, k);
            case Kind::Connection: return Fixed(f, kConnectionMembers, k);
            case Kind::RegValue: return Fixed(f, kRegValueMembers, k);
            case Kind::Entry: return Fixed(f, kEntryMembers, k);
            case Kind::Module: return Fixed(f, kModuleMembers, k);
            case Kind::Latency: return Fixed(f, kLatencyMembers, k);
            case Kind::Registry:
                if (!IsRegistryRoot(k))
                    return Named(f, k, false,
                                 "expected a key path beginning with a root key name, e.g. "
                                 "\"HKEY_LOCAL_MACHINE\\\\Software\"");
                return Named(f, k, k.size() <= kMaxName, "key path too long");
            case Kind::RegKey: return Named(f, k, true, "");
            case Kind::Profiles:
                return Named(f, k, IsProfileName(k), "expected a file name without a directory as the name");
            case Kind::Drives:
                return Named(f, k, IsDriveName(k), "expected a drive letter and a colon as the name, e.g. \"C:\"");
            case Kind::Files:
                return Named(f, k, IsShareRoot(k) && k.size() <= kMaxName,
                             "expected a network path \\\\server\\share as the name");
            case Kind::Entries:
                return Named(f, k, IsEntryName(k), "expected a file or folder name without backslashes as the name");
            case Kind::Modules: return Named(f, k, IsModuleName(k), "expected a module file name as the name");
            case Kind::Messages: {
                DWORD number = 0;
                return Named(f, k, MessageNumber(k, number), "expected a message number in decimal as the name");
            }
            default: return true;  // Skip
        }
    }

    // A member given again, before its new value.
    void Again(Frame& f, int m) {
        Workstation& ws = *ws_;
        switch (f.kind) {
            case Kind::Root:
                switch (m) {
                    case root::ComputerName: computerName_.reset(); break;
                    case root::Os: {
                        const Workstation defaults;
                        ws.osFails = defaults.osFails;
                        ws.platformId = defaults.platformId;
                        ws.major = defaults.major;
                        ws.minor = defaults.minor;
                        ws.build = defaults.build;
                        ws.csd.clear();
                        ForgetPlaces(std::string(1, place::kOs));
                        break;
                    }
                    case root::Providers:
                        ws.netware.reset();
                        ws.lanman.reset();
                        ForgetPlaces(std::string(1, place::kProviders));
                        break;
                    case root::Network:
                        ws.network.clear();
                        nodeWarnings_.clear();
                        providerGiven_.clear();
                        ForgetPlaces(std::string(1, place::kNetwork));
                        break;
                    case root::Connections:
                        ws.connections.clear();
                        connectionWarnings_.clear();
                        ForgetPlaces(std::string(1, place::kConnections));
                        break;
                    case root::Registry: ws.asWritten.registry.clear(); break;
                    case root::Profiles: ws.asWritten.profiles.clear(); break;
                    case root::Drives: drives_.clear(); break;
                    case root::Files:
                        ws.fileRoots.clear();
                        ForgetPlaces(std::string(1, place::kFiles));
                        break;
                    case root::Modules: ws.asWritten.modules.clear(); break;
                    case root::Messages: ws.asWritten.messages.clear(); break;
                    case root::Latency:
                        ws.latency = {};
                        ws.asWritten.networkLatency = 0;
                        ws.asWritten.ownLatency.reset();
                        break;
                    default: break;  // a number or a string, replaced by the next
                }
                break;
            case Kind::Node:
                if (m == node::Children) {
                    f.node->children.clear();
                    providerGiven_.resize(f.order + 1);
                    std::string below = PlaceOf(depth_ - 1);
                    below += '/';
                    ForgetPlaces(below);
                } else {
                    ForgetPlaces(MemberPlace(place::Of(m)));
                }
                break;
            case Kind::Connection:
                if (m == conn::Universal) f.connection->universalError.reset();
                ForgetPlaces(MemberPlace(place::Of(m)));
                break;
            case Kind::Providers:
                (m == 0 ? ws.netware : ws.lanman).reset();
                ForgetPlaces(MemberPlace(place::Of(m)));
                break;
            case Kind::Os: ForgetPlaces(MemberPlace(place::Of(m))); break;
            case Kind::Entry:
                if (m == entry::Children) {
                    ClearEntry(*f.entry);
                } else {
                    f.entry->shortName.reset();
                    ForgetPlaces(MemberPlace(place::Of(m)));
                }
                break;
            default: break;  // the next value replaces it
        }
    }

    // What is in a file entry (its name stays), and what was kept of it.
    void ClearEntry(FileEntry& e) {
        e.directory = false;
        e.children.clear();
        e.hostDir.clear();
        const std::string record = PlaceOf(depth_ - 1);
        ForgetPlaces(record + '/');
        ForgetPlaces(place::Member(record, place::kDir));
    }

    void NewEntry(Frame& f, const std::string& k) {
        AsWritten& w = ws_->asWritten;
        switch (f.kind) {
            case Kind::Registry: w.registry.push_back({k, {}}); break;
            case Kind::RegKey: f.regKey->values.emplace_back().name = k; break;
            case Kind::Profiles: w.profiles.emplace_back(k, ""); break;
            case Kind::Drives: drives_.emplace_back(k, std::nullopt); break;
            case Kind::Files: {
                FileEntry rootEntry;
                rootEntry.directory = true;
                rootEntry.name = Ansi(k, place::kName);
                std::string folded = FoldKey(rootEntry.name, *cp_);
                ws_->fileRoots.emplace_back(std::move(folded), std::move(rootEntry));
                break;
            }
            case Kind::Entries: f.entry->children.emplace_back().name = Ansi(k, place::kName); break;
            case Kind::Modules: w.modules.emplace_back(k, ModuleVersion{}); break;
            case Kind::Messages: w.messages.emplace_back(k, ""); break;
            default: break;
        }
    }

    // A name given again in an object by name, before its new value.
    void EntryAgain(Frame& f) {
        const auto i = static_cast<std::size_t>(f.member);
        switch (f.kind) {
            case Kind::Registry: ws_->asWritten.registry[i].values.clear(); break;
            case Kind::Files: ClearEntry(ws_->fileRoots[i].second); ws_->fileRoots[i].second.directory = true; break;
            case Kind::Entries:
                if (f.entry->children[i].name == "dir") f.text.reset();
                ClearEntry(f.entry->children[i]);
                f.entry->children[i].shortName.reset();
                ForgetPlaces(MemberPlace(place::Of(entry::Short)));
                break;
            default: break;  // the next value replaces it
        }
    }

    // ---- values ----
    bool OnValue(const Value& v) {
        Frame& f = Top();
        if (v.IsContainer() && depth_ > static_cast<std::size_t>(kMaxNesting)) {
            tooDeep_ = true;
            return Stop("nesting deeper than " + std::to_string(kMaxNesting) + " levels");
        }
        if (f.kind == Kind::Skip || f.skipValue) {
            f.skipValue = false;
            if (v.IsContainer()) Push(Kind::Skip);
            return true;
        }
        if (IsArray(f.kind)) ++f.count;
        switch (f.kind) {
            case Kind::Document:
                if (v.type != Value::Object)
                    return Wrong(v, Found("expected a JSON object describing a workstation", v));
                Push(Kind::Root);
                return true;
            case Kind::Root: return RootValue(f, v);
            case Kind::Os: return OsValue(f, v);
            case Kind::Providers: {
                auto& provider = f.member == 0 ? ws_->netware : ws_->lanman;
                if (v.type == Value::Object) {
                    Push(Kind::ErrorCode);
                    return true;
                }
                Text name;
                if (!TextInto(v, name, place::Of(f.member))) return true;
                if (name)
                    provider = ProviderEntry{std::move(*name), std::nullopt};
                else
                    provider.reset();
                return true;
            }
            case Kind::ErrorCode:
                if (IsU32(v)) f.number = static_cast<DWORD>(v.u);
                return true;
            case Kind::Nodes: {
                if (v.type != Value::Object) return Wrong(v, Found("expected an object", v));
                Node* n = &f.nodes->emplace_back();
                Frame& nf = Push(Kind::Node);
                nf.node = n;
                nf.order = providerGiven_.size();
                providerGiven_.push_back(false);
                return true;
            }
            case Kind::Node: return NodeValue(f, v);
            case Kind::Usage: {
                DWORD bit = 0;
                const std::size_t faults = f.faults.size();
                NamedInto(kUsages, v, bit, "usage");
                if (f.faults.size() == faults) Parent().usage |= bit;
                return true;
            }
            case Kind::Connections: {
                if (v.type != Value::Object) return Wrong(v, Found("expected an object", v));
                Connection* c = &ws_->connections.emplace_back();
                Push(Kind::Connection).connection = c;
                return true;
            }
            case Kind::Connection: return ConnectionValue(f, v);
            case Kind::Registry: {
                if (v.type != Value::Object) return Wrong(v, Found("expected an object of values", v));
                AsWritten::RegistryKey* key = &ws_->asWritten.registry[static_cast<std::size_t>(f.member)];
                Push(Kind::RegKey).regKey = key;
                return true;
            }
            case Kind::RegKey: return RegistryValue(f, v);
            case Kind::RegValue:
                if (f.member == regvalue::Type) {
                    f.typeGiven = true;
                    return NamedInto(kRegTypes, v, f.type, "registry type");
                }
                if (!IsStringUpTo(v, kMaxContent)) return true;
                if (!IsHexDigits(*v.s)) return Wrong(v, "expected hexadecimal digits only");
                if (v.s->size() % 2 != 0) return Wrong(v, "expected an even number of hexadecimal digits");
                f.bytes.clear();
                for (std::size_t i = 0; i < v.s->size(); i += 2)
                    f.bytes += static_cast<char>(HexDigit((*v.s)[i]) << 4 | HexDigit((*v.s)[i + 1]));
                return true;
            case Kind::Profiles:
                if (IsStringUpTo(v, kMaxContent)) ws_->asWritten.profiles[static_cast<std::size_t>(f.member)].second = *v.s;
                return true;
            case Kind::Drives:
                if (IsText(v)) drives_[static_cast<std::size_t>(f.member)].second = AsText(v);
                return true;
            case Kind::Files: {
                if (v.type != Value::Object)
                    return Wrong(v, Found("expected an object of entries or {\"dir\": \"folder\"}", v));
                FileEntry* e = &ws_->fileRoots[static_cast<std::size_t>(f.member)].second;
                Push(Kind::Entries).entry = e;
                return true;
            }
            case Kind::Entries:
                if (v.type == Value::String && f.entry->children[static_cast<std::size_t>(f.member)].name == "dir") {
                    // {"dir": "folder"} when it is the only member; else a
                    // fault in this place.
                    f.text = *v.s;
                    f.textOrder = order_++;
                    f.textEntry = f.member;
                    return true;
                }
                if (v.type != Value::Object) return Wrong(v, Found("expected an object", v));
                Push(Kind::Entry).entry = &f.entry->children[static_cast<std::size_t>(f.member)];
                return true;
            case Kind::Entry: return EntryValue(f, v);
            case Kind::Modules: {
                ModuleVersion& mv = ws_->asWritten.modules[static_cast<std::size_t>(f.member)].second;
                if (v.type == Value::Null) {
                    mv = ModuleVersion{false};
                    return true;
                }
                if (!ExpectObject(v, Kind::Module)) return true;
                mv = ModuleVersion{};
                Top().module = &mv;
                return true;
            }
            case Kind::Module: {
                const bool fileVersion = f.member == module::FileVersion;
                if (v.type != Value::String ||
                    !(fileVersion ? ParseVersion(*v.s, f.module->fileMS, f.module->fileLS)
                                  : ParseVersion(*v.s, f.module->productMS, f.module->productLS)))
                    return Wrong(v, "expected a version \"a,b,c,d\" of four numbers from 0 to 65535");
                return true;
            }
            case Kind::Messages:
                if (IsStringUpTo(v, kMaxContent)) ws_->asWritten.messages[static_cast<std::size_t>(f.member)].second = *v.s;
                return true;
            case Kind::Latency: {
                if (!IsU32(v)) return true;
                const auto us = static_cast<std::uint32_t>(v.u);
                if (f.member == latency::Network) {
                    ws_->asWritten.networkLatency = us;  // handed to the network functions at the end
                    return true;
                }
                const auto function = static_cast<std::size_t>(f.member - latency::FirstFunction);
                ws_->latency[function] = us;
                ws_->asWritten.ownLatency.set(function);
                return true;
            }
            default: return true;
        }
    }

    bool RootValue(Frame& f, const Value& v) {
        Workstation& ws = *ws_;
        switch (f.member) {
            case root::ComputerName:
                // Converted at the end, by the code page then known.
                if (IsText(v)) computerName_ = AsText(v);
                return true;
            case root::CodePage: {
                if (!IsU32(v)) return true;
                const CodePageTable* table = FindCodePage(static_cast<unsigned>(v.u));
                if (!table)
                    return Wrong(v, "unsupported code page " + std::to_string(v.u) +
                                        " (expected 1252, 932, 936, 949 or 950)");
                codePage_ = table->codePage;
                if (table != cp_ && !codePageFixed_) {
                    stale_ = stale_ || converted_;  // strings already converted by another code page
                    cp_ = table;
                }
                return true;
            }
            case root::Os: ExpectObject(v, Kind::Os); return true;
            case root::Providers: ExpectObject(v, Kind::Providers); return true;
            case root::Network:
                if (v.type != Value::Array) return Wrong(v, Found("expected an array", v));
                Push(Kind::Nodes).nodes = &ws.network;
                return true;
            case root::UnknownContainerError:
                if (IsU32(v)) ws.unknownContainerError = static_cast<DWORD>(v.u);
                return true;
            case root::Connections:
                if (v.type != Value::Array) return Wrong(v, Found("expected an array", v));
                Push(Kind::Connections);
                return true;
            case root::Registry: ExpectObject(v, Kind::Registry); return true;
            case root::Profiles: ExpectObject(v, Kind::Profiles); return true;
            case root::WindowsDir:
                if (IsText(v)) ws.asWritten.windowsDir = AsText(v);
                return true;
            case root::Drives: ExpectObject(v, Kind::Drives); return true;
            case root::Files: ExpectObject(v, Kind::Files); return true;
            case root::Modules: ExpectObject(v, Kind::Modules); return true;
            case root::Messages: ExpectObject(v, Kind::Messages); return true;
            default: ExpectObject(v, Kind::Latency); return true;
        }
    }

    bool OsValue(Frame& f, const Value& v) {
        Workstation& ws = *ws_;
        switch (f.member) {
            case os::Fails:
                if (v.type != Value::Bool) return Wrong(v, Found("expected true or false", v));
                ws.osFails = v.b;
                return true;
            case os::Csd:
                if (IsStringUpTo(v, 127)) ws.csd = Ansi(*v.s, place::Of(os::Csd));
                return true;
            default:
                if (IsU32(v))
                    (f.member == os::PlatformId ? ws.platformId
                     : f.member == os::Major    ? ws.major
                     : f.member == os::Minor    ? ws.minor
                                                : ws.build) = static_cast<DWORD>(v.u);
                return true;
        }
    }

    bool NodeValue(Frame& f, const Value& v) {
        Node& n = *f.node;
        switch (f.member) {
            case node::Remote:
            case node::Comment:
            case node::Local:
                TextInto(v, f.member == node::Remote ? n.remote : f.member == node::Comment ? n.comment : n.local,
                         place::Of(f.member));
                return true;
            case node::Provider:
                providerGiven_[f.order] = true;
                if (TextInto(v, n.provider, place::Of(node::Provider)) && n.provider && !IsAscii(*v.s))
                    spelledProvider_ = true;
                return true;
            case node::Display: return NamedInto(kDisplayTypes, v, f.number, "display type");
            case node::Type: f.typeGiven = true; return NamedInto(kResourceTypes, v, f.type, "resource type");
            case node::Usage:
                f.usageGiven = true;
                f.usage = 0;
                if (v.type == Value::Array) {
                    Push(Kind::Usage);
                    return true;
                }
                if (v.IsNumber()) {
                    if (IsU32(v)) f.usage = static_cast<DWORD>(v.u);
                    return true;
                }
                return Wrong(v, Found("expected a list of \"connectable\" and \"container\", or a number", v));
            case node::Children:
                if (v.type != Value::Array) return Wrong(v, Found("expected an array", v));
                Push(Kind::Nodes).nodes = &n.children;
                return true;
            case node::OpenError: return CodeInto(v, n.openError);
            case node::EnumError: return CodeInto(v, n.enumError);
            case node::Batch:
                if (v.IsU32() && v.u == 0) return Wrong(v, "expected at least 1 entry per call, or null");
                return CodeInto(v, n.batch);
            default:  // enum_error_after
                if (IsU32(v)) n.enumErrorAfter = static_cast<DWORD>(v.u);
                return true;
        }
    }

    bool ConnectionValue(Frame& f, const Value& v) {
        Connection& c = *f.connection;
        const char at = place::Of(f.member);
        switch (f.member) {
            case conn::Local:
                f.text.reset();  // the drive as written, for the warning
                if (v.type == Value::String) f.text = *v.s;
                TextInto(v, c.local, at);
                return true;
            case conn::Remote: TextInto(v, c.remote, at); return true;
            case conn::Provider: TextInto(v, c.provider, at); return true;
            case conn::Comment: TextInto(v, c.comment, at); return true;
            default:
                c.universal.reset();
                c.universalError.reset();
                if (v.type == Value::Object) {
                    Push(Kind::ErrorCode);
                    return true;
                }
                TextInto(v, c.universal, at);
                return true;
        }
    }

    bool RegistryValue(Frame& f, const Value& v) {
        using Form = AsWritten::RegistryValue::Form;
        AsWritten::RegistryValue& r = f.regKey->values[static_cast<std::size_t>(f.member)];
        if (v.type == Value::Unsigned || v.type == Value::Signed) {
            if (v.type == Value::Unsigned ? v.u > 0xFFFFFFFFu : v.i < -2147483648LL)
                return Wrong(v, "number out of the range of a 32-bit REG_DWORD");
            r.form = Form::Number;
            r.number = v.type == Value::Unsigned ? static_cast<std::int64_t>(v.u) : v.i;
            return true;
        }
        if (v.type == Value::String) {
            if (v.s->size() > kMaxContent) return Wrong(v, TooLong(kMaxContent));
            r.form = Form::Text;
            r.data = *v.s;
            return true;
        }
        if (v.type == Value::Object) {
            Push(Kind::RegValue);
            return true;
        }
        return Wrong(v, Found("expected a number (REG_DWORD), a string (REG_SZ) or {\"type\": ..., \"hex\": ...}", v));
    }

    bool EntryValue(Frame& f, const Value& v) {
        FileEntry& e = *f.entry;
        if (f.member == entry::Children) {
            if (v.type == Value::Null) return true;
            if (v.type != Value::Object)
                return Wrong(v, Found("expected an object of entries or {\"dir\": \"folder\"}", v));
            e.directory = true;
            Push(Kind::Entries).entry = &e;
            return true;
        }
        if (TextInto(v, e.shortName, place::Of(entry::Short)) && e.shortName && !IsShortName(*v.s))
            return Wrong(v, "expected an 8.3 name of 1 to 12 characters");
        return true;
    }

    // ---- the end of an object or array ----
    bool Close() {
        Frame& f = Top();
        if (f.kind == Kind::Skip) {
            Pop();
            return true;
        }
        if (!CheckEnd(f)) return false;
        if (!f.faults.empty()) {
            if (f.kind == Kind::Node && Parent().nodes == &ws_->network) EndTopLevel();
            // The member that holds this value is wrong with its first fault.
            Fault first = *First(f);
            Pop();
            Frame& holder = Top();
            first.slot = SlotOf(holder);
            Keep(holder, std::move(first));
            return true;
        }
        End(f);
        Pop();
        return true;
    }

    // What only the end of an object tells: faults, or (false) that the
    // reading must start again with an index of names.
    bool CheckEnd(Frame& f) {
        if (f.kind == Kind::ErrorCode) {
            if (!(f.seen & 1u))  // {"error": N} names its code
                Keep(f, Fault{order_++, kFinal, MemberPath(PathOfTop(), "error"), "missing (expected an error code)"});
            return true;
        }
        if (!IsByName(f.kind)) return true;
        if (!indexNames_ && NameRepeated(f)) {
            namesRepeated_ = true;
            return false;
        }
        if (f.kind == Kind::Entries && f.text) {
            f.member = f.textEntry;
            if (f.count + f.wrongNames > 1)
                Keep(f, Fault{f.textOrder, SlotOf(f), Path(), "expected an object, found a string"});
            else if (f.text->size() > kMaxName)
                Keep(f, Fault{f.textOrder, SlotOf(f), Path(), TooLong(kMaxName)});
        }
        return true;
    }

    // A value read without fault is complete.
    void End(Frame& f) {
        switch (f.kind) {
            case Kind::Root: Finish(); break;
            case Kind::ErrorCode: {
                Frame& p = Parent();
                if (p.kind == Kind::Providers)
                    (p.member == 0 ? ws_->netware : ws_->lanman) = ProviderEntry{"", f.number};
                else
                    p.connection->universalError = f.number;
                break;
            }
            case Kind::Node: EndNode(f); break;
            case Kind::Connection:
                if (!f.connection->provider)
                    connectionWarnings_.push_back(
                        "connections[" + std::to_string(ws_->connections.size() - 1) +
                        "]: no provider: the library cannot tell the network of " +
                        (f.text ? "drive " + *f.text : std::string("this connection")) + ", so names on it do not convert");
                break;
            case Kind::RegValue: {
                AsWritten::RegistryValue& r = Parent().regKey->values[static_cast<std::size_t>(Parent().member)];
                r.form = AsWritten::RegistryValue::Form::Typed;
                r.type = f.typeGiven ? f.type : DWORD{REG_BINARY};
                r.data = std::move(f.bytes);
                break;
            }
            case Kind::Entries:
                if (!f.text) break;
                // {"dir": "folder"}: the entries are those of a host folder.
                f.entry->children.clear();
                f.entry->hostDir = HostFolder(*f.text);
                ws_->asWritten.strings[place::Member(PlaceOf(depth_ - 2), place::kDir)] = *f.text;
                break;
            default: break;
        }
    }

    void EndNode(Frame& f) {
        Node& n = *f.node;
        n.display = f.number;
        n.type = f.typeGiven ? f.type : DefaultType(f.number);
        n.usage = f.usageGiven ? f.usage : DefaultUsage(f.number);
        if (Parent().nodes != &ws_->network) return;
        // A top-level node is complete: hand the providers down.
        const std::size_t top = ws_->network.size() - 1;
        if (spelledProvider_) {
            std::string where(1, place::kNetwork);
            place::Down(where, top);
            nextOrder_ = 0;
            SpellProviders(n, nullptr, where);
        }
        nextOrder_ = 0;
        ResolveProviders(n, std::nullopt, true, NodePath{nullptr, top});
        EndTopLevel();
    }
    void EndTopLevel() {
        providerGiven_.clear();
        spelledProvider_ = false;
    }

    // A node without a provider of its own has its parent's. A node left
    // without one (while its parent has one) is named once, at its top.
    void ResolveProviders(Node& n, const Text& inherited, bool parentHasProvider, const NodePath& path) {
        if (!providerGiven_[nextOrder_++]) n.provider = inherited;
        const bool hasProvider = n.provider.has_value();
        if (!hasProvider && parentHasProvider)
            nodeWarnings_.push_back(path.Text() + ": no provider (none given, none inherited): enumerations by provider "
                                                  "never reach it" + (n.children.empty() ? "" : " nor the nodes below it"));
        for (std::size_t i = 0; i < n.children.size(); ++i)
            ResolveProviders(n.children[i], n.provider, hasProvider, NodePath{&path, i});
    }

    // A provider given in other than ASCII is kept as written for the nodes
    // that inherit it too (before ResolveProviders, as it sees what was given).
    void SpellProviders(const Node& n, const std::string* inherited, std::string& where) {
        auto& strings = ws_->asWritten.strings;
        const std::string at = place::Member(where, place::Of(node::Provider));
        const std::string* asWritten = inherited;
        if (providerGiven_[nextOrder_++]) {
            auto it = strings.find(at);
            asWritten = it == strings.end() ? nullptr : &it->second;
        } else if (inherited) {
            asWritten = &(strings[at] = *inherited);
        }
        for (std::size_t i = 0; i < n.children.size(); ++i) {
            const std::size_t length = where.size();
            place::Down(where, i);
            SpellProviders(n.children[i], asWritten, where);
            where.resize(length);
        }
    }

    // The root object is complete: the members by name and the computer
    // name, which wait for the code page, become the workstation's.
    void Finish() {
        Workstation& ws = *ws_;
        AsWritten& w = ws.asWritten;
        ws.codePage = codePage_;
        if (computerName_) ws.computerName = Ansi(*computerName_, place::Of(root::ComputerName));
        using Form = AsWritten::RegistryValue::Form;
        for (const auto& key : w.registry) {
            std::string path = Fold(key.name);
            while (!path.empty() && path.back() == '\\') path.pop_back();
            auto& values = ws.registry[path];
            for (const auto& value : key.values) {
                RegValue r;
                if (value.form == Form::Number) {  // REG_DWORD, little-endian
                    r.type = REG_DWORD;
                    const auto x = static_cast<std::uint32_t>(value.number);
                    for (int i = 0; i < 4; ++i) r.data += static_cast<char>((x >> (8 * i)) & 0xFF);
                } else if (value.form == Form::Text) {
                    r.type = REG_SZ;
                    r.data = Ansi(value.data);
                    r.data += '\0';
                } else {
                    r.type = value.type;
                    r.data = value.data;
                }
                values[Fold(value.name)] = std::move(r);
            }
        }
        for (const auto& [name, content] : w.profiles) ws.profiles[Fold(name)] = Ansi(content);
        if (w.windowsDir) ws.windowsDir = HostFolder(*w.windowsDir);
        // "c:" and "C:" are one drive, in the place of the first, with the
        // value of the last.
        for (const auto& [name, folder] : drives_) {
            const char letter = DriveLetter(name);
            auto it = std::find_if(w.drives.begin(), w.drives.end(), [letter](const auto& d) { return d.first == letter; });
            if (it == w.drives.end())
                w.drives.emplace_back(letter, folder);
            else
                it->second = folder;
        }
        for (const auto& [letter, folder] : w.drives) ws.drives[letter] = folder ? HostFolder(*folder) : "";
        for (const auto& [name, version] : w.modules) ws.modules[Fold(name)] = version;
        for (const auto& [name, text] : w.messages) {
            DWORD number = 0;
            MessageNumber(name, number);
            std::string ansi = Ansi(text);
            if (ansi.size() < 2 || ansi.compare(ansi.size() - 2, 2, "\r\n") != 0) ansi += "\r\n";
            ws.messages[number] = std::move(ansi);
        }
        // "network" is the latency of the network functions not given one by name.
        for (std::size_t i = 0; i < kFunctionCount; ++i)
            if (kFunctions[i].network && !w.ownLatency[i]) ws.latency[i] = w.networkLatency;
        IndexNetwork(ws);
        done_ = true;
    }

    std::shared_ptr<Workstation> ws_;
    const CodePageTable* cp_;  // what strings are converted by
    unsigned codePage_;        // the one the description names (so far)
    bool codePageFixed_;
    bool indexNames_;
    bool namesRepeated_ = false;
    std::vector<std::string_view> scratch_;
    bool converted_ = false;   // a string that is not ASCII was converted by cp_
    bool stale_ = false;
    std::string baseDir_;
    std::vector<Frame> frames_;
    std::size_t depth_ = 0;  // frames in use
    std::uint64_t order_ = 0;  // faults so far
    std::string stop_;         // what ended the reading
    bool tooDeep_ = false;
    bool done_ = false;
    std::optional<std::string> computerName_;
    std::vector<std::pair<std::string, Text>> drives_;  // as written, before "c:" and "C:" are one
    std::vector<bool> providerGiven_;  // per node of the open top-level node, in pre-order
    bool spelledProvider_ = false;     // one of them was given in other than ASCII
    std::size_t nextOrder_ = 0;
    std::vector<std::string> nodeWarnings_, connectionWarnings_;
};

// The line of the first bracket nested deeper than allowed.
std::size_t LineOfDeepNesting(const std::string& text) {
    int depth = 0;
    bool inString = false, escaped = false;
    std::size_t line = 1;
    for (char c : text) {
        if (c == '\n') ++line;
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > kMaxNesting) break;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return line;
}

// Reads a description once; again only when a name in an object by name
// comes twice (then with an index of names), or a code page named after
// strings not in ASCII makes them wrong (then with that code page from the
// start).
template <class Parse>
std::shared_ptr<const Workstation> Build(const std::string& baseDir, std::string& fault,
                                         std::vector<std::string>& warnings, Parse parse) {
    Reader::Mode mode;
    for (;;) {
        Reader reader(baseDir, mode);
        parse(reader);
        if (reader.NamesRepeated()) {
            mode.indexNames = true;
        } else if (reader.Stale()) {
            mode.codePage = reader.CodePage();
            mode.codePageFixed = true;
        } else {
            return reader.Take(fault, warnings);
        }
    }
}

}  // namespace

std::shared_ptr<const Workstation> BuildFromText(const std::string& json, const std::string& baseDir,
                                                 std::string& fault, std::vector<std::string>& warnings) {
    bool tooDeep = false;
    auto ws = Build(baseDir, fault, warnings, [&](Reader& reader) {
        Json::sax_parse(json, &reader);
        tooDeep = reader.TooDeep();
    });
    if (tooDeep) fault += " at line " + std::to_string(LineOfDeepNesting(json));
    return ws;
}

std::shared_ptr<const Workstation> BuildFromCbor(std::span<const unsigned char> cbor, std::vector<std::string>& warnings) {
    std::string fault;
    return Build("", fault, warnings, [&](Reader& reader) {
        Json::sax_parse(cbor.begin(), cbor.end(), &reader, Json::input_format_t::cbor);
    });
}

}  // namespace qvsim::detail
