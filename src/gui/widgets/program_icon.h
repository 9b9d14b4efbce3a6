#pragma once
#include <QIcon>

namespace vt {

// The program's own picture, rendered from its drawing at every size the desktop
// asks for and compiled in, so the window shows the same icon as the menu entry.
QIcon program_icon();
QPixmap program_pixmap(int size);

} // namespace vt
