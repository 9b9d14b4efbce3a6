#include "core/print/grid_layout.h"

#include <cmath>
#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(GridLayoutTest, RoundsHalvesToTheEvenNeighbour) {
    const struct {
        double value;
        long long rounded;
    } cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},    {3.5, 4}, {-0.5, 0},
                 {-1.5, -2}, {2.4999, 2}, {2.5001, 3}, {7.0, 7}, {-2.6, -3}};
    for (const auto& c : cases)
        EXPECT_EQ(round_half_even(c.value), c.rounded) << c.value;
    // Sizes far out of range give large values of the right sign, not overflow.
    EXPECT_GT(round_half_even(1e300), 1LL << 60);
    EXPECT_LT(round_half_even(-1e300), -(1LL << 60));
    EXPECT_EQ(round_half_even(std::nan("")), 0);
}

TEST(GridLayoutTest, SplitsIntoBandsThatFitTheLimit) {
    using V = std::vector<long long>;
    const struct {
        const char* label;
        V sizes;
        long long start, limit;
        std::vector<Band> bands;
    } cases[] = {
        {"all fit", {10, 10, 10}, 0, 100, {{0, 2}}},
        {"reaching the edge exactly starts a new band", {50, 50}, 0, 100, {{0, 0}, {1, 1}}},
        {"the start counts", {30, 30, 30}, 20, 100, {{0, 1}, {2, 2}}},
        {"an item wider than the page has a band of its own",
         {30, 150, 30},
         0,
         100,
         {{0, 0}, {1, 1}, {2, 2}}},
        {"a first item too wide makes no empty band", {150, 10}, 0, 100, {{0, 0}, {1, 1}}},
        {"a last item that does not fit gets a band of its own",
         {60, 60},
         0,
         100,
         {{0, 0}, {1, 1}}},
        {"nothing gives no band", {}, 0, 100, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(split_bands(c.sizes, c.sizes, c.start, c.limit), c.bands) << c.label;
}

TEST(GridLayoutTest, ColumnSpacingAdvancesButDoesNotCountForTheFit) {
    // Width 40 each, advance 40 + 30: the second column starts at 70 and ends at
    // 110 >= 100, so it starts a band; the bare widths alone would have fitted.
    EXPECT_EQ(split_bands({40, 40}, {70, 70}, 0, 100), (std::vector<Band>{{0, 0}, {1, 1}}));
}

GridGeometry grid(int columns, int rows, int width, int height) {
    GridGeometry g;
    g.column_widths.assign(static_cast<size_t>(columns), width);
    g.row_heights.assign(static_cast<size_t>(rows), height);
    return g;
}

TEST(GridLayoutTest, ScalesTheScreenGeometryWithSpacingAndGaps) {
    GridGeometry g;
    g.column_widths = {10, 21, 0};
    g.row_heights = {18, 18, 5};
    g.fixed_columns = 1;
    g.fixed_rows = 1;
    g.grid_line_width = 1;
    T_pgoptions options;
    options.column_spacing = "2";
    options.row_spacing = "x3";
    options.page_numbers = true;
    options.title = "L"; // an empty title line still takes its height
    const GridLayout layout(g, options, {2.5, 1.5, 30}, 10000, 10000);

    EXPECT_EQ(layout.gx(), 2);             // rnd(2.5)
    EXPECT_EQ(layout.gy(), 2);             // rnd(1.5)
    EXPECT_EQ(layout.column_width(0), 25); // rnd(10 * 2.5) = rnd(25)
    EXPECT_EQ(layout.column_width(1), 52); // rnd(52.5)
    EXPECT_EQ(layout.column_width(2), 0);
    EXPECT_EQ(layout.column_step(0), 25 + 2 * 2); // spacing digit 2
    EXPECT_EQ(layout.column_step(1), 52 + 1 * 2); // missing digit means 1
    EXPECT_EQ(layout.row_height(0), 1 * 2 + 27);  // "x" means 1
    EXPECT_EQ(layout.row_height(1), 3 * 2 + 27);
    EXPECT_EQ(layout.row_height(2), 1 * 2 + 8); // rnd(7.5) = 8
    EXPECT_EQ(layout.fixed_width(), 29);
    EXPECT_EQ(layout.fixed_height(), 29);
    EXPECT_EQ(layout.heading_height(), 2 * 36); // two lines of rnd(1.2 * 30)
    EXPECT_EQ(layout.column_range(), (Band{1, 2}));
    EXPECT_EQ(layout.row_range(), (Band{1, 2}));
}

TEST(GridLayoutTest, TheGridStartsBelowTheLastHeadingLineInUse) {
    const struct {
        bool numbers;
        const char* title;
        const char* subtitle;
        int lines;
    } cases[] = {{false, "", "", 0},  {true, "", "", 1},    {false, "L", "", 2},
                 {true, "Lx", "", 2}, {true, "Lx", "C", 3}, {false, "", "Rsub", 3}};
    for (const auto& c : cases) {
        T_pgoptions options;
        options.page_numbers = c.numbers;
        options.title = c.title;
        options.subtitle = c.subtitle;
        const GridLayout layout(grid(1, 1, 10, 10), options, {1, 1, 11}, 1000, 1000);
        EXPECT_EQ(layout.heading_height(), c.lines * 13) << c.title << "|" << c.subtitle;
    }
}

TEST(GridLayoutTest, PagesRunDownFirstThenAcrossAndEveryRowAndColumnIsOnOne) {
    // 3 columns of 40 on a page 100 wide: bands {0,1} {2}; 10 rows of 20 below a
    // heading of 24 and one fixed row on a page 100 high: 24 + 20 + 2 * 20 < 100.
    GridGeometry g = grid(3, 11, 40, 20);
    g.fixed_rows = 1;
    T_pgoptions options;
    options.page_numbers = true;
    const GridLayout layout(g, options, {1, 1, 20}, 100, 100);
    ASSERT_EQ(layout.heading_height(), 24);
    EXPECT_EQ(layout.column_bands(), (std::vector<Band>{{0, 1}, {2, 2}}));
    EXPECT_EQ(layout.row_bands(), (std::vector<Band>{{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}));

    const auto pages = layout.pages();
    ASSERT_EQ(pages.size(), 10u);
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_EQ(pages[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(pages[i].columns, layout.column_bands()[i / 5]);
        EXPECT_EQ(pages[i].rows, layout.row_bands()[i % 5]);
        EXPECT_EQ(pages[i].first_column_band, i < 5);
        EXPECT_EQ(pages[i].first_row_band, i % 5 == 0);
    }
    EXPECT_EQ(layout.column_left({0, 1}, 1), 40);
    EXPECT_EQ(layout.row_top({3, 4}, 4), 20);
}

TEST(GridLayoutTest, TheLastRowIsNotPushedPastThePageBottom) {
    // Three rows end at 75; the fourth would reach the page's edge and gets a page.
    const GridLayout layout(grid(1, 4, 10, 25), T_pgoptions{}, {1, 1, 20}, 100, 100);
    EXPECT_EQ(layout.row_bands(), (std::vector<Band>{{0, 2}, {3, 3}}));
}

TEST(GridLayoutTest, AnEmptyGridStillMakesOnePage) {
    GridGeometry g = grid(5, 1, 10, 10);
    g.fixed_rows = 1; // only the header, nothing below it
    const GridLayout layout(g, T_pgoptions{}, {1, 1, 10}, 100, 100);
    EXPECT_TRUE(layout.row_bands().empty());
    const auto pages = layout.pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].number, 1);
}

TEST(GridLayoutTest, UsesARangeOnlyWhenItSpansAtLeastTwoCells) {
    const struct {
        int left, top, right, bottom;
        Band columns, rows;
    } cases[] = {
        {1, 1, 2, 3, {1, 2}, {1, 3}},     // 1 x 2: used
        {1, 1, 2, 2, {0, 3}, {0, 9}},     // 1 x 1: the whole grid
        {2, 0, 2, 9, {0, 3}, {0, 9}},     // one column: 0 x 9
        {-5, -5, 99, 99, {0, 3}, {0, 9}}, // clamped to the grid
    };
    for (const auto& c : cases) {
        T_pgoptions options;
        options.use_range = true;
        options.range_left = c.left;
        options.range_top = c.top;
        options.range_right = c.right;
        options.range_bottom = c.bottom;
        const GridLayout layout(grid(4, 10, 10, 10), options, {1, 1, 10}, 1000, 1000);
        EXPECT_EQ(layout.column_range(), c.columns) << c.left << "," << c.top;
        EXPECT_EQ(layout.row_range(), c.rows) << c.left << "," << c.top;
    }
}

} // namespace
} // namespace vt
