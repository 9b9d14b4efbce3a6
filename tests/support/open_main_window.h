#pragma once
#include "gui/window/vt_main.h"

#include <QPoint>
#include <memory>
#include <optional>
#include <string>

namespace vt::test {

// How a test's main window comes up: shown where the window places itself, unless
// one of these says otherwise.
struct Opening {
    // Made as the program makes it, and not shown (the introduction screen at start-up
    // comes before the window shows).
    static Opening unshown() { return {false, std::nullopt}; }
    // Moved to `place` before it is shown.
    static Opening at(QPoint place) { return {true, place}; }

    bool shown = true;
    std::optional<QPoint> place;
};

// The real main window on the given seams with `argument` as its command-line list,
// shown and exposed unless `opening` says otherwise. A window that is not exposed is
// a fatal failure: fixtures that cannot go on without it open it under
// ASSERT_NO_FATAL_FAILURE.
std::unique_ptr<TVT_main_Form>
open_main_window(MainFormServices services, const std::string& argument = {}, Opening opening = {});

} // namespace vt::test
