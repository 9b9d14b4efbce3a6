#pragma once
#include "core/platform/prompter.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace vt {

// Passes every question of a run on and remembers when the last answer came: what
// the run saw on disk before it asked may have changed while the person thought it
// over. Before each question it lets the run put its house in order (the journal
// reaches its file, so that a run killed while a box waits shows where it stood), and
// after the answer it tells the run the box is gone (the time a person takes to think
// is no part of the run's pace).
class AnsweredPrompter : public Prompter {
public:
    using Clock = std::chrono::steady_clock;

    explicit AnsweredPrompter(Prompter& inner) : inner_(inner) {}
    Answer ask(const Prompt& prompt) override {
        // A box nobody sees is no answer anyone gave.
        if (inner_.answers_unseen(prompt))
            return inner_.ask(prompt);
        if (before_ask_)
            before_ask_();
        const Answer answer = inner_.ask(prompt);
        last_answer_ = Clock::now();
        ++answers_;
        if (after_ask_)
            after_ask_();
        return answer;
    }
    bool answers_unseen(const Prompt& prompt) const override {
        return inner_.answers_unseen(prompt);
    }
    Clock::time_point last_answer() const { return last_answer_; }
    // How many boxes have been answered: a decision taken before a later answer is
    // taken again.
    std::uint64_t answers() const { return answers_; }
    void before_ask(std::function<void()> f) { before_ask_ = std::move(f); }
    void after_ask(std::function<void()> f) { after_ask_ = std::move(f); }

private:
    Prompter& inner_;
    Clock::time_point last_answer_{};
    std::uint64_t answers_ = 0;
    std::function<void()> before_ask_;
    std::function<void()> after_ask_;
};

} // namespace vt
