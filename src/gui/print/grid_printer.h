#pragma once
#include "core/print/grid_layout.h"
#include "core/print/page_options.h"

#include <QFont>
#include <QString>
#include <functional>

class QFontMetrics;
class QPagedPaintDevice;
class QPaintDevice;

namespace vt {

// A grid as the printer needs it: its on-screen geometry, font and cell texts.
struct PrintableGrid {
    GridGeometry geometry;
    QFont font;
    // Where the grid's text is measured on screen; null means the primary screen.
    const QPaintDevice* screen = nullptr;
    std::function<QString(int column, int row)> cell;
};

// Prints `grid` on `device` (a printer, or a PDF writer in tests), scaled from its
// screen geometry and split over as many pages as needed. False when the job could
// not begin; an error once pages are being produced ends the job silently with the
// pages made so far.
bool print_grid(QPagedPaintDevice& device, const PrintableGrid& grid, const T_pgoptions& options);

// The longest start of `text` not wider than `width` in `metrics`' font.
QString fit_text(const QFontMetrics& metrics, const QString& text, int width);

} // namespace vt
