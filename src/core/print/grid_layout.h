#pragma once
#include "core/print/page_options.h"

#include <string>
#include <vector>

// Where the cells of a grid go on printed pages: scaled sizes, bands of columns
// and rows that fit a page, and the order of the pages. Pure arithmetic, so the
// grid printer only draws.
namespace vt {

// v rounded to the nearest integer, an exact half to the even neighbour.
long long round_half_even(double v);

enum class Alignment { Left, Centre, Right };
// The alignment of grid column `column` from the options' letters.
Alignment column_alignment(const T_pgoptions& options, int column);
// The alignment letter of a title or subtitle: "C" centres, "R" right, else left.
Alignment title_alignment(const std::string& title);
// The digit for `index` in a spacing text; 1 when missing or not a digit.
int spacing_at(const std::string& spacing, int index);

// The grid as it stands on screen, in screen pixels.
struct GridGeometry {
    std::vector<int> column_widths;
    std::vector<int> row_heights;
    int fixed_columns = 0;
    int fixed_rows = 0;
    int grid_line_width = 0;
};

// Measures on the printer relative to the screen.
struct PrintScale {
    double sx = 1;       // printer width of a letter / its screen width
    double sy = 1;       // the same for heights
    int text_height = 0; // printer height of a line of text
};

// A run of grid columns (or rows), first to last inclusive.
struct Band {
    int first = 0;
    int last = -1;
    bool operator==(const Band&) const = default;
};

struct PagePlan {
    int number = 1;
    Band columns;
    Band rows;
    bool first_column_band = true;
    bool first_row_band = true;
};

// Splits items [0, n) into bands: starting at `start`, an item of `size` that would
// reach `limit` begins a new band (the run restarting at `start`); each item then
// moves on by its `advance`. An item that alone does not fit gets a band of its
// own; no band is empty.
std::vector<Band> split_bands(const std::vector<long long>& sizes,
                              const std::vector<long long>& advances, long long start,
                              long long limit);

class GridLayout {
public:
    GridLayout(const GridGeometry& grid, const T_pgoptions& options, const PrintScale& scale,
               int page_width, int page_height);

    int gx() const { return gx_; }
    int gy() const { return gy_; }
    // Total height of the page number, title and subtitle lines.
    int heading_height() const { return heading_; }
    int fixed_width() const { return fixed_width_; }
    int fixed_height() const { return fixed_height_; }
    int column_width(int column) const { return widths_.at(static_cast<size_t>(column)); }
    int row_height(int row) const { return heights_.at(static_cast<size_t>(row)); }
    // Width a column takes on paper including the spacing after it.
    long long column_step(int column) const;

    Band column_range() const { return column_range_; }
    Band row_range() const { return row_range_; }
    const std::vector<Band>& column_bands() const { return column_bands_; }
    const std::vector<Band>& row_bands() const { return row_bands_; }

    // Pages down the list first, then across; numbered from 1. Always at least one.
    std::vector<PagePlan> pages() const;

    // Left edge of `column` within `band` (relative to the first column of it);
    // top of `row` within its band.
    long long column_left(const Band& band, int column) const;
    long long row_top(const Band& band, int row) const;

private:
    std::vector<int> widths_;
    std::vector<int> heights_;
    std::vector<int> column_spacing_;
    int gx_ = 0;
    int gy_ = 0;
    int heading_ = 0;
    int fixed_width_ = 0;
    int fixed_height_ = 0;
    Band column_range_;
    Band row_range_;
    std::vector<Band> column_bands_;
    std::vector<Band> row_bands_;
};

} // namespace vt
