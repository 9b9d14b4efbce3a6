#pragma once
#include <cstdint>
#include <string>

namespace vt {

// How the grid printer lays out a grid on paper. A new object has every flag off,
// every number 0 and every text empty.
struct T_pgoptions {
    // First character: alignment letter ('C' centred, 'R' right, anything else
    // left); the rest is the text of the page's second line.
    std::string title;
    // The same for the page's third line.
    std::string subtitle;
    // Character i (from 1) aligns grid column i - 1: L, C or R in either case;
    // missing or another letter means L.
    std::string column_alignments;
    // Print only the cell range below instead of the whole grid.
    bool use_range = false;
    std::int32_t range_left = 0;
    std::int32_t range_top = 0;
    std::int32_t range_right = 0;
    std::int32_t range_bottom = 0;
    bool grid_lines = false;
    // Digit i (from 1) is the number of scaled grid line widths added after grid
    // column (row) i - 1; missing or a non-digit means 1.
    std::string column_spacing;
    std::string row_spacing;
    // Fixed rows and columns on every page instead of only on the first band.
    bool repeat_fixed = false;
    bool page_numbers = false;
    // When off at print time, page numbers go to the right.
    bool page_number_alignment_given = false;
    // 'L', 'C' or 'R' in either case; any other character prints no number.
    char page_number_alignment = '\0';
    std::uint8_t orientation = 0; // 0 portrait, 1 landscape
};

} // namespace vt

namespace vt {

// The options the copy list is printed with: its full file name as a left-aligned
// title, every column left-aligned, the header row on every page, page numbers at
// the right, landscape.
T_pgoptions copy_list_page_options(const std::string& file_name);

} // namespace vt
