#pragma once
#include "platform/prompter.h"

#include <chrono>

namespace vt {

// Passes every question on and remembers when the last answer came: what the run
// saw on disk before it asked may have changed while the person thought it over.
class AnsweredPrompter : public Prompter {
public:
    using Clock = std::chrono::steady_clock;

    explicit AnsweredPrompter(Prompter& inner) : inner_(inner) {}
    Answer ask(const Prompt& prompt) override {
        const Answer answer = inner_.ask(prompt);
        last_answer_ = Clock::now();
        return answer;
    }
    Clock::time_point last_answer() const { return last_answer_; }

private:
    Prompter& inner_;
    Clock::time_point last_answer_{};
};

} // namespace vt
