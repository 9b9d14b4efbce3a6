#pragma once
#include <string>
#include <utility>

namespace vt {

// Outcome of an I/O function: success, or the system's error code and text.
// The caller decides how (and whether) to show it.
struct IoResult {
    bool ok = true;
    int error_code = 0;
    std::string error; // system error text, already cleaned (see error_text.h)

    static IoResult success() { return {}; }
    static IoResult failure(int code, std::string text) { return {false, code, std::move(text)}; }
    static IoResult from_errno(int code); // text from system_error_text(code)
    explicit operator bool() const { return ok; }
};

} // namespace vt
