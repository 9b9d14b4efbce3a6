#include "gui/print/grid_printer.h"
#include "gui/print/list_printing.h"
#include "gui/print/pdf_reader.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/saved_list.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QPdfWriter>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>

namespace vt {
namespace {

using test::PdfLayout;
using test::text_lines;

std::string numbered(const char* prefix, int i) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%03d", prefix, i);
    return buffer;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class ListPrintingTest : public ::testing::Test {
protected:
    std::unique_ptr<TVT_main_Form> open(const std::string& argument = {}) {
        return test::open_main_window({&prompter, &desktop}, argument);
    }

    std::string saved_list(const std::string& relative, int lines) {
        std::vector<CopyLine> rows;
        for (int i = 1; i <= lines; ++i)
            rows.push_back(
                {numbered("/source/line", i), "*.*", numbered("/backup/line", i), "Yes", "No"});
        return test::save_list(dir / relative, rows);
    }

    // Prints the window's list as the Print command does, into a PDF file.
    std::string print(TVT_main_Form& form, const std::string& pdf_name = "out.pdf") {
        const std::string pdf = dir / pdf_name;
        QPdfWriter writer(QString::fromStdString(pdf));
        EXPECT_TRUE(print_copy_list(writer, *form.FileList_StringGrid, form.document()));
        return pdf;
    }

    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
};

TEST_F(ListPrintingTest, AnEmptyListPrintsOneLandscapePageWithNumberTitleAndHeader) {
    const std::string name = saved_list("Daily.vtl", 0);
    auto form = open(name);
    const std::string pdf = print(*form);

    const auto pages = test::pdf_pages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(contains(pages[0], "Page 1"));
    EXPECT_TRUE(contains(pages[0], name));
    EXPECT_TRUE(contains(pages[0], "Source Directory"));
    EXPECT_TRUE(contains(pages[0], "Destination Directory"));

    const PdfLayout layout = test::pdf_layout(pdf);
    ASSERT_EQ(layout.pages.size(), 1u);
    EXPECT_GT(layout.pages[0].width, layout.pages[0].height);
    const auto* number = layout.find(1, "Page");
    const auto* header = layout.find(1, "Source");
    ASSERT_TRUE(number && header);
    EXPECT_GT(number->x_min, layout.pages[0].width / 2); // at the right
    EXPECT_LT(header->x_min, layout.pages[0].width / 10);
}

TEST_F(ListPrintingTest, ALongListContinuesOnPagesThatEachStartWithTheHeader) {
    auto form = open(saved_list("Long.vtl", 100));
    const auto pages = test::pdf_pages(print(*form));
    ASSERT_GE(pages.size(), 3u);

    int next_line = 1;
    for (size_t p = 0; p < pages.size(); ++p) {
        std::vector<std::string> lines;
        for (const std::string& line : text_lines(pages[p]))
            if (!line.empty())
                lines.push_back(line);
        ASSERT_GE(lines.size(), 3u) << "page " << p + 1;
        EXPECT_TRUE(contains(lines[0], "Page " + std::to_string(p + 1))) << lines[0];
        EXPECT_TRUE(contains(lines[1], "Long.vtl")) << lines[1];
        EXPECT_TRUE(contains(lines[2], "Source Directory")) << lines[2];
        for (size_t i = 3; i < lines.size(); ++i) {
            // Every line of the list once, in order, source and destination together.
            EXPECT_TRUE(contains(lines[i], numbered("/source/line", next_line))) << lines[i];
            EXPECT_TRUE(contains(lines[i], numbered("/backup/line", next_line))) << lines[i];
            ++next_line;
        }
    }
    EXPECT_EQ(next_line, 101);
}

TEST_F(ListPrintingTest, ACellWiderThanItsColumnIsCutAtTheEnd) {
    auto form = open();
    const std::string spec = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    form->document().append_line({"/src", spec, "/dst", "Yes", "No"});
    const PdfLayout layout = test::pdf_layout(print(*form));

    const test::PdfWord* cut = nullptr;
    for (const auto& w : layout.words)
        if (w.text.rfind("ABCD", 0) == 0)
            cut = &w;
    const auto* destination = layout.find(1, "/dst");
    ASSERT_TRUE(cut && destination);
    EXPECT_LT(cut->text.size(), spec.size());
    EXPECT_EQ(spec.substr(0, cut->text.size()), cut->text);
    EXPECT_LE(cut->x_max, destination->x_min); // it stays inside its own column
}

TEST_F(ListPrintingTest, AnUntitledListPrintsAnEmptyTitleLineAboveTheGrid) {
    const std::string name = saved_list("Titled.vtl", 1);
    auto titled = open(name);
    const PdfLayout with_title = test::pdf_layout(print(*titled, "titled.pdf"));
    titled->menu.New1->trigger();
    titled->document().append_line({"/source/line001", "*.*", "/backup/line001", "Yes", "No"});
    const PdfLayout untitled = test::pdf_layout(print(*titled, "untitled.pdf"));

    const auto* header = untitled.find(1, "Source");
    const auto* header_titled = with_title.find(1, "Source");
    const auto* number = untitled.find(1, "Page");
    ASSERT_TRUE(header && header_titled && number);
    EXPECT_DOUBLE_EQ(header->y_min, header_titled->y_min);
    // Nothing between the page number and the header.
    for (const auto& w : untitled.words)
        EXPECT_FALSE(w.y_min > number->y_max && w.y_max < header->y_min) << w.text;
    ASSERT_TRUE(with_title.find(1, name));
    EXPECT_GT(with_title.find(1, name)->y_min, number->y_max);
    EXPECT_LT(with_title.find(1, name)->y_max, header->y_min + 0.5);
}

TEST_F(ListPrintingTest, WideningAColumnOnScreenWidensItOnPaperInProportion) {
    auto form = open(saved_list("Daily.vtl", 1));
    auto column_starts = [&](const std::string& pdf) {
        const PdfLayout layout = test::pdf_layout(pdf);
        const auto* source = layout.find(1, "Source");
        const auto* file = layout.find(1, "File");
        EXPECT_TRUE(source && file);
        return source && file ? file->x_min - source->x_min : 0.0;
    };
    form->FileList_StringGrid->setColumnWidth(0, 200);
    const double narrow = column_starts(print(*form, "narrow.pdf"));
    form->FileList_StringGrid->setColumnWidth(0, 300);
    const double wide = column_starts(print(*form, "wide.pdf"));
    EXPECT_NEAR(wide / narrow, 1.5, 0.02);
}

// --- The routine on a grid of its own -------------------------------------

class GridPrinterTest : public ::testing::Test {
protected:
    // A grid of `columns` x `rows` cells "rRcC", one fixed column and row.
    PrintableGrid grid(int columns, int rows, int width) {
        PrintableGrid g;
        g.geometry.column_widths.assign(static_cast<size_t>(columns), width);
        g.geometry.row_heights.assign(static_cast<size_t>(rows), 18);
        g.geometry.fixed_columns = 1;
        g.geometry.fixed_rows = 1;
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(13);
        g.font = font;
        g.cell = [](int c, int r) { return QStringLiteral("r%1c%2").arg(r).arg(c); };
        return g;
    }
    PdfLayout print(const PrintableGrid& g, const T_pgoptions& options) {
        const std::string pdf = dir / "grid.pdf";
        {
            QPdfWriter writer(QString::fromStdString(pdf));
            EXPECT_TRUE(print_grid(writer, g, options));
        }
        return test::pdf_layout(pdf);
    }
    test::TempDir dir;
};

TEST_F(GridPrinterTest, FixedCellsRepeatOnEveryPageOnlyWhenAsked) {
    T_pgoptions options;
    options.orientation = 0;
    for (bool repeat : {true, false}) {
        options.repeat_fixed = repeat;
        // 12 columns of 150 screen pixels: more than one portrait page across.
        const PdfLayout layout = print(grid(12, 3, 150), options);
        ASSERT_GE(layout.pages.size(), 2u);
        for (int page = 1; page <= int(layout.pages.size()); ++page) {
            const bool first = page == 1;
            EXPECT_EQ(layout.find(page, "r1c0") != nullptr, repeat || first) << page;
            EXPECT_EQ(layout.find(page, "r0c0") != nullptr, repeat || first) << page;
        }
    }
}

TEST_F(GridPrinterTest, PageNumbersAndCellsFollowTheirAlignment) {
    T_pgoptions options;
    options.page_numbers = true;
    options.page_number_alignment_given = true;
    options.column_alignments = "LRC";
    const struct {
        char alignment;
        double min_fraction, max_fraction; // where "Page" starts, of the page width
    } cases[] = {{'l', 0, 0.05}, {'C', 0.4, 0.5}, {'r', 0.85, 1}};
    for (const auto& c : cases) {
        options.page_number_alignment = c.alignment;
        const PdfLayout layout = print(grid(3, 2, 200), options);
        const auto* word = layout.find(1, "Page");
        ASSERT_TRUE(word) << c.alignment;
        EXPECT_GE(word->x_min / layout.pages[0].width, c.min_fraction) << c.alignment;
        EXPECT_LE(word->x_min / layout.pages[0].width, c.max_fraction) << c.alignment;
    }
    options.page_number_alignment = 'x';
    EXPECT_FALSE(print(grid(3, 2, 200), options).find(1, "Page"));
    options.page_number_alignment_given = false; // then it goes right
    const PdfLayout layout = print(grid(3, 2, 200), options);
    ASSERT_TRUE(layout.find(1, "Page"));
    EXPECT_GT(layout.find(1, "Page")->x_min, layout.pages[0].width * 0.85);

    // Against the same grid all left-aligned: right-aligned text ends just before
    // the next column begins, centred text sits around its column's middle.
    const PdfLayout aligned = print(grid(4, 2, 150), options);
    options.column_alignments = "LLLL";
    const PdfLayout plain = print(grid(4, 2, 150), options);
    const auto* right = aligned.find(1, "r1c1");
    const auto* centre = aligned.find(1, "r1c2");
    const auto* column1 = plain.find(1, "r1c1");
    const auto* column2 = plain.find(1, "r1c2");
    const auto* column3 = plain.find(1, "r1c3");
    ASSERT_TRUE(right && centre && column1 && column2 && column3);
    const double width = column2->x_min - column1->x_min;
    EXPECT_NEAR(right->x_max, column2->x_min - 3, 2.5);
    EXPECT_NEAR((centre->x_min + centre->x_max) / 2, column2->x_min + width / 2, 2.5);
    EXPECT_NEAR(column3->x_min - column2->x_min, width, 0.5);
}

} // namespace
} // namespace vt
