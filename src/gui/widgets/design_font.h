#pragma once
#include <QFont>

namespace vt {

// The windows are laid out in fixed pixels around Arial (Liberation Sans on Linux,
// metric-compatible), so the font is sized in pixels, not points: the layout then holds
// whatever the screen's text scaling is.
inline QFont design_font(int pixel_size = 13, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixel_size);
    font.setBold(bold);
    return font;
}

} // namespace vt
