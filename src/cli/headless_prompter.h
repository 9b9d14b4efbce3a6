#pragma once
#include "core/platform/prompter.h"

#include <functional>
#include <ostream>
#include <string>

namespace vt {

// Answers the copy run's questions without a window, for scheduled backups. Every
// question and its answer is written to `log`. The answers: the list's message is
// shown and accepted; a file is copied without confirmation; a destination file
// newer than its source is kept unless `replace_newer`; a file that cannot be
// copied is passed over (Ignore); a folder that cannot be created is accepted (OK);
// a destination on a disk that is not there ends the run (nothing is written onto
// the wrong disk); a journal that does not look like one refuses the run; the
// journal is not opened for viewing.
class HeadlessPrompter final : public Prompter {
public:
    HeadlessPrompter(std::ostream& log, bool replace_newer)
        : log_(log), replace_newer_(replace_newer) {}
    Answer ask(const Prompt& prompt) override;
    bool answers_unseen(const Prompt& prompt) const override;

    // Called before each question is written (a progress line makes room).
    void before_writing(std::function<void()> f) { before_writing_ = std::move(f); }

    static const char* answer_name(Answer answer);

    // Leaves out of the log the question that every run gets and that is always
    // answered the same (the offer to view the journal): a scheduled run's log then
    // shows what went wrong. (The verify question is never asked without a window.)
    void set_quiet(bool quiet) { quiet_ = quiet; }
    // The text of the last question, on one line.
    const std::string& last_question() const { return last_question_; }

private:
    Answer choose(const Prompt& prompt) const;

    std::ostream& log_;
    bool replace_newer_;
    std::function<void()> before_writing_;
    bool quiet_ = false;
    std::string last_question_;
};

} // namespace vt
