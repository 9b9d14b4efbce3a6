#include "core/platform/file_time.h"

namespace vt {

std::int64_t FileTime::packed() const {
    std::int64_t v = static_cast<std::int64_t>(local.tm_year) + 1900 - 1980;
    v = (v << 4) | (local.tm_mon + 1);
    v = (v << 5) | local.tm_mday;
    v = (v << 5) | local.tm_hour;
    v = (v << 6) | local.tm_min;
    v = (v << 5) | (local.tm_sec / 2);
    return v;
}

FileTime file_time(std::time_t seconds) {
    FileTime t;
    if (!::localtime_r(&seconds, &t.local))
        t.local = std::tm{};
    // A leap second (60) stays within the 5-bit field as 30.
    t.local.tm_sec -= t.local.tm_sec % 2;
    return t;
}

std::string date_time_text(const std::tm& local) {
    char buffer[256];
    std::string text;
    if (std::strftime(buffer, sizeof buffer, "%x", &local) > 0)
        text = buffer;
    if (local.tm_hour != 0 || local.tm_min != 0 || local.tm_sec != 0) {
        if (std::strftime(buffer, sizeof buffer, "%X", &local) > 0)
            text += std::string(" ") + buffer;
    }
    return text;
}

std::string date_time_text(const FileTime& time) {
    return date_time_text(time.local);
}

std::string current_date_time_text() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return date_time_text(local);
}

} // namespace vt
