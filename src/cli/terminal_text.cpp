#include "cli/terminal_text.h"

namespace vt {
namespace {

void escape(std::string& out, unsigned char byte) {
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

bool continuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the UTF-8 character at the start of `text`; 0 when it is none
// (a stray byte, a sequence cut short, overlong or beyond U+10FFFF, a surrogate).
std::size_t character_length(std::string_view text) {
    const auto at = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range allowed for the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || at(1) < low || at(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!continuation(at(i)))
            return 0;
    return length;
}

} // namespace

std::string terminal_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F)
                escape(out, byte);
            else
                out += static_cast<char>(byte);
            ++i;
            continue;
        }
        const std::size_t length = character_length(text.substr(i));
        // U+0080 to U+009F are controls too: some terminals take U+009B for CSI.
        const bool c1 =
            length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (length == 0 || c1) {
            const std::size_t end = i + (length == 0 ? 1 : length);
            for (; i < end; ++i)
                escape(out, static_cast<unsigned char>(text[i]));
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

} // namespace vt
