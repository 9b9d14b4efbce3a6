#pragma once
#include "core/list/copy_list.h"
#include "core/platform/io_result.h"

#include <string>
#include <string_view>
#include <vector>

// The list file format: an optional message line and one quoted, comma-separated
// entry line per copy specification line, each ended by CR LF.
namespace vt {

// Splits one entry line into items by the comma-text rules: quoted items may hold
// commas and blanks ("" stands for one quote); unquoted items end at a comma or a
// character of code 32 or less. The line counts whole, however long.
std::vector<std::string> split_items(std::string_view line);

// The line's five fields from items 1 to 5; missing items give empty fields.
CopyLine line_from_items(const std::vector<std::string>& items);
CopyLine parse_entry_line(std::string_view line);

// The entry line of a copy line, without the line end; a quote in a field is doubled.
std::string entry_line(const CopyLine& line);

// The whole file's text as save_vtl writes it.
std::string list_file_text(const CopyList& list);

// Writes the list and its message to `file_name` and makes it the current list file.
// The old file is replaced only by a complete new one. The error text is the one
// for the list's error box ("Disk full", "File access denied", ...).
IoResult save_vtl(CopyList& list, const std::string& file_name);

// Replaces the lines with those of `file_name` and makes it the current list file.
// On failure nothing of the list changes, its name included. A file holding a NUL
// byte is refused as damaged.
IoResult load_vtl(CopyList& list, const std::string& file_name);

// The list text: one entry line per grid row, without the message.
std::vector<std::string> grid_to_vtl(const CopyList& list);
// Replaces the lines with the list text's, every line split as an entry line.
void vtl_to_grid(CopyList& list, const std::vector<std::string>& text);

// The list file's error message for a system error code ("File not found", ...).
std::string list_file_error_text(int error_code);

} // namespace vt
