#pragma once
#include "core/platform/prompter.h"

#include <deque>
#include <functional>
#include <source_location>
#include <vector>

namespace vt::test {

// Answers message boxes from a script and records every box it was shown. A box
// that comes when the script is empty fails the test and is answered with its
// escape answer. A scripted box that never came fails the test too, when the
// prompter goes: a test that scripts a box cannot pass without reaching it.
class ScriptedPrompter final : public Prompter {
public:
    ScriptedPrompter() = default;
    ScriptedPrompter(const ScriptedPrompter&) = delete;
    ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;
    ~ScriptedPrompter() override;

    Answer ask(const Prompt& prompt) override;

    // Expects a box with exactly this title and text; answers it.
    void expect(std::string title, std::string text, Answer answer,
                std::source_location where = std::source_location::current());
    // Answers the next box, whatever it says.
    void answer_next(Answer answer, std::source_location where = std::source_location::current());
    // Answers a box with this title and text if it comes at this point of the script;
    // passed over when another box comes instead, and no fault if it never comes. Only
    // for boxes that come or not by something the test cannot steer (timing).
    void allow(std::string title, std::string text, Answer answer,
               std::source_location where = std::source_location::current());
    // Whether every box the script requires has come.
    bool done() const;
    // Fails the test for each required box that has not come, and forgets the rest
    // of the script: for a prompter that outlives the part of a test it checks.
    void verify_all_asked();

    std::vector<Prompt> shown;
    // Runs while a box is open, before it is answered: what a person might do
    // meanwhile.
    std::function<void(const Prompt&)> while_open;

private:
    struct Step {
        bool check = false;
        bool optional = false;
        std::string title, text;
        Answer answer;
        std::source_location where;
    };
    std::deque<Step> script_;
};

} // namespace vt::test
