#include "core/platform/error_text.h"

#include "core/platform/io_result.h"

#include <cstring>

namespace vt {

std::string trim_message_end(std::string text) {
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.back());
        if (c <= ' ' || c == '.' || c == 0x7f)
            text.pop_back();
        else
            break;
    }
    return text;
}

std::string system_error_text(int error_code) {
    char buffer[257] = {};
    // The GNU variant may return a static string instead of filling the buffer.
    const char* message = strerror_r(error_code, buffer, sizeof buffer - 1);
    std::string text = message ? message : "";
    if (text.size() > 256)
        text.resize(256);
    return trim_message_end(std::move(text));
}

IoResult IoResult::from_errno(int code) {
    return failure(code, system_error_text(code));
}

} // namespace vt
