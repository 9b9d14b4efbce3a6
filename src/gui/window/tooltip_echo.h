#pragma once
#include <QObject>

class QStatusBar;

namespace vt {

// Writes the text of every tooltip the program is about to show into a status bar,
// where it stays until the next tooltip replaces it.
class TooltipEcho final : public QObject {
    Q_OBJECT
public:
    explicit TooltipEcho(QStatusBar* bar);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStatusBar* bar_;
};

} // namespace vt
