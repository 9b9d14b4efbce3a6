#pragma once
#include <QString>
#include <QWidget>

namespace vt {

// Names a control (tests and style sheets find it by that name) and puts it at its
// designed place in pixels; without a width it takes its own natural size.
template <class W>
W* place(W* widget, const char* name, int left, int top, int width = -1, int height = -1) {
    widget->setObjectName(QString::fromLatin1(name));
    if (width < 0)
        widget->adjustSize();
    widget->setGeometry(left, top, width < 0 ? widget->width() : width,
                        height < 0 ? widget->height() : height);
    return widget;
}

} // namespace vt
