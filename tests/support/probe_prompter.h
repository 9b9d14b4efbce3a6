#pragma once
#include "core/platform/prompter.h"

#include <functional>
#include <string>
#include <vector>

namespace vt::test {

// Answers every box with a test's function, which can look at or act on the window
// while the run waits for the answer; without one, with the box's default button.
// Unlike ScriptedPrompter it expects nothing: a test that relies on a box checks
// `titles` itself.
class ProbePrompter final : public Prompter {
public:
    Answer ask(const Prompt& prompt) override {
        titles.push_back(prompt.title);
        return answer ? answer(prompt) : prompt.default_button;
    }
    std::function<Answer(const Prompt&)> answer;
    std::vector<std::string> titles;
};

} // namespace vt::test
