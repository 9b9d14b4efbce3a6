#include "core/run/destination_folder_box.h"

#include "core/platform/error_text.h"
#include "core/platform/prompter.h"
#include "core/run/journal.h"
#include "core/run/run_folder.h"

#include <cerrno>

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

DestinationOpened open_destination(RunFolder& folder, Prompter& prompter, Journal& journal,
                                   const std::function<bool()>& settle) {
    for (int error = folder.open_destination(); error == ELOOP; error = folder.open_destination()) {
        // Nothing goes through the link.
        if (!settle())
            return DestinationOpened::Ended;
        const Answer answer = ask_destination_folder(prompter, journal, folder.destination, error);
        if (answer == Answer::Retry)
            continue;
        if (answer != Answer::Ignore)
            return DestinationOpened::EndRun;
        folder.abandoned = true;
        return DestinationOpened::PassedOver;
    }
    return DestinationOpened::Opened;
}

} // namespace vt
