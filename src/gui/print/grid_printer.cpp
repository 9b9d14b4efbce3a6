#include "gui/print/grid_printer.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace vt {
namespace {

int rnd(double v) {
    return static_cast<int>(round_half_even(v));
}

// Screen fonts are sized in pixels; on paper the same font must keep its size on
// the page, so it is given in points for the screen's resolution.
QFont paper_font(const QFont& screen_font, const QPaintDevice* screen) {
    QFont font = screen_font;
    if (font.pixelSize() > 0) {
        double dpi = 96;
        if (screen)
            dpi = screen->logicalDpiY();
        else if (QGuiApplication::primaryScreen())
            dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
        font.setPointSizeF(font.pixelSize() * 72.0 / std::max(dpi, 1.0));
    }
    return font;
}

class PagePainter {
public:
    PagePainter(QPainter& painter, const GridLayout& layout, const PrintableGrid& grid,
                const T_pgoptions& options, double sx, double sy, int x0, int y0)
        : painter_(painter), metrics_(painter.fontMetrics()), layout_(layout), grid_(grid),
          options_(options), inset_x_(rnd(2 * sx)), inset_y_(rnd(2 * sy)), x0_(x0), y0_(y0) {}

    // Draws the cells of `columns` x `rows`, the first of them at (left, top).
    void cells(const Band& columns, const Band& rows, long long left, long long top) {
        long long y = top;
        for (int r = rows.first; r <= rows.last; ++r) {
            long long x = left;
            for (int k = columns.first; k <= columns.last; ++k) {
                cell(k, r, x, y);
                x += layout_.column_step(k);
            }
            y += layout_.row_height(r);
        }
    }

private:
    void cell(int column, int row, long long left, long long top) {
        const int w = layout_.column_width(column);
        if (options_.grid_lines) {
            painter_.drawRect(QRectF(x0_ + left, y0_ + top, layout_.column_step(column),
                                     layout_.row_height(row)));
        }
        if (w <= 0 || !grid_.cell)
            return;
        const QString text = fit_text(metrics_, grid_.cell(column, row), w);
        if (text.isEmpty())
            return;
        const int width = metrics_.horizontalAdvance(text);
        int offset = inset_x_;
        switch (column_alignment(options_, column)) {
        case Alignment::Centre:
            offset = (w - width) / 2;
            break;
        case Alignment::Right:
            offset = w - width - inset_x_;
            break;
        case Alignment::Left:
            break;
        }
        painter_.drawText(QPointF(static_cast<double>(x0_ + left + offset),
                                  static_cast<double>(y0_ + top + inset_y_ + metrics_.ascent())),
                          text);
    }

    QPainter& painter_;
    QFontMetrics metrics_;
    const GridLayout& layout_;
    const PrintableGrid& grid_;
    const T_pgoptions& options_;
    int inset_x_;
    int inset_y_;
    int x0_;
    int y0_;
};

void draw_line_text(QPainter& painter, const QString& text, int x, int y) {
    painter.drawText(QPoint(x, y + painter.fontMetrics().ascent()), text);
}

} // namespace

QString fit_text(const QFontMetrics& metrics, const QString& text, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    // Binary search for the longest start that fits, then make sure of it one
    // character at a time (kerning may make widths not quite monotonic).
    qsizetype low = 0, high = text.size();
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(text.left(mid)) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    QString fitted = text.left(low);
    while (!fitted.isEmpty() && metrics.horizontalAdvance(fitted) > width)
        fitted.chop(1);
    if (!fitted.isEmpty() && fitted.back().isHighSurrogate())
        fitted.chop(1);
    return fitted;
}

bool print_grid(QPagedPaintDevice& device, const PrintableGrid& grid, const T_pgoptions& options) {
    // The orientation comes first: the page size depends on it.
    device.setPageOrientation(options.orientation == 1 ? QPageLayout::Landscape
                                                       : QPageLayout::Portrait);
    const int page_height = device.height();
    const int page_width = device.width();
    const int x0 = device.widthMM() > 0 ? (page_width / device.widthMM()) / 4 : 0;
    const int y0 = 0;

    QPainter painter;
    if (!painter.begin(&device))
        return false;
    painter.setFont(paper_font(grid.font, grid.screen));
    const QFontMetrics paper = painter.fontMetrics();
    const QFontMetrics screen =
        grid.screen ? QFontMetrics(grid.font, grid.screen) : QFontMetrics(grid.font);
    const QString z = QStringLiteral("Z");
    const double sx = screen.horizontalAdvance(z) > 0
                          ? double(paper.horizontalAdvance(z)) / screen.horizontalAdvance(z)
                          : 1.0;
    const double sy = screen.height() > 0 ? double(paper.height()) / screen.height() : 1.0;

    const GridLayout layout(grid.geometry, options, {sx, sy, paper.height()}, page_width,
                            page_height);
    PagePainter cells(painter, layout, grid, options, sx, sy, x0, y0);

    char number_alignment = options.page_number_alignment;
    if (!options.page_number_alignment_given)
        number_alignment = 'R';
    const int line = rnd(1.2 * paper.height());
    const int fixed_columns =
        std::clamp(grid.geometry.fixed_columns, 0, int(grid.geometry.column_widths.size()));
    const int fixed_rows =
        std::clamp(grid.geometry.fixed_rows, 0, int(grid.geometry.row_heights.size()));
    const Band fixed_column_band{0, fixed_columns - 1};
    const Band fixed_row_band{0, fixed_rows - 1};
    const long long body_top =
        static_cast<long long>(layout.heading_height()) + layout.fixed_height();

    auto heading = [&](const std::string& title, int y) {
        if (title.empty())
            return;
        const QString text =
            QString::fromLocal8Bit(title.substr(std::min<size_t>(1, title.size())));
        const int width = paper.horizontalAdvance(text);
        int x = x0 + 1;
        if (title_alignment(title) == Alignment::Centre)
            x = (page_width - width) / 2 + x0;
        else if (title_alignment(title) == Alignment::Right)
            x = page_width - width - 1;
        draw_line_text(painter, text, x, y);
    };

    const std::vector<PagePlan> pages = layout.pages();
    for (const PagePlan& page : pages) {
        if (page.number > 1 && !device.newPage())
            break; // the pages made so far still print
        if (options.page_numbers) {
            const QString text = QStringLiteral("Page %1").arg(page.number);
            const int width = paper.horizontalAdvance(text);
            switch (number_alignment) {
            case 'L':
            case 'l':
                draw_line_text(painter, text, x0 + 1, y0);
                break;
            case 'C':
            case 'c':
                draw_line_text(painter, text, (page_width - (width + 2)) / 2 + x0, y0);
                break;
            case 'R':
            case 'r':
                draw_line_text(painter, text, page_width - (width + 2) - 1, y0);
                break;
            default:
                break;
            }
        }
        heading(options.title, y0 + line);
        heading(options.subtitle, y0 + rnd(2.4 * paper.height()));

        const bool first_page = page.number == 1;
        if (page.first_column_band || options.repeat_fixed)
            cells.cells(fixed_column_band, page.rows, 0, body_top);
        if (page.first_row_band || options.repeat_fixed)
            cells.cells(page.columns, fixed_row_band, layout.fixed_width(),
                        layout.heading_height());
        if (first_page || options.repeat_fixed)
            cells.cells(fixed_column_band, fixed_row_band, 0, layout.heading_height());
        cells.cells(page.columns, page.rows, layout.fixed_width(), body_top);
    }
    painter.end();
    return true;
}

} // namespace vt
