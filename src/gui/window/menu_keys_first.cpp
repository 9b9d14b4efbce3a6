#include "gui/window/menu_keys_first.h"

#include <QAction>
#include <QKeyEvent>

namespace vt {

MenuKeysFirst::MenuKeysFirst(QList<QAction*> actions, QObject* parent)
    : QObject(parent), actions_(std::move(actions)) {}

bool MenuKeysFirst::eventFilter(QObject* /*watched*/, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    for (const QAction* action : actions_) {
        if (action->isEnabled() && action->shortcut() == pressed) {
            event->ignore(); // not claimed: the shortcut system triggers the menu item
            return true;
        }
    }
    return false;
}

} // namespace vt
