// Reading a workstation description. A valid description is built in one
// pass over its text (Builder.cpp). Any other, and any whose normalised form
// is asked for, goes through the validator here: it reads the whole tree,
// names the first thing that is wrong by its JSON path, or else writes the
// normalised description (every member spelled out, defaults filled in),
// which the one-pass builder then reads.
#include "LoadRules.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace qvsim::detail {
namespace {

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;
using namespace rules;

struct LoadError {
    std::string path;
    std::string message;
};

[[noreturn]] void Fail(const std::string& path, std::string message) {
    throw LoadError{path, std::move(message)};
}

// Adds a member the object cannot have yet: its name comes from one parsed
// object, which has each name once. An ordered object's operator[] searches
// all members first, which would make a large object quadratic.
void AddMember(Json& object, const std::string& key, Json value) {
    object.get_ref<Json::object_t&>().emplace_back(key, std::move(value));
}

// The description as a tree, its members in the order written. The parser's
// own tree builder finds each member's name by searching its object, which
// is quadratic in the members of one object; this one keeps an index of the
// names of each open object. A repeated name keeps its first place and takes
// the last value, as there.
class OrderedTreeReader {
public:
    explicit OrderedTreeReader(Json& root) : root_(root) {}

    bool null() { return Put(nullptr) != nullptr; }
    bool boolean(bool b) { return Put(b) != nullptr; }
    bool number_integer(Json::number_integer_t n) { return Put(n) != nullptr; }
    bool number_unsigned(Json::number_unsigned_t n) { return Put(n) != nullptr; }
    bool number_float(Json::number_float_t n, const std::string&) { return Put(n) != nullptr; }
    bool string(std::string& s) { return Put(std::move(s)) != nullptr; }
    bool binary(Json::binary_t& b) { return Put(Json::binary(std::move(b))) != nullptr; }
    bool start_object(std::size_t) {
        open_.push_back({Put(Json::object()), {}});
        return true;
    }
    bool key(std::string& name) {
        Open& top = open_.back();
        auto& members = top.value->get_ref<Json::object_t&>();
        auto [at, fresh] = top.names.try_emplace(name, members.size());
        if (fresh) members.emplace_back(std::move(name), nullptr);
        member_ = &(members.begin() + static_cast<std::ptrdiff_t>(at->second))->second;
        return true;
    }
    bool end_object() {
        open_.pop_back();
        return true;
    }
    bool start_array(std::size_t) {
        open_.push_back({Put(Json::array()), {}});
        return true;
    }
    bool end_array() {
        open_.pop_back();
        return true;
    }
    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& e) {
        throw e;
    }

private:
    struct Open {
        Json* value;
        std::unordered_map<std::string, std::size_t> names;  // objects only
    };

    // Where a value goes: the root, the end of the open array, or the
    // member whose name came last.
    Json* Put(Json value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Json& parent = *open_.back().value;
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        *member_ = std::move(value);
        return member_;
    }

    Json& root_;
    std::vector<Open> open_;
    Json* member_ = nullptr;
};

std::string Quote(const std::string& s) {
    return Json(s).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string Member(const std::string& path, const std::string& key) {
    bool identifier = !key.empty() && !(key[0] >= '0' && key[0] <= '9');
    for (char c : key)
        identifier = identifier && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                    (c >= '0' && c <= '9') || c == '_');
    if (identifier) return path.empty() ? key : path + "." + key;
    return path + "[" + Quote(key) + "]";
}

std::string Index(const std::string& path, std::size_t i) {
    return path + "[" + std::to_string(i) + "]";
}

const char* Describe(const Json& v) {
    switch (v.type()) {
        case Json::value_t::object: return "an object";
        case Json::value_t::array: return "an array";
        case Json::value_t::string: return "a string";
        case Json::value_t::boolean: return "true or false";
        case Json::value_t::null: return "null";
        default: return "a number";
    }
}

// ---- value checks ------------------------------------------------------------------

template <std::size_t N>
void ExpectObject(const Json& v, const std::string& path, const char* const (&members)[N]) {
    if (!v.is_object()) Fail(path, std::string("expected an object, found ") + Describe(v));
    for (const auto& item : v.items()) {
        if (MemberIndex(members, item.key()) >= 0) continue;
        std::string list;
        for (const char* m : members) list += (list.empty() ? "" : ", ") + std::string(m);
        Fail(Member(path, item.key()), "unknown member (expected one of: " + list + ")");
    }
}

