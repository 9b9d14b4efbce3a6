#include "core/list/list_file.h"

#include "core/platform/atomic_file.h"
#include "core/platform/whole_file.h"

#include <algorithm>
#include <cerrno>

namespace vt {
namespace {

bool is_blank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

// Calls f for each line of text; a line ends at CR LF, LF or CR.
template <class F> void for_each_line(std::string_view text, F f) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            f(text.substr(start));
            return;
        }
        f(text.substr(start, end - start));
        start =
            end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
}

// The error of a list holding a NUL at `at`, naming its line (counted as the reader
// counts them).
std::string damaged_list_text(std::string_view text, size_t at) {
    int line = 0;
    for_each_line(text.substr(0, at + 1), [&line](std::string_view) { ++line; });
    return "Damaged list file: line " + std::to_string(line) + " holds a NUL byte";
}

} // namespace

std::vector<std::string> split_items(std::string_view line) {
    // The whole line counts: folder names alone may be 4096 bytes long, so a cut
    // would silently change a folder and drop the flags after it.
    //
    // A NUL ends the text, as it would end the classic character buffer.
    if (const auto nul = line.find('\0'); nul != std::string_view::npos)
        line = line.substr(0, nul);

    std::vector<std::string> items;
    size_t p = 0;
    const size_t n = line.size();
    while (p < n && is_blank(line[p]))
        ++p;
    while (p < n) {
        std::string item;
        if (line[p] == '"') {
            ++p;
            while (p < n) {
                if (line[p] == '"') {
                    if (p + 1 < n && line[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += line[p++];
            }
        } else {
            const size_t start = p;
            while (p < n && !is_blank(line[p]) && line[p] != ',')
                ++p;
            item.assign(line.substr(start, p - start));
        }
        items.push_back(std::move(item));
        while (p < n && is_blank(line[p]))
            ++p;
        if (p < n && line[p] == ',') {
            if (p + 1 == n)
                items.emplace_back(); // a comma at the very end gives one more, empty item
            do
                ++p;
            while (p < n && is_blank(line[p]));
        }
    }
    return items;
}

CopyLine line_from_items(const std::vector<std::string>& items) {
    CopyLine line;
    for (size_t i = 0; i < line.size() && i < items.size(); ++i)
        line[i] = items[i];
    return line;
}

CopyLine parse_entry_line(std::string_view text) {
    return line_from_items(split_items(text));
}

std::string entry_line(const CopyLine& line) {
    std::string text = "\"";
    for (size_t i = 0; i < line.size(); ++i) {
        if (i > 0)
            text += "\",\"";
        // A quote inside a field is doubled, as the reader expects; written bare it
        // would end the field and shift every field after it.
        for (const char c : line[i]) {
            text += c;
            if (c == '"')
                text += '"';
        }
    }
    text += '"';
    return text;
}

std::string list_file_text(const CopyList& list) {
    std::string text;
    if (!list.message().empty()) {
        // A line break would split the message, or start an entry line of its own.
        std::string message = list.message();
        std::replace_if(
            message.begin(), message.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
        text += message + "\r\n";
    }
    for (const auto& line : list.lines()) {
        text += entry_line(line);
        text += "\r\n";
    }
    return text;
}

std::string list_file_error_text(int code) {
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        return "File not found";
    case EACCES:
    case ENXIO: // a socket or a device without its driver
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return "File access denied";
    case ENAMETOOLONG:
    case EINVAL:
        return "Invalid filename";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case ENOSPC:
    case EDQUOT:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(code);
    }
}

IoResult save_vtl(CopyList& list, const std::string& file_name) {
    list.set_file_name(file_name);
    const IoResult written = replace_file(file_name, list_file_text(list));
    if (!written)
        return IoResult::failure(written.error_code, list_file_error_text(written.error_code));
    list.mark_saved();
    return IoResult::success();
}

IoResult load_vtl(CopyList& list, const std::string& file_name) {
    std::string content;
    if (const IoResult r = read_whole_file(file_name, content); !r)
        return IoResult::failure(r.error_code, list_file_error_text(r.error_code));
    // No list text holds a NUL: a file with one is damaged (or in another encoding,
    // UTF-16 say), and reading on would silently lose the rest of its line.
    if (const auto nul = content.find('\0'); nul != std::string::npos)
        return IoResult::failure(EILSEQ, damaged_list_text(content, nul));
    std::vector<CopyLine> lines;
    std::string message = list.message();
    bool message_seen = false;
    for_each_line(content, [&](std::string_view text) {
        if (text.empty())
            return; // neither an entry nor a message: passed over
        if (text.front() == '"') {
            lines.push_back(parse_entry_line(text));
        } else {
            message.assign(text);
            message_seen = true;
        }
    });
    list.set_file_name(file_name);
    list.replace_lines(std::move(lines));
    if (list.line_count() > 0)
        list.set_current_row(1);
    if (message_seen)
        list.set_message(std::move(message));
    list.set_modified(false);
    return IoResult::success();
}

std::vector<std::string> grid_to_vtl(const CopyList& list) {
    std::vector<std::string> text;
    text.reserve(list.lines().size());
    for (const auto& line : list.lines())
        text.push_back(entry_line(line));
    return text;
}

void vtl_to_grid(CopyList& list, const std::vector<std::string>& text) {
    std::vector<CopyLine> lines;
    lines.reserve(text.size());
    for (const auto& t : text)
        lines.push_back(parse_entry_line(t));
    list.replace_lines(std::move(lines));
}

} // namespace vt
