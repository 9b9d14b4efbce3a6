#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

namespace vt::test {

namespace {

bool matches(const std::string& title, const std::string& text, const Prompt& prompt) {
    return title == prompt.title && text == prompt.text;
}

} // namespace

ScriptedPrompter::~ScriptedPrompter() {
    // After a fatal failure the test stopped early; the boxes it did not reach say
    // nothing more.
    if (!::testing::Test::HasFatalFailure())
        verify_all_asked();
}

Answer ScriptedPrompter::ask(const Prompt& prompt) {
    shown.push_back(prompt);
    if (while_open)
        while_open(prompt);
    while (!script_.empty() && script_.front().optional &&
           !matches(script_.front().title, script_.front().text, prompt))
        script_.pop_front();
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

void ScriptedPrompter::expect(std::string title, std::string text, Answer answer,
                              std::source_location where) {
    script_.push_back({true, false, std::move(title), std::move(text), answer, where});
}

void ScriptedPrompter::answer_next(Answer answer, std::source_location where) {
    script_.push_back({false, false, {}, {}, answer, where});
}

void ScriptedPrompter::allow(std::string title, std::string text, Answer answer,
                             std::source_location where) {
    script_.push_back({true, true, std::move(title), std::move(text), answer, where});
}

bool ScriptedPrompter::done() const {
    for (const Step& step : script_)
        if (!step.optional)
            return false;
    return true;
}

void ScriptedPrompter::verify_all_asked() {
    for (const Step& step : script_) {
        if (step.optional)
            continue;
        if (step.check)
            ADD_FAILURE_AT(step.where.file_name(), static_cast<int>(step.where.line()))
                << "scripted message box never came: \"" << step.title << "\": " << step.text;
        else
            ADD_FAILURE_AT(step.where.file_name(), static_cast<int>(step.where.line()))
                << "a message box scripted to be answered never came";
    }
    script_.clear();
}

} // namespace vt::test
