#include "core/run/destination_folder_box.h"

#include "core/platform/error_text.h"
#include "core/platform/prompter.h"
#include "core/run/folder_access_box.h"
#include "core/run/journal.h"
#include "core/run/run_folder.h"

#include <cerrno>

namespace vt {

Answer ask_destination_folder(Prompter& prompter, Journal& journal, const std::string& folder,
                              int error) {
    const std::string text = system_error_text(error);
    journal.folder_unopenable(folder, text);
    return ask_folder_access(prompter, "Destination Folder Access Problem",
                             "open the destination folder", folder, text);
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
