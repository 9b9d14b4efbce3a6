#pragma once
#include "core/platform/prompter.h"

#include <string>

namespace vt {

// The box of a folder the run cannot get into, on either side: `what` names it ("read
// the source folder", "open the destination folder"). Abort ends the run, Retry tries
// the folder again, Ignore passes over it.
inline Answer ask_folder_access(Prompter& prompter, const std::string& title,
                                const std::string& what, const std::string& folder,
                                const std::string& error_text) {
    Prompt box;
    box.title = title;
    box.text = "Your system is unable to " + what + "\r\n" + folder +
               " with the following message: \r\n\r\n" + error_text;
    box.buttons = Buttons::AbortRetryIgnore;
    box.default_button = Answer::Abort;
    box.escape_answer = Answer::Abort;
    return prompter.ask(box);
}

} // namespace vt
