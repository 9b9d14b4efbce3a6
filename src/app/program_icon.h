#pragma once
#include <QIcon>

namespace vt {

// The program's own picture: two sheets of paper with an arrow from one to the
// other, drawn at run time so that it is sharp at every size.
QIcon program_icon();
QPixmap program_pixmap(int size);

} // namespace vt
