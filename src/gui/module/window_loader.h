#pragma once
#include "gui/module/window_entry.h"

namespace vt::window_module {

// The entry `name` of the window's module, loaded on first use: beside the program in a
// build folder, else where the installation puts it (lib/vantorel under the prefix).
// Null, with the reason on stderr, when the module or the entry cannot be found: the
// installation is broken, and the window cannot open.
void* entry(const char* name);

template <typename Function> Function* entry_as(const char* name) {
    return reinterpret_cast<Function*>(entry(name));
}

} // namespace vt::window_module
