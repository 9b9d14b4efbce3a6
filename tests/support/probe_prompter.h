#pragma once
#include "core/platform/prompter.h"

#include <functional>
#include <vector>

namespace vt::test {

// Answers every box with a test's function, which can look at or act on the window
// while the run waits for the answer; without one, with the box's default button.
// Unlike ScriptedPrompter it expects nothing: a test that relies on a box checks
// `shown` itself.
class ProbePrompter final : public Prompter {
public:
    Answer ask(const Prompt& prompt) override {
        shown.push_back(prompt);
        return answer ? answer(prompt) : prompt.default_button;
    }
    std::function<Answer(const Prompt&)> answer;
    std::vector<Prompt> shown;
};

} // namespace vt::test
