#include "gui/run/run_end_prompter.h"

#include "core/run/journal.h"

#include <utility>

namespace vt {

RunEndPrompter::RunEndPrompter(Prompter& window, std::function<const RunSummary&()> summary)
    : window_(window), summary_(std::move(summary)) {}

Answer RunEndPrompter::ask(const Prompt& prompt) {
    if (prompt.text != kOfferJournalText || prompt.buttons != Buttons::YesNo)
        return window_.ask(prompt);
    Prompt offer = prompt;
    offer.title = summary_title(prompt.title, summary_());
    return window_.ask(offer);
}

bool RunEndPrompter::answers_unseen(const Prompt& prompt) const {
    return window_.answers_unseen(prompt);
}

std::string RunEndPrompter::summary_title(const std::string& title, const RunSummary& summary) {
    std::string out = title;
    if (summary.failures > 0)
        out += ", " + std::to_string(summary.failures) +
               (summary.failures == 1 ? " failure" : " failures");
    if (summary.stopped)
        out += ", stopped by the user";
    return out;
}

} // namespace vt