const Json* Find(const Json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

Json String(const Json& v, const std::string& path, bool nullable, std::size_t max = kMaxName) {
    if (v.is_null() && nullable) return nullptr;
    if (!v.is_string()) {
        Fail(path, std::string(nullable ? "expected a string or null" : "expected a string") +
                       ", found " + Describe(v));
    }
    if (v.get_ref<const std::string&>().size() > max)
        Fail(path, "string longer than " + std::to_string(max) + " bytes");
    return v;
}

DWORD U32(const Json& v, const std::string& path) {
    if (v.is_number_unsigned() && v.get<std::uint64_t>() <= 0xFFFFFFFFu)
        return static_cast<DWORD>(v.get<std::uint64_t>());
    Fail(path, std::string("expected an integer from 0 to 4294967295, found ") +
                   (v.is_number() ? "a number out of that range" : Describe(v)));
}

// A member that is a string or null (default null).
Json OptString(const Json& obj, const std::string& path, const char* key, std::size_t max = kMaxName) {
    const Json* v = Find(obj, key);
    return v ? String(*v, Member(path, key), true, max) : Json(nullptr);
}

// A member that is an error code or null (default null).
Json OptCode(const Json& obj, const std::string& path, const char* key) {
    const Json* v = Find(obj, key);
    if (!v || v->is_null()) return nullptr;
    return U32(*v, Member(path, key));
}

// { "error": N }
Json ErrorObject(const Json& v, const std::string& path) {
    ExpectObject(v, path, kErrorMembers);
    const Json* code = Find(v, "error");
    if (!code) Fail(Member(path, "error"), "missing (expected an error code)");
    return Json{{"error", U32(*code, Member(path, "error"))}};
}

// ---- named numbers -----------------------------------------------------------------

template <std::size_t N>
Json NameOf(const Named (&table)[N], DWORD value) {
    for (const auto& e : table)
        if (e.value == value) return e.name;
    return value;
}

// A name of the table or a number; `what` names the kind in messages.
template <std::size_t N>
DWORD NamedValue(const Named (&table)[N], const Json& v, const std::string& path, const char* what) {
    if (v.is_string()) {
        DWORD value = 0;
        if (FindNamed(table, v.get_ref<const std::string&>(), value)) return value;
        Fail(path, std::string("unknown ") + what + " " + Quote(v.get<std::string>()));
    }
    if (v.is_number()) return U32(v, path);
    Fail(path, std::string("expected a ") + what + " name or a number, found " + Describe(v));
}

// ---- normalising -----------------------------------------------------------------

Json NormNode(const Json& v, const std::string& path, const Json& inheritedProvider) {
    ExpectObject(v, path, kNodeMembers);
    Json n = Json::object();
    n["remote"] = OptString(v, path, "remote");
    const Json* display = Find(v, "display");
    DWORD d = display ? NamedValue(kDisplayTypes, *display, Member(path, "display"), "display type") : 0;
    n["display"] = NameOf(kDisplayTypes, d);
    const Json* provider = Find(v, "provider");
    n["provider"] = provider ? String(*provider, Member(path, "provider"), true) : inheritedProvider;

    const Json* type = Find(v, "type");
    DWORD t = type ? NamedValue(kResourceTypes, *type, Member(path, "type"), "resource type")
                   : DefaultType(d);
    n["type"] = NameOf(kResourceTypes, t);

    DWORD usage = DefaultUsage(d);
    if (const Json* u = Find(v, "usage")) {
        std::string upath = Member(path, "usage");
        if (u->is_array()) {
            usage = 0;
            for (std::size_t i = 0; i < u->size(); ++i) usage |= NamedValue(kUsages, (*u)[i], Index(upath, i), "usage");
        } else if (u->is_number()) {
            usage = U32(*u, upath);
        } else {
            Fail(upath, std::string("expected a list of \"connectable\" and \"container\", or a number, found ") +
                            Describe(*u));
        }
    }
    if ((usage & ~3u) == 0) {
        n["usage"] = Json::array();
        for (const auto& e : kUsages)
            if (usage & e.value) n["usage"].push_back(e.name);
    } else {
        n["usage"] = usage;
    }
    n["comment"] = OptString(v, path, "comment");
    n["local"] = OptString(v, path, "local");
    n["open_error"] = OptCode(v, path, "open_error");
    n["enum_error"] = OptCode(v, path, "enum_error");
    const Json* after = Find(v, "enum_error_after");
    n["enum_error_after"] = after ? U32(*after, Member(path, "enum_error_after")) : 0;
    n["batch"] = OptCode(v, path, "batch");
    if (n["batch"].is_number() && n["batch"].get<DWORD>() == 0)
        Fail(Member(path, "batch"), "expected at least 1 entry per call, or null");

    n["children"] = Json::array();
    if (const Json* children = Find(v, "children")) {
        std::string cpath = Member(path, "children");
        if (!children->is_array()) Fail(cpath, std::string("expected an array, found ") + Describe(*children));
        for (std::size_t i = 0; i < children->size(); ++i)
            n["children"].push_back(NormNode((*children)[i], Index(cpath, i), n["provider"]));
    }
    return n;
}

Json NormConnection(const Json& v, const std::string& path) {
    ExpectObject(v, path, kConnectionMembers);
    Json c = Json::object();
    c["local"] = OptString(v, path, "local");
    c["remote"] = OptString(v, path, "remote");
    c["provider"] = OptString(v, path, "provider");
    c["comment"] = OptString(v, path, "comment");
    const Json* u = Find(v, "universal");
    c["universal"] = !u ? Json(nullptr) : u->is_object() ? ErrorObject(*u, Member(path, "universal"))
                                                       : String(*u, Member(path, "universal"), true);
    return c;
}

Json NormRegValue(const Json& v, const std::string& path) {
    if (v.is_number_integer()) {
        if (v.is_number_unsigned() ? v.get<std::uint64_t>() > 0xFFFFFFFFu : v.get<std::int64_t>() < -2147483648LL)
            Fail(path, "number out of the range of a 32-bit REG_DWORD");
        return v;
    }
    if (v.is_string()) return String(v, path, false, kMaxContent);
    if (v.is_object()) {
        ExpectObject(v, path, kRegValueMembers);
        const Json* type = Find(v, "type");
        DWORD t = type ? NamedValue(kRegTypes, *type, Member(path, "type"), "registry type") : REG_BINARY;
        std::string hex;
        if (const Json* h = Find(v, "hex")) {
            hex = String(*h, Member(path, "hex"), false, kMaxContent).get<std::string>();
            if (!IsHexDigits(hex)) Fail(Member(path, "hex"), "expected hexadecimal digits only");
            for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (hex.size() % 2 != 0) Fail(Member(path, "hex"), "expected an even number of hexadecimal digits");
        }
        return Json{{"type", NameOf(kRegTypes, t)}, {"hex", hex}};
    }
    Fail(path, std::string("expected a number (REG_DWORD), a string (REG_SZ) or "
                           "{\"type\": ..., \"hex\": ...}, found ") + Describe(v));
}

Json NormEntries(const Json& v, const std::string& path);

Json NormEntry(const Json& v, const std::string& path) {
    ExpectObject(v, path, kEntryMembers);
    Json e = Json::object();
    e["short"] = OptString(v, path, "short");
    if (e["short"].is_string()) {
        const auto& s = e["short"].get_ref<const std::string&>();
        if (!IsShortName(s))
            Fail(Member(path, "short"), "expected an 8.3 name of 1 to 12 characters");
    }
    const Json* children = Find(v, "children");
    e["children"] = children && !children->is_null() ? NormEntries(*children, Member(path, "children"))
                                                     : Json(nullptr);
    return e;
}

bool IsDirObject(const Json& v) { return v.is_object() && v.size() == 1 && v.contains("dir") && v["dir"].is_string(); }

// An entry map, or { "dir": "host folder" }.
Json NormEntries(const Json& v, const std::string& path) {
    if (IsDirObject(v)) return Json{{"dir", String(v["dir"], Member(path, "dir"), false)}};
    if (!v.is_object())
        Fail(path, std::string("expected an object of entries or {\"dir\": \"folder\"}, found ") + Describe(v));
    Json out = Json::object();
    for (const auto& item : v.items()) {
        std::string epath = Member(path, item.key());
        if (!IsEntryName(item.key()))
            Fail(epath, "expected a file or folder name without backslashes as the name");
        AddMember(out, item.key(), NormEntry(item.value(), epath));
    }
    return out;
}

std::string FormatVersion(DWORD ms, DWORD ls) {
    return std::to_string(ms >> 16) + "," + std::to_string(ms & 0xFFFF) + "," + std::to_string(ls >> 16) + "," +
           std::to_string(ls & 0xFFFF);
}

Json NormVersion(const Json& obj, const std::string& path, const char* key) {
    const Json* v = Find(obj, key);
    if (!v) return "0,0,0,0";
    std::string vpath = Member(path, key);
    DWORD ms = 0, ls = 0;
    if (!v->is_string() || !ParseVersion(v->get_ref<const std::string&>(), ms, ls))
        Fail(vpath, "expected a version \"a,b,c,d\" of four numbers from 0 to 65535");
    return FormatVersion(ms, ls);
}

const Json& ObjectMember(const Json& root, const char* key) {
    static const Json empty = Json::object();
    const Json* v = Find(root, key);
    if (!v) return empty;
    if (!v->is_object()) Fail(key, std::string("expected an object, found ") + Describe(*v));
    return *v;
}

const Json& ArrayMember(const Json& root, const char* key) {
    static const Json empty = Json::array();
    const Json* v = Find(root, key);
    if (!v) return empty;
    if (!v->is_array()) Fail(key, std::string("expected an array, found ") + Describe(*v));
    return *v;
}

Json Normalise(const Json& root) {
    if (!root.is_object()) Fail("", std::string("expected a JSON object describing a workstation, found ") + Describe(root));
    ExpectObject(root, "", kRootMembers);
    Json out = Json::object();
    out["computer_name"] = OptString(root, "", "computer_name");

    DWORD codePage = 1252;
    if (const Json* cp = Find(root, "code_page")) {
        codePage = U32(*cp, "code_page");
        if (!FindCodePage(codePage))
            Fail("code_page", "unsupported code page " + std::to_string(codePage) + " (expected 1252, 932, 936, 949 or 950)");
    }
    out["code_page"] = codePage;

    Json os = {{"fails", false}, {"platform_id", 2}, {"major", 5}, {"minor", 0}, {"build", 2195}, {"csd", ""}};
    if (const Json* o = Find(root, "os")) {
        ExpectObject(*o, "os", kOsMembers);
        for (const char* key : {"platform_id", "major", "minor", "build"})
            if (const Json* n = Find(*o, key)) os[key] = U32(*n, Member("os", key));
        if (const Json* f = Find(*o, "fails")) {
            if (!f->is_boolean()) Fail("os.fails", std::string("expected true or false, found ") + Describe(*f));
            os["fails"] = *f;
        }
        if (const Json* csd = Find(*o, "csd")) os["csd"] = String(*csd, "os.csd", false, 127);
    }
    out["os"] = os;

    Json providers = {{"netware", nullptr}, {"lanman", nullptr}};
    const Json& givenProviders = ObjectMember(root, "providers");
    ExpectObject(givenProviders, "providers", kProviderMembers);
    for (const auto& item : givenProviders.items()) {
        std::string ppath = Member("providers", item.key());
        providers[item.key()] = item.value().is_object() ? ErrorObject(item.value(), ppath)
                                                         : String(item.value(), ppath, true);
    }
    out["providers"] = providers;

    out["network"] = Json::array();
    const Json& network = ArrayMember(root, "network");
    for (std::size_t i = 0; i < network.size(); ++i)
        out["network"].push_back(NormNode(network[i], Index("network", i), nullptr));

    const Json* unknown = Find(root, "unknown_container_error");
    out["unknown_container_error"] = unknown ? U32(*unknown, "unknown_container_error") : DWORD{ERROR_BAD_NETPATH};

    out["connections"] = Json::array();
    const Json& connections = ArrayMember(root, "connections");
    for (std::size_t i = 0; i < connections.size(); ++i)
        out["connections"].push_back(NormConnection(connections[i], Index("connections", i)));

    out["registry"] = Json::object();
    for (const auto& key : ObjectMember(root, "registry").items()) {
        std::string kpath = Member("registry", key.key());
        if (!IsRegistryRoot(key.key()))
            Fail(kpath, "expected a key path beginning with a root key name, e.g. \"HKEY_LOCAL_MACHINE\\\\Software\"");
        if (key.key().size() > kMaxName) Fail(kpath, "key path too long");
        if (!key.value().is_object()) Fail(kpath, std::string("expected an object of values, found ") + Describe(key.value()));
        Json values = Json::object();
        for (const auto& value : key.value().items())
            AddMember(values, value.key(), NormRegValue(value.value(), Member(kpath, value.key())));
        AddMember(out["registry"], key.key(), std::move(values));
    }

    out["profiles"] = Json::object();
    for (const auto& p : ObjectMember(root, "profiles").items()) {
        std::string ppath = Member("profiles", p.key());
        if (!IsProfileName(p.key()))
            Fail(ppath, "expected a file name without a directory as the name");
        AddMember(out["profiles"], p.key(), String(p.value(), ppath, false, kMaxContent));
    }

    out["windows_dir"] = OptString(root, "", "windows_dir");

    out["drives"] = Json::object();
    for (const auto& d : ObjectMember(root, "drives").items()) {
        std::string dpath = Member("drives", d.key());
        if (!IsDriveName(d.key())) Fail(dpath, "expected a drive letter and a colon as the name, e.g. \"C:\"");
        out["drives"][std::string{DriveLetter(d.key()), ':'}] = String(d.value(), dpath, true);
    }

    out["files"] = Json::object();
    for (const auto& f : ObjectMember(root, "files").items()) {
        std::string fpath = Member("files", f.key());
        if (!IsShareRoot(f.key()) || f.key().size() > kMaxName)
            Fail(fpath, "expected a network path \\\\server\\share as the name");
        AddMember(out["files"], f.key(), NormEntries(f.value(), fpath));
    }

    out["modules"] = Json::object();
    for (const auto& m : ObjectMember(root, "modules").items()) {
        std::string mpath = Member("modules", m.key());
        if (!IsModuleName(m.key())) Fail(mpath, "expected a module file name as the name");
        if (m.value().is_null()) {
            AddMember(out["modules"], m.key(), nullptr);
            continue;
        }
        ExpectObject(m.value(), mpath, kModuleMembers);
        AddMember(out["modules"], m.key(),
                  Json{{"file_version", NormVersion(m.value(), mpath, "file_version")},
                       {"product_version", NormVersion(m.value(), mpath, "product_version")}});
    }

    out["messages"] = Json::object();
    for (const auto& m : ObjectMember(root, "messages").items()) {
        std::string mpath = Member("messages", m.key());
        DWORD number = 0;
        if (!MessageNumber(m.key(), number)) Fail(mpath, "expected a message number in decimal as the name");
        AddMember(out["messages"], m.key(), String(m.value(), mpath, false, kMaxContent));
    }
    return out;
}

// Deep nesting is refused before the parser sees it.
void CheckNesting(const std::string& text) {
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
            if (++depth > kMaxNesting)
                Fail("", "nesting deeper than " + std::to_string(kMaxNesting) + " levels at line " + std::to_string(line));
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
}

std::string ParserMessage(const std::string& what) {
    // "[json.exception.parse_error.101] parse error at ..." -> "parse error at ..."
    std::size_t p = what.find("] ");
    return p == std::string::npos ? what : what.substr(p + 2);
}

}  // namespace

