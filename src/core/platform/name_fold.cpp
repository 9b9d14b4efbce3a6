#include "core/platform/name_fold.h"

#include <clocale>
#include <cstdint>
#include <locale.h>
#include <wctype.h>

namespace vt {
namespace {

// The capitals of Unicode whatever locale the program runs in; null where the C
// library has no UTF-8 locale (then only ASCII letters fold).
locale_t unicode_locale() {
    static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The code point at `at` and its length in bytes; 0 bytes for what is not UTF-8 (a
// stray byte, a sequence cut short or too long, a surrogate).
std::size_t decode(std::string_view s, std::size_t at, char32_t& c) {
    const auto lead = static_cast<unsigned char>(s[at]);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > s.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(s[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string fold_name(std::string_view name) {
    std::string folded;
    folded.reserve(name.size());
    const locale_t locale = unicode_locale();
    for (std::size_t at = 0; at < name.size();) {
        const auto byte = static_cast<unsigned char>(name[at]);
        if (byte < 0x80) {
            folded.push_back(byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A')
                                                        : static_cast<char>(byte));
            ++at;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = decode(name, at, c);
        if (length == 0) {
            // Kept apart from every letter: a surrogate, which no UTF-8 name holds,
            // stands for the byte.
            append_utf8(folded, 0xDC00 + byte);
            ++at;
            continue;
        }
        if (locale != locale_t{})
            c = static_cast<char32_t>(::towupper_l(static_cast<wint_t>(c), locale));
        append_utf8(folded, c);
        at += length;
    }
    return folded;
}

} // namespace vt
