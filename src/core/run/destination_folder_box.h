#pragma once
#include <functional>
#include <string>

namespace vt {

class Journal;
class Prompter;
class RunFolder;

enum class Answer;

// A destination folder that cannot be opened although something stands at its name,
// typically a symbolic link where the run expects a real folder: the journal entry,
// then the box (Abort ends the run, Retry opens the folder again, Ignore passes over
// it). Nothing is written through the link.
Answer ask_destination_folder(Prompter& prompter, Journal& journal, const std::string& folder,
                              int error);

enum class DestinationOpened {
    Opened,     // open, or missing (to be made when a file is copied there)
    PassedOver, // a link stands there and the answer was Ignore
    EndRun,     // Abort
    Ended       // `settle` ended the run before the box
};

// Opens the destination of a run's folder; a link where the folder should be is asked
// about (Retry opens it again) after `settle` (false: the run ends) has told what
// comes before the box.
DestinationOpened open_destination(RunFolder& folder, Prompter& prompter, Journal& journal,
                                   const std::function<bool()>& settle);

} // namespace vt
