#include "core/print/grid_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vt {
namespace {

int to_int(long long v) {
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int scaled(int length, double factor) {
    return std::max(0, to_int(round_half_even(length * factor)));
}

Band clamped(long long first, long long last, int count) {
    first = std::max<long long>(first, 0);
    last = std::min<long long>(last, count - 1);
    return {to_int(first), to_int(std::max(last, first - 1))};
}

} // namespace

long long round_half_even(double v) {
    if (!std::isfinite(v))
        return 0;
    const double lower = std::floor(v);
    const double fraction = v - lower;
    double result = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0))
        result = lower + 1;
    constexpr double kMax = static_cast<double>(std::numeric_limits<long long>::max() / 2);
    return static_cast<long long>(std::clamp(result, -kMax, kMax));
}

Alignment column_alignment(const T_pgoptions& options, int column) {
    if (column < 0 || static_cast<size_t>(column) >= options.column_alignments.size())
        return Alignment::Left;
    switch (options.column_alignments[static_cast<size_t>(column)]) {
    case 'C':
    case 'c':
        return Alignment::Centre;
    case 'R':
    case 'r':
        return Alignment::Right;
    default:
        return Alignment::Left;
    }
}

Alignment title_alignment(const std::string& title) {
    if (title.empty())
        return Alignment::Left;
    if (title[0] == 'C')
        return Alignment::Centre;
    if (title[0] == 'R')
        return Alignment::Right;
    return Alignment::Left;
}

int spacing_at(const std::string& spacing, int index) {
    if (index < 0 || static_cast<size_t>(index) >= spacing.size())
        return 1;
    const char c = spacing[static_cast<size_t>(index)];
    return c >= '0' && c <= '9' ? c - '0' : 1;
}

std::vector<Band> split_bands(const std::vector<long long>& sizes,
                              const std::vector<long long>& advances, long long start,
                              long long limit) {
    std::vector<Band> bands;
    const int n = static_cast<int>(std::min(sizes.size(), advances.size()));
    long long x = start;
    int first = 0;
    for (int i = 0; i < n; ++i) {
        // An item that reaches the edge starts the next band, unless it is the
        // band's only one: then it is printed cut rather than not at all.
        if (x + sizes[static_cast<size_t>(i)] >= limit && i > first) {
            bands.push_back({first, i - 1});
            first = i;
            x = start;
        }
        x += advances[static_cast<size_t>(i)];
    }
    if (first < n)
        bands.push_back({first, n - 1});
    return bands;
}

GridLayout::GridLayout(const GridGeometry& grid, const T_pgoptions& options,
                       const PrintScale& scale, int page_width, int page_height) {
    const int columns = static_cast<int>(grid.column_widths.size());
    const int rows = static_cast<int>(grid.row_heights.size());
    const int fixed_columns = std::clamp(grid.fixed_columns, 0, columns);
    const int fixed_rows = std::clamp(grid.fixed_rows, 0, rows);

    gy_ = to_int(round_half_even(grid.grid_line_width * scale.sy));
    gx_ = to_int(round_half_even(grid.grid_line_width * scale.sx));
    const int line = to_int(round_half_even(1.2 * scale.text_height));
    // The title always goes on the second line and the subtitle on the third, so the
    // grid starts below the last line in use; counting only the lines in use would
    // let a title without page number, or a subtitle without title, overlap the grid.
    const int heading_lines = !options.subtitle.empty() ? 3
                              : !options.title.empty()  ? 2
                              : options.page_numbers    ? 1
                                                        : 0;
    heading_ = line * heading_lines;

    for (int k = 0; k < columns; ++k) {
        widths_.push_back(scaled(grid.column_widths[static_cast<size_t>(k)], scale.sx));
        column_spacing_.push_back(spacing_at(options.column_spacing, k));
    }
    for (int r = 0; r < rows; ++r)
        heights_.push_back(spacing_at(options.row_spacing, r) * gy_ +
                           scaled(grid.row_heights[static_cast<size_t>(r)], scale.sy));
    for (int k = 0; k < fixed_columns; ++k)
        fixed_width_ += to_int(column_step(k));
    for (int r = 0; r < fixed_rows; ++r)
        fixed_height_ += heights_[static_cast<size_t>(r)];

    const long long range_area =
        (static_cast<long long>(options.range_right) - options.range_left) *
        (static_cast<long long>(options.range_bottom) - options.range_top);
    if (options.use_range && range_area >= 2) {
        column_range_ = clamped(options.range_left, options.range_right, columns);
        row_range_ = clamped(options.range_top, options.range_bottom, rows);
    } else {
        column_range_ = clamped(fixed_columns, columns - 1, columns);
        row_range_ = clamped(fixed_rows, rows - 1, rows);
    }

    std::vector<long long> sizes, advances;
    for (int k = column_range_.first; k <= column_range_.last; ++k) {
        sizes.push_back(widths_[static_cast<size_t>(k)]);
        advances.push_back(column_step(k));
    }
    for (Band b : split_bands(sizes, advances, fixed_width_, page_width))
        column_bands_.push_back({b.first + column_range_.first, b.last + column_range_.first});

    sizes.clear();
    for (int r = row_range_.first; r <= row_range_.last; ++r)
        sizes.push_back(heights_[static_cast<size_t>(r)]);
    for (Band b :
         split_bands(sizes, sizes, static_cast<long long>(heading_) + fixed_height_, page_height))
        row_bands_.push_back({b.first + row_range_.first, b.last + row_range_.first});
}

long long GridLayout::column_step(int column) const {
    const auto k = static_cast<size_t>(column);
    return static_cast<long long>(widths_.at(k)) +
           static_cast<long long>(column_spacing_.at(k)) * gx_;
}

std::vector<PagePlan> GridLayout::pages() const {
    std::vector<PagePlan> plans;
    const std::vector<Band> no_band{Band{}};
    const auto& columns = column_bands_.empty() ? no_band : column_bands_;
    const auto& rows = row_bands_.empty() ? no_band : row_bands_;
    int number = 1;
    for (size_t c = 0; c < columns.size(); ++c)
        for (size_t r = 0; r < rows.size(); ++r)
            plans.push_back({number++, columns[c], rows[r], c == 0, r == 0});
    return plans;
}

long long GridLayout::column_left(const Band& band, int column) const {
    long long left = 0;
    for (int k = band.first; k < column; ++k)
        left += column_step(k);
    return left;
}

long long GridLayout::row_top(const Band& band, int row) const {
    long long top = 0;
    for (int r = band.first; r < row; ++r)
        top += heights_.at(static_cast<size_t>(r));
    return top;
}

} // namespace vt
