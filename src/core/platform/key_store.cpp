#include "core/platform/key_store.h"

#include "core/platform/atomic_file.h"
#include "core/platform/file_names.h"
#include "core/platform/whole_file.h"
#include "core/platform/xdg_folders.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <vector>

namespace vt {
namespace {

struct Section {
    std::string name;
    std::vector<std::string> lines; // value lines and whatever else stood there
};

struct Document {
    std::vector<std::string> prologue;
    std::vector<Section> sections;
};

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// The section name of a key: root and path parts, empty parts dropped (so that a
// leading "\" makes no difference).
std::string full_name(KeyRoot root, std::string_view key) {
    std::string name = root_name(root);
    size_t start = 0;
    while (start <= key.size()) {
        size_t end = key.find('\\', start);
        if (end == std::string_view::npos)
            end = key.size();
        if (end > start)
            name.append("\\").append(key.substr(start, end - start));
        start = end + 1;
    }
    return name;
}

std::string trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r'))
        --e;
    return std::string(text.substr(b, e - b));
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out + '"';
}

// Reads a quoted text starting at text[pos] == '"'; sets pos past the closing mark.
std::optional<std::string> unquote(std::string_view text, size_t& pos) {
    std::string out;
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\') {
            if (++pos >= text.size())
                return std::nullopt;
            const char e = text[pos];
            out += e == 'n' ? '\n' : e == 'r' ? '\r' : e;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

// A value line: its name ("" for "@") and the text after "=". Other lines give nothing.
struct ValueLine {
    std::string name;
    std::string data;
};

std::optional<ValueLine> parse_value_line(std::string_view raw) {
    const std::string line = trim(raw);
    size_t pos = 0;
    ValueLine v;
    if (line.starts_with("@")) {
        pos = 1;
    } else if (line.starts_with("\"")) {
        auto name = unquote(line, pos);
        if (!name)
            return std::nullopt;
        v.name = *name;
    } else {
        return std::nullopt;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    if (pos >= line.size() || line[pos] != '=')
        return std::nullopt;
    v.data = trim(std::string_view(line).substr(pos + 1));
    return v;
}

std::string value_line(std::string_view name, std::string_view value) {
    return (name.empty() ? std::string("@") : quoted(name)) + "=" + quoted(value);
}

std::optional<std::string> section_header(std::string_view raw) {
    const std::string line = trim(raw);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
        return line.substr(1, line.size() - 2);
    return std::nullopt;
}

// Reads the store; a missing file is an empty store.
IoResult load(const std::string& path, Document& doc) {
    doc = {};
    std::string content;
    if (const IoResult r = read_whole_file(path, content); !r)
        return r.error_code == ENOENT ? IoResult::success() : r;

    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (auto name = section_header(line))
            doc.sections.push_back({*name, {}});
        else if (doc.sections.empty())
            doc.prologue.push_back(std::move(line));
        else
            doc.sections.back().lines.push_back(std::move(line));
        start = end + 1;
    }
    return IoResult::success();
}

IoResult save(const std::string& path, const Document& doc) {
    if (IoResult r = xdg::make_folders(names::folder_part(path)); !r)
        return r;
    std::string content;
    for (const std::string& line : doc.prologue)
        content += line + "\n";
    for (const Section& s : doc.sections) {
        content += "[" + s.name + "]\n";
        for (const std::string& line : s.lines)
            content += line + "\n";
    }
    return replace_file(path, content, 0600);
}

Section* find_section(Document& doc, std::string_view name) {
    for (Section& s : doc.sections)
        if (same_name(s.name, name))
            return &s;
    return nullptr;
}

// Index of the line that holds the named value, or -1.
int find_value(const Section& s, std::string_view name) {
    for (size_t i = 0; i < s.lines.size(); ++i)
        if (auto v = parse_value_line(s.lines[i]); v && same_name(v->name, name))
            return static_cast<int>(i);
    return -1;
}

} // namespace

const char* root_name(KeyRoot root) {
    switch (root) {
    case KeyRoot::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case KeyRoot::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case KeyRoot::CurrentUser:
        return "HKEY_CURRENT_USER";
    }
    return "HKEY_CLASSES_ROOT";
}

KeyStore::KeyStore() : path_(default_path()) {}

KeyStore::KeyStore(std::string file_path) : path_(std::move(file_path)) {}

std::string KeyStore::default_path() {
    return xdg::config_home() + "/Vantorel/registry.ini";
}

IoResult KeyStore::create_key(KeyRoot root, std::string_view key) {
    Document doc;
    if (IoResult r = load(path_, doc); !r)
        return r;
    const std::string target = full_name(root, key);
    bool changed = false;
    // Every key on the way down is a key of its own, as in the registry.
    const std::string root_text = root_name(root);
    std::vector<std::string> chain;
    for (size_t slash = target.find('\\', root_text.size() + 1); slash != std::string::npos;
         slash = target.find('\\', slash + 1))
        chain.push_back(target.substr(0, slash));
    if (target != root_text)
        chain.push_back(target);
    for (const std::string& name : chain) {
        if (find_section(doc, name))
            continue;
        if (doc.sections.empty()) {
            if (doc.prologue.empty())
                doc.prologue = {"; Vantorel keys and values", ""};
        } else if (!doc.sections.back().lines.empty() &&
                   !trim(doc.sections.back().lines.back()).empty()) {
            doc.sections.back().lines.push_back("");
        }
        doc.sections.push_back({name, {""}});
        changed = true;
    }
    return changed ? save(path_, doc) : IoResult::success();
}

bool KeyStore::open_key(KeyRoot root, std::string_view key) const {
    Document doc;
    if (!load(path_, doc))
        return false;
    return find_section(doc, full_name(root, key)) != nullptr;
}

ValueRead KeyStore::read_string(KeyRoot root, std::string_view key, std::string_view name) const {
    Document doc;
    if (!load(path_, doc))
        return {};
    const Section* s = find_section(doc, full_name(root, key));
    if (!s)
        return {};
    const int index = find_value(*s, name);
    if (index < 0)
        return {};
    const std::string data = parse_value_line(s->lines[static_cast<size_t>(index)])->data;
    size_t pos = 0;
    if (!data.starts_with('"'))
        return {ValueRead::Status::WrongType, {}};
    auto text = unquote(data, pos);
    if (!text || pos != data.size())
        return {ValueRead::Status::WrongType, {}};
    return {ValueRead::Status::Ok, *text};
}

IoResult KeyStore::write_string(KeyRoot root, std::string_view key, std::string_view name,
                                std::string_view value) {
    Document doc;
    if (IoResult r = load(path_, doc); !r)
        return r;
    Section* s = find_section(doc, full_name(root, key));
    if (!s)
        return IoResult::from_errno(ENOENT);
    const std::string line = value_line(name, value);
    if (const int index = find_value(*s, name); index >= 0) {
        if (s->lines[static_cast<size_t>(index)] == line)
            return IoResult::success();
        s->lines[static_cast<size_t>(index)] = line;
    } else {
        // New values go after the last line that is not blank.
        auto at = s->lines.end();
        while (at != s->lines.begin() && trim(*(at - 1)).empty())
            --at;
        s->lines.insert(at, line);
    }
    return save(path_, doc);
}

IoResult KeyStore::delete_key(KeyRoot root, std::string_view key, bool* deleted) {
    if (deleted)
        *deleted = false;
    const std::string target = full_name(root, key);
    if (target == root_name(root))
        return IoResult::from_errno(EINVAL); // a root is never deleted
    Document doc;
    if (IoResult r = load(path_, doc); !r)
        return r;
    const size_t before = doc.sections.size();
    std::erase_if(doc.sections, [&](const Section& s) {
        return same_name(s.name, target) ||
               (s.name.size() > target.size() && s.name[target.size()] == '\\' &&
                same_name(std::string_view(s.name).substr(0, target.size()), target));
    });
    if (doc.sections.size() == before)
        return IoResult::success();
    if (deleted)
        *deleted = true;
    return save(path_, doc);
}

} // namespace vt
