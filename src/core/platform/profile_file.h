#pragma once
#include "core/platform/io_result.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

// An INI-format profile file held as its lines, so that writing one value changes
// that value's line only: every other section, key, comment, blank line and line end
// stays as it was.
//
// Reading follows the classic profile rules: section and key names are compared
// without regard to (ASCII) letter case, blanks around names and values are ignored,
// the first of two equal sections or keys wins, and at most kMaxValueLength
// characters of a value are seen. Lines starting with ";" are comments.
class ProfileFile {
public:
    static constexpr std::size_t kMaxValueLength = 1023;

    ProfileFile() = default;
    explicit ProfileFile(std::string_view text);

    // The whole file as it would be written.
    std::string text() const;

    // The value of a key, or nothing when the section or the key is missing. A key
    // present with nothing after its "=" gives the empty text.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string read_string(std::string_view section, std::string_view key,
                            const std::string& fallback) const;
    // Text read as an integer (see parse_profile_integer); missing or invalid: fallback.
    int read_integer(std::string_view section, std::string_view key, int fallback) const;
    // An integer other than 0 is true.
    bool read_bool(std::string_view section, std::string_view key, bool fallback) const;

    // Sets a key, adding the key after the section's last one, or the section at the
    // end of the file. A value holding a line break cannot be stored on one line and
    // is written empty: a name with a line feed must not inject keys or sections.
    void write_string(std::string_view section, std::string_view key, std::string_view value);
    void write_integer(std::string_view section, std::string_view key, int value);
    void write_bool(std::string_view section, std::string_view key, bool value);
    // Removes every section of that name with all its lines.
    void erase_section(std::string_view section);

private:
    struct Line {
        std::string text; // without the line end
        std::string end;  // "\r\n", "\n" or empty for a last line without one
    };
    enum class Kind { Blank, Comment, Section, Key, Other };
    struct Parsed {
        Kind kind = Kind::Other;
        std::string_view name; // section or key name, trimmed
        std::string_view value;
    };
    static Parsed parse(const std::string& line);
    // Index of the first section header of that name, or npos.
    std::size_t find_section(std::string_view section) const;
    // One past the last line belonging to the section whose header is at `header`.
    std::size_t section_end(std::size_t header) const;
    std::string line_end() const;

    std::vector<Line> lines_;
};

// The integer forms of a profile value: decimal with an optional sign; "$" followed
// by hexadecimal digits; "0x" or "0X" followed by hexadecimal digits when the text is
// longer than two characters. Hexadecimal values up to FFFFFFFF wrap to 32 bits.
// Anything else, out-of-range decimals included, gives nothing.
std::optional<int> parse_profile_integer(std::string_view text);

// Reads a profile file. A missing file gives an empty profile and success; a file
// that exists but cannot be read gives the system's error.
IoResult read_profile_file(const std::string& path, ProfileFile& profile);

// Replaces the file with the profile's text (complete or not at all), creating the
// missing folders above it first.
IoResult write_profile_file(const std::string& path, const ProfileFile& profile);

} // namespace vt
