#pragma once
#include <cstdint>
#include <ctime>
#include <string>

namespace vt {

// A file's last-write time as the old FAT disks keep it: local time at two-second
// resolution. Comparing at this resolution is what lets a backup on a FAT or exFAT
// disk count as up to date.
struct FileTime {
    std::tm local{}; // seconds rounded down to an even number

    // The FAT date-time layout (year, month, day, hour, minute, seconds / 2 from the
    // most to the least significant bits), widened so that years before 1980 and
    // after 2107 still order correctly.
    std::int64_t packed() const;

    auto operator<=>(const FileTime& other) const { return packed() <=> other.packed(); }
    bool operator==(const FileTime& other) const { return packed() == other.packed(); }
};

FileTime file_time(std::time_t seconds);

// The date-time text of messages and the journal: the locale's short date ("%x"),
// then, unless the time of day is exactly 00:00:00, a blank and its long time ("%X").
std::string date_time_text(const std::tm& local);
std::string date_time_text(const FileTime& time);
std::string current_date_time_text();

} // namespace vt
