#include "core/schedule/unit_files.h"

#include "core/desktop/product_info.h"
#include "core/platform/path_key.h"

#include <cstdio>

namespace vt::units {
namespace {

bool plain(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
           c == '_' || c == '.';
}

std::string hex_escape(unsigned char c) {
    char text[5];
    std::snprintf(text, sizeof text, "\\x%02x", c);
    return text;
}

// The length of the UTF-8 sequence starting at `at`, or 0 when it is not one.
std::size_t utf8_length(std::string_view text, std::size_t at) {
    const auto c = static_cast<unsigned char>(text[at]);
    std::size_t n = 0;
    if (c < 0x80)
        return 1;
    if ((c & 0xE0) == 0xC0 && c >= 0xC2)
        n = 2;
    else if ((c & 0xF0) == 0xE0)
        n = 3;
    else if ((c & 0xF8) == 0xF0 && c <= 0xF4)
        n = 4;
    if (n == 0 || at + n > text.size())
        return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    return n;
}

// A free text for Description=: specifiers doubled, control characters and bytes
// that are not UTF-8 shown as "?".
std::string description_text(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8_length(text, i);
        const auto c = static_cast<unsigned char>(text[i]);
        if (n == 0 || c < 0x20 || c == 0x7f) {
            out += '?';
            ++i;
            continue;
        }
        if (c == '%')
            out += '%';
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

} // namespace

std::string escape_path(std::string_view path) {
    // Runs of "/" count as one, "." parts are dropped, and the ends lose theirs.
    std::string simplified;
    for (std::size_t start = 0; start < path.size();) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string_view::npos)
            slash = path.size();
        const std::string_view part = path.substr(start, slash - start);
        if (!part.empty() && part != ".") {
            if (!simplified.empty())
                simplified += '/';
            simplified.append(part);
        }
        start = slash + 1;
    }
    if (simplified.empty())
        return "-";
    std::string out;
    for (std::size_t i = 0; i < simplified.size(); ++i) {
        const auto c = static_cast<unsigned char>(simplified[i]);
        if (c == '/')
            out += '-';
        else if (plain(c) && !(i == 0 && c == '.'))
            out += static_cast<char>(c);
        else
            out += hex_escape(c);
    }
    return out;
}

std::string unit_stem(const std::string& list_path) {
    const std::string id = ProductInfo::app_id;
    const std::string named = id + "-" + escape_path(list_path);
    if (named.size() + std::string_view(".service").size() <= kMaxUnitName)
        return named;
    return id + "--" + names::path_hash(list_path);
}

std::string exec_word(std::string_view word) {
    std::string out = "\"";
    for (std::size_t i = 0; i < word.size();) {
        const std::size_t n = utf8_length(word, i);
        const auto c = static_cast<unsigned char>(word[i]);
        if (n == 0 || c < 0x20 || c == 0x7f) {
            out += hex_escape(c);
            ++i;
            continue;
        }
        if (c == '"' || c == '\\')
            out += '\\';
        else if (c == '%' || c == '$')
            out += static_cast<char>(c);
        out.append(word.substr(i, n));
        i += n;
    }
    return out + "\"";
}

std::string service_text(const std::string& program, const std::string& list_path) {
    return "[Unit]\n"
           "Description=Vantorel backup of " +
           description_text(list_path) +
           "\n"
           "\n"
           "[Service]\n"
           "Type=oneshot\n"
           "ExecStart=" +
           exec_word(program) + " --run " + exec_word(list_path) +
           " --notify\n"
           // A backup gives way to what the user is doing.
           "Nice=19\n"
           "IOSchedulingClass=best-effort\n"
           "IOSchedulingPriority=7\n";
}

std::string timer_text(const Schedule& schedule, const std::string& list_path,
                       const std::string& stem) {
    return "[Unit]\n"
           "Description=Vantorel backup of " +
           description_text(list_path) + ", " + describe(schedule) +
           "\n"
           "\n"
           "[Timer]\n"
           "OnCalendar=" +
           on_calendar(schedule) + "\nPersistent=" + (schedule.catch_up ? "true" : "false") +
           "\nUnit=" + stem +
           ".service\n"
           "\n"
           "[Install]\n"
           "WantedBy=timers.target\n";
}

} // namespace vt::units
