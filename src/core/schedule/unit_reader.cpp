#include "core/schedule/unit_reader.h"

namespace vt::units {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decodes the escape after a backslash at text[i]; advances i past it.
bool unescape(std::string_view text, std::size_t& i, std::string& out) {
    if (i >= text.size())
        return false;
    const char c = text[i++];
    switch (c) {
    case 'a':
        out += '\a';
        return true;
    case 'b':
        out += '\b';
        return true;
    case 'f':
        out += '\f';
        return true;
    case 'n':
        out += '\n';
        return true;
    case 'r':
        out += '\r';
        return true;
    case 't':
        out += '\t';
        return true;
    case 'v':
        out += '\v';
        return true;
    case 's':
        out += ' ';
        return true;
    case '\\':
    case '"':
    case '\'':
        out += c;
        return true;
    case 'x': {
        if (i + 2 > text.size())
            return false;
        const int high = hex_digit(text[i]), low = hex_digit(text[i + 1]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
        return true;
    }
    default:
        return false;
    }
}

} // namespace

UnitFile::UnitFile(std::string_view text) {
    std::string section;
    std::string pending; // a line continued with "\"
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trim(text.substr(start, end - start));
        start = end + 1;
        if (pending.empty() && (line.empty() || line.front() == '#' || line.front() == ';'))
            continue;
        if (!line.empty() && line.back() == '\\') {
            pending.append(line.substr(0, line.size() - 1));
            pending += ' ';
            continue;
        }
        std::string whole = pending + std::string(line);
        pending.clear();
        if (whole.size() >= 2 && whole.front() == '[' && whole.back() == ']') {
            section = whole.substr(1, whole.size() - 2);
            continue;
        }
        const std::size_t equals = whole.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key(trim(std::string_view(whole).substr(0, equals)));
        values_[{section, key}] = std::string(trim(std::string_view(whole).substr(equals + 1)));
    }
}

std::optional<std::string> UnitFile::value(const std::string& section,
                                           const std::string& key) const {
    const auto it = values_.find({section, key});
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::vector<std::string>> exec_words(std::string_view value) {
    // Specifiers are expanded before the line is split into words.
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        text += value[i];
        if (value[i] == '%' && i + 1 < value.size() && value[i + 1] == '%')
            ++i;
    }
    std::vector<std::string> words;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= text.size())
            break;
        std::string word;
        char quote = 0;
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (quote) {
                if (c == quote) {
                    quote = 0;
                } else if (c == '\\') {
                    ++i;
                    if (!unescape(text, i, word))
                        return std::nullopt;
                    --i;
                } else {
                    word += c;
                }
            } else if (c == ' ' || c == '\t') {
                break;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '\\') {
                ++i;
                if (!unescape(text, i, word))
                    return std::nullopt;
                --i;
            } else {
                word += c;
            }
        }
        if (quote)
            return std::nullopt;
        // Variables are replaced when the command starts; "$$" stands for "$".
        std::string plain;
        for (std::size_t k = 0; k < word.size(); ++k) {
            plain += word[k];
            if (word[k] == '$' && k + 1 < word.size() && word[k + 1] == '$')
                ++k;
        }
        words.push_back(std::move(plain));
    }
    return words;
}

} // namespace vt::units
