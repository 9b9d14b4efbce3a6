#include "core/run/destination_folder_box.h"

#include "core/platform/error_text.h"
#include "core/platform/prompter.h"
#include "core/run/journal.h"

namespace vt {

Answer ask_destination_folder(Prompter& prompter, Journal& journal, const std::string& folder,
                              int error) {
    const std::string text = system_error_text(error);
    journal.folder_unopenable(folder, text);
    Prompt box;
    box.title = "Destination Folder Access Problem";
    box.text = "Your system is unable to open the destination folder\r\n" + folder +
               " with the following message: \r\n\r\n" + text;
    box.buttons = Buttons::AbortRetryIgnore;
    box.default_button = Answer::Abort;
    box.escape_answer = Answer::Abort;
    return prompter.ask(box);
}

} // namespace vt
