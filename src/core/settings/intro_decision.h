#pragma once
#include <functional>

namespace vt {

enum class IntroAnswer { Accepted, Rejected };

// When the introduction screen comes up and what each answer leaves in the
// settings. `first` holds until a start has been accepted; `show` asks for the
// screen at every start. Both live in the main window; `write` stores them (the
// "Introduction" settings group) and reports its own failures.
class IntroDecision {
public:
    using ShowScreen = std::function<IntroAnswer()>;
    using WriteFlags = std::function<void()>;

    IntroDecision(bool& first, bool& show, WriteFlags write)
        : first_(first), show_(show), write_(std::move(write)) {}

    // Start-up, right after the settings were read. Shows the screen when it is
    // due. False: the user rejected it, the program ends and nothing is written, so
    // that an unaccepted first start stays a first start.
    bool at_start(const ShowScreen& show_screen);

    // The screen's "Don't Show me this again" box.
    bool box_ticked() const { return !show_; }
    // A click on the box: the choice is stored at once, whatever the screen's answer.
    void box_clicked(bool ticked);

private:
    bool& first_;
    bool& show_;
    WriteFlags write_;
};

} // namespace vt
