#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

namespace vt::test {

Answer ScriptedPrompter::ask(const Prompt& prompt) {
    shown.push_back(prompt);
    if (while_open)
        while_open(prompt);
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected message box \"" << prompt.title << "\": " << prompt.text;
        return prompt.escape_answer;
    }
    Step step = script_.front();
    script_.pop_front();
    if (step.check) {
        EXPECT_EQ(step.title, prompt.title);
        EXPECT_EQ(step.text, prompt.text);
    }
    return step.answer;
}

void ScriptedPrompter::expect(std::string title, std::string text, Answer answer) {
    script_.push_back({true, std::move(title), std::move(text), answer});
}

void ScriptedPrompter::answer_next(Answer answer) {
    script_.push_back({false, {}, {}, answer});
}

} // namespace vt::test
