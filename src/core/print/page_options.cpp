#include "core/print/page_options.h"

namespace vt {

T_pgoptions copy_list_page_options(const std::string& file_name) {
    T_pgoptions options;
    options.title = "L" + file_name;
    options.subtitle.clear();
    options.column_alignments = "LLLLLLLLLL";
    options.use_range = false;
    options.grid_lines = false;
    options.column_spacing.clear();
    options.row_spacing.clear();
    options.repeat_fixed = true;
    options.page_numbers = true;
    options.page_number_alignment_given = true;
    options.page_number_alignment = 'R';
    options.orientation = 1;
    return options;
}

} // namespace vt
