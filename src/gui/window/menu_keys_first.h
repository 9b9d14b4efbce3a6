#pragma once
#include <QList>
#include <QObject>

class QAction;

namespace vt {

// Lets the main menu's shortcut keys win over a text field: a QLineEdit claims keys
// such as Del, Ins, Shift+Ins and Ctrl+C for itself (ShortcutOverride); installed on
// it, this filter declines that claim for every key an enabled menu item uses, so
// the menu command runs instead.
class MenuKeysFirst final : public QObject {
    Q_OBJECT
public:
    MenuKeysFirst(QList<QAction*> actions, QObject* parent);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QAction*> actions_;
};

} // namespace vt
