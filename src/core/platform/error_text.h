#pragma once
#include <string>

namespace vt {

// The system's message for an error code (strerror), at most 256 characters,
// with trailing blanks, control characters and periods removed.
std::string system_error_text(int error_code);

// Trailing blanks, control characters and full stops removed.
std::string trim_message_end(std::string text);

} // namespace vt
