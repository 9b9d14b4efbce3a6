#include "gui/window/hidden_item_key.h"

#include <QAction>
#include <QShortcut>
#include <QWidget>

namespace vt {

void keep_key_of_hidden_item(QAction* item, QWidget* window) {
    auto* key = new QShortcut(item->shortcut(), window);
    key->setObjectName(item->objectName() + QStringLiteral("Key"));
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, item, &QAction::trigger);
}

} // namespace vt
