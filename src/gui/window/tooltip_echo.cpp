#include "gui/window/tooltip_echo.h"

#include <QApplication>
#include <QEvent>
#include <QStatusBar>
#include <QWidget>

namespace vt {

TooltipEcho::TooltipEcho(QStatusBar* bar) : QObject(bar), bar_(bar) {
    qApp->installEventFilter(this);
}

bool TooltipEcho::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        if (auto* w = qobject_cast<QWidget*>(watched); w && !w->toolTip().isEmpty())
            bar_->showMessage(w->toolTip());
    }
    return false;
}

} // namespace vt
