#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vt::units {

// A unit file read the way systemd reads it: "[Section]" headers, "Key=Value"
// lines with blanks trimmed, "#" and ";" comment lines, a "\" at a line's end
// joining the next line; the last assignment of a key wins.
class UnitFile {
public:
    explicit UnitFile(std::string_view text);
    std::optional<std::string> value(const std::string& section, const std::string& key) const;

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

// The words of an ExecStart value as the program receives them: "%%" and "$$"
// undoubled, quotes taken off, C escapes ("\\", "\"", "\xNN", "\n" ...) decoded.
// Nothing for an unterminated quote or a broken escape.
std::optional<std::vector<std::string>> exec_words(std::string_view value);

} // namespace vt::units
