#pragma once
#include "core/schedule/schedule.h"

#include <string>
#include <string_view>

// The systemd user units of a scheduled list: a oneshot service that runs the list
// without a window, and a timer that starts it.
namespace vt::units {

// The longest unit name systemd accepts, suffix included.
inline constexpr std::size_t kMaxUnitName = 255;

// A path escaped as `systemd-escape --path` does: "/" between parts becomes "-",
// letters, digits, ":", "_" and "." (not leading) stay, every other byte is "\xNN".
std::string escape_path(std::string_view path);

// The units' name without suffix: the application id, "-" and the escaped list path.
// A path too long for that gets the id, "--" and a hash of the path instead; an
// escaped path never holds "--", so the two kinds of names cannot meet.
std::string unit_stem(const std::string& list_path);

// A word of an ExecStart line, quoted so that systemd hands the program exactly
// these bytes: inside double quotes, "\" and '"' escaped, "%" and "$" doubled
// (specifiers and variables), control characters and bytes that are not UTF-8 as
// "\xNN".
std::string exec_word(std::string_view word);

// Unit file texts. `list_path` is the canonical path of the list; `program` the
// path of the program that runs it.
std::string service_text(const std::string& program, const std::string& list_path);
std::string timer_text(const Schedule& schedule, const std::string& list_path,
                       const std::string& stem);

} // namespace vt::units