std::shared_ptr<const Workstation> LoadText(const std::string& json, const std::string& sourceName,
                                            const std::string& baseDir, std::string* normalised,
                                            std::string& error, std::vector<std::string>* warnings) {
    try {
        if (json.size() > kMaxFileSize) Fail("", "description larger than " + std::to_string(kMaxFileSize) + " bytes");
        std::vector<std::string> found;
        std::shared_ptr<const Workstation> ws;
        if (!normalised) {
            // The common case: a valid description, built as it is read.
            try {
                ws = BuildFromText(json, baseDir, true, found);
            } catch (const std::exception&) {
                ws = nullptr;  // the validator below tells what is wrong
            }
        }
        if (!ws) {
            found.clear();
            CheckNesting(json);
            Json root;
            try {
                OrderedTreeReader reader(root);
                Json::sax_parse(json, &reader);
            } catch (const Json::exception& e) {
                Fail("", "invalid JSON: " + ParserMessage(e.what()));
            }
            Json n = Normalise(root);
            root = Json();  // the description as read is no longer needed
            std::string text = n.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
            n = Json();
            // The normalised description has no repeated members and every
            // value in its one form, so the builder takes it.
            ws = BuildFromText(text, baseDir, false, found);
            if (!ws) throw std::logic_error("the normalised description could not be built");
            if (normalised) *normalised = std::move(text);
        }
        if (warnings)
            for (std::string& w : found) warnings->push_back(sourceName + ": " + w);
        error.clear();
        return ws;
    } catch (const LoadError& e) {
        error = sourceName + ": " + (e.path.empty() ? "" : e.path + ": ") + e.message;
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
