#include "gui/run/journal_desktop.h"

namespace vt {

void JournalDesktop::open_document(const std::string& path) {
    if (show_)
        show_(path);
    else
        desktop_.open_document(path);
}

} // namespace vt
