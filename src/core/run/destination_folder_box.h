#pragma once
#include <string>

namespace vt {

class Journal;
class Prompter;

enum class Answer;

// A destination folder that cannot be opened although something stands at its name,
// typically a symbolic link where the run expects a real folder: the journal entry,
// then the box (Abort ends the run, Retry opens the folder again, Ignore passes over
// it). Nothing is written through the link.
Answer ask_destination_folder(Prompter& prompter, Journal& journal, const std::string& folder,
                              int error);

} // namespace vt
