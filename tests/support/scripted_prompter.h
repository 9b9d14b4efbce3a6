#pragma once
#include "core/platform/prompter.h"

#include <deque>
#include <functional>
#include <vector>

namespace vt::test {

// Answers message boxes from a script and records every box it was shown. A box
// that comes when the script is empty fails the test and is answered with its
// escape answer.
class ScriptedPrompter final : public Prompter {
public:
    Answer ask(const Prompt& prompt) override;

    // Expects a box with exactly this title and text; answers it.
    void expect(std::string title, std::string text, Answer answer);
    // Answers the next box, whatever it says.
    void answer_next(Answer answer);
    bool done() const { return script_.empty(); }

    std::vector<Prompt> shown;
    // Runs while a box is open, before it is answered: what a person might do
    // meanwhile.
    std::function<void(const Prompt&)> while_open;

private:
    struct Step {
        bool check = false;
        std::string title, text;
        Answer answer;
    };
    std::deque<Step> script_;
};

} // namespace vt::test
