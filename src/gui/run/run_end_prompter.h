#pragma once
#include "core/platform/prompter.h"
#include "core/run/copy_engine.h"

#include <functional>
#include <string>

namespace vt {

// The boxes of the window's copy runs, shown through the window's prompter. The box
// that offers the journal at the end of a run also tells how the run went: its
// title names the failures and a stop by the user, which "<total> files copied"
// alone hides (a stopped run read like a whole one).
class RunEndPrompter final : public Prompter {
public:
    // `summary`: the outcome of the run that is ending.
    RunEndPrompter(Prompter& window, std::function<const RunSummary&()> summary);

    Answer ask(const Prompt& prompt) override;
    bool answers_unseen(const Prompt& prompt) const override;

    // "<total> files copied" followed by what else the summary has to tell.
    static std::string summary_title(const std::string& title, const RunSummary& summary);

private:
    Prompter& window_;
    std::function<const RunSummary&()> summary_;
};

} // namespace vt
