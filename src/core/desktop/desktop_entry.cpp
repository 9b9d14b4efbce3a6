#include "core/desktop/desktop_entry.h"

namespace vt::desktop_entry {

std::string escape_value(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            out += i == 0 ? "\\s" : " ";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string exec_argument(std::string_view argument) {
    static constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#`()";
    const bool quote =
        argument.empty() || argument.find_first_of(reserved) != std::string_view::npos;
    std::string out = quote ? "\"" : "";
    for (char c : argument) {
        if (c == '%') {
            out += "%%";
            continue;
        }
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += '\\';
        out += c;
    }
    if (quote)
        out += '"';
    return out;
}

std::string compose(const Entry& entry) {
    std::string out = "[Desktop Entry]\n";
    auto key = [&](const char* name, const std::string& value) {
        if (!value.empty())
            out += std::string(name) + "=" + escape_value(value) + "\n";
    };
    key("Type", entry.type);
    key("Name", entry.name);
    key("GenericName", entry.generic_name);
    key("Comment", entry.comment);
    key("Icon", entry.icon);
    key("Exec", entry.exec);
    key("Path", entry.path);
    key("Categories", entry.categories);
    key("Keywords", entry.keywords);
    key("MimeType", entry.mime_type);
    if (entry.no_display)
        out += "NoDisplay=true\n";
    return out;
}

} // namespace vt::desktop_entry
