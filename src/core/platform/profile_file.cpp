#include "core/platform/profile_file.h"

#include "core/platform/atomic_file.h"
#include "core/platform/file_names.h"
#include "core/platform/whole_file.h"
#include "core/platform/xdg_folders.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>

namespace vt {
namespace {

constexpr std::size_t npos = std::string::npos;

// A carriage return counts as a blank: a last line ending in a lone CR (no LF after
// it) must mean the same once a write gives it a proper line end.
bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<int> parse_profile_integer(std::string_view text) {
    std::string converted;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        converted = "$";
        converted.append(text.substr(2));
        text = converted;
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const bool hex = !text.empty() && text.front() == '$';
    if (hex)
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
    std::uint64_t magnitude = 0;
    for (char c : text) {
        const int digit = hex ? hex_digit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<unsigned>(digit);
        if (magnitude > limit)
            return std::nullopt;
    }
    // Two's complement wrap: "$FFFFFFFF" is -1, "-1" is -1.
    const auto bits = static_cast<std::uint32_t>(negative ? (~magnitude + 1) : magnitude);
    return static_cast<int>(static_cast<std::int32_t>(bits));
}

ProfileFile::ProfileFile(std::string_view text) {
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        Line line;
        if (lf == npos) {
            line.text.assign(text);
            text = {};
        } else {
            std::string_view body = text.substr(0, lf);
            if (!body.empty() && body.back() == '\r') {
                body.remove_suffix(1);
                line.end = "\r\n";
            } else {
                line.end = "\n";
            }
            line.text.assign(body);
            text.remove_prefix(lf + 1);
        }
        lines_.push_back(std::move(line));
    }
}

std::string ProfileFile::text() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

ProfileFile::Parsed ProfileFile::parse(const std::string& line) {
    const std::string_view t = trim(line);
    if (t.empty())
        return {Kind::Blank, {}, {}};
    if (t.front() == ';')
        return {Kind::Comment, {}, {}};
    if (t.front() == '[') {
        const std::size_t close = t.find(']');
        return {Kind::Section, trim(t.substr(1, close == npos ? npos : close - 1)), {}};
    }
    const std::size_t eq = t.find('=');
    if (eq == npos)
        return {Kind::Other, {}, {}};
    return {Kind::Key, trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

std::size_t ProfileFile::find_section(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Parsed p = parse(lines_[i].text);
        if (p.kind == Kind::Section && same_name(p.name, section))
            return i;
    }
    return npos;
}

std::size_t ProfileFile::section_end(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && parse(lines_[i].text).kind != Kind::Section)
        ++i;
    return i;
}

std::string ProfileFile::line_end() const {
    // New lines follow the file's own style; a new file gets the system's.
    for (const Line& line : lines_)
        if (!line.end.empty())
            return line.end;
    return "\n";
}

std::optional<std::string> ProfileFile::value(std::string_view section,
                                              std::string_view key) const {
    const std::size_t header = find_section(section);
    if (header == npos)
        return std::nullopt;
    const std::size_t end = section_end(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Parsed p = parse(lines_[i].text);
        if (p.kind == Kind::Key && same_name(p.name, key))
            return std::string(p.value.substr(0, kMaxValueLength));
    }
    return std::nullopt;
}

std::string ProfileFile::read_string(std::string_view section, std::string_view key,
                                     const std::string& fallback) const {
    return value(section, key).value_or(fallback);
}

int ProfileFile::read_integer(std::string_view section, std::string_view key, int fallback) const {
    const std::optional<std::string> text = value(section, key);
    if (!text)
        return fallback;
    return parse_profile_integer(*text).value_or(fallback);
}

bool ProfileFile::read_bool(std::string_view section, std::string_view key, bool fallback) const {
    return read_integer(section, key, fallback ? 1 : 0) != 0;
}

void ProfileFile::write_string(std::string_view section, std::string_view key,
                               std::string_view value) {
    if (value.find_first_of("\r\n") != std::string_view::npos)
        value = {};
    const std::string end = line_end();
    std::size_t header = find_section(section);
    if (header == npos) {
        if (!lines_.empty() && lines_.back().end.empty())
            lines_.back().end = end;
        lines_.push_back({"[" + std::string(section) + "]", end});
        lines_.push_back({std::string(key) + "=" + std::string(value), end});
        return;
    }
    const std::size_t stop = section_end(header);
    std::size_t insert_at = header + 1;
    for (std::size_t i = header + 1; i < stop; ++i) {
        const Parsed p = parse(lines_[i].text);
        if (p.kind == Kind::Key && same_name(p.name, key)) {
            lines_[i].text = std::string(p.name) + "=" + std::string(value);
            return;
        }
        if (p.kind != Kind::Blank)
            insert_at = i + 1;
    }
    if (lines_[insert_at - 1].end.empty())
        lines_[insert_at - 1].end = end;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at),
                  {std::string(key) + "=" + std::string(value), end});
}

void ProfileFile::write_integer(std::string_view section, std::string_view key, int value) {
    write_string(section, key, std::to_string(value));
}

void ProfileFile::write_bool(std::string_view section, std::string_view key, bool value) {
    write_string(section, key, value ? "1" : "0");
}

void ProfileFile::erase_section(std::string_view section) {
    for (std::size_t header = find_section(section); header != npos;
         header = find_section(section)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(section_end(header)));
    }
}

IoResult read_profile_file(const std::string& path, ProfileFile& profile) {
    std::string content;
    const IoResult r = read_whole_file(path, content);
    if (!r && r.error_code != ENOENT)
        return r;
    profile = ProfileFile(content); // a missing file is an empty one
    return IoResult::success();
}

IoResult write_profile_file(const std::string& path, const ProfileFile& profile) {
    const std::string folder = names::folder_part(path);
    const IoResult folders = folder.empty() ? IoResult::success() : xdg::make_folders(folder);
    if (!folders)
        return folders;
    return replace_file(path, profile.text(), 0600);
}

} // namespace vt
