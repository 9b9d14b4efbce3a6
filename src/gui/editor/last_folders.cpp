#include "gui/editor/last_folders.h"

#include <QWidget>

namespace vt {

LastFolders& LastFolders::of(QWidget& window) {
    if (auto* kept = window.findChild<LastFolders*>(QString(), Qt::FindDirectChildrenOnly))
        return *kept;
    return *new LastFolders(&window);
}

} // namespace vt
