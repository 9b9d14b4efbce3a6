#include "core/run/run_start.h"

#include "core/run/answered_prompter.h"
#include "core/run/copy_inputs.h"
#include "core/run/journal.h"
#include "core/run/run_progress.h"

namespace vt {

bool confirm_start(const CopyInputs& inputs, Prompter& prompter) {
    if (inputs.row_count() <= 1) {
        prompter.ask({"Nothing to do", "There is no list of files to copy!, Save and try again",
                      Buttons::Ok, Answer::Ok, Icon::None, Answer::Ok});
        return false;
    }
    const std::string message = inputs.message();
    return message.empty() || prompter.ask({"Confirm", message, Buttons::Ok, Answer::Ok,
                                            Icon::Question, Answer::Cancel}) == Answer::Ok;
}

void tell_boxes(AnsweredPrompter& prompter, RunObserver* observer) {
    prompter.before_ask([observer] {
        if (observer)
            observer->waiting_for_answer(true);
    });
    prompter.after_ask([observer] {
        if (observer)
            observer->waiting_for_answer(false);
    });
}

} // namespace vt
