#pragma once
#include "gui/window/vt_main.h"

#include <memory>
#include <string>

namespace vt::test {

// The real main window on the given seams, shown and exposed, with `argument` as its
// command-line list.
std::unique_ptr<TVT_main_Form> open_main_window(MainFormServices services,
                                                const std::string& argument = {});

} // namespace vt::test
