#include "core/settings/intro_decision.h"

namespace vt {

bool IntroDecision::at_start(const ShowScreen& show_screen) {
    // A first start offers "not again" as the choice: accepting without touching
    // the box means the screen is not shown at later starts.
    if (first_)
        show_ = false;
    if ((first_ || show_) && show_screen() == IntroAnswer::Rejected)
        return false;
    first_ = false;
    write_();
    return true;
}

void IntroDecision::box_clicked(bool ticked) {
    show_ = !ticked;
    write_();
}

} // namespace vt
