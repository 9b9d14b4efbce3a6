#pragma once

class QAction;
class QWidget;

namespace vt {

// Qt ignores the key of a menu item that is not visible. This gives a hidden
// item's key to its window, so that the key triggers the item all the same while
// the item stays out of sight. The key is the item's own shortcut.
void keep_key_of_hidden_item(QAction* item, QWidget* window);

} // namespace vt
