#pragma once
#include <string>
#include <sys/stat.h>
#include <vector>

namespace vt {

class Journal;
class Prompter;
class RunObserver;

enum class Answer;

// A source folder that cannot be opened or read to its end: the journal entry, then
// the box (Abort ends the run, Retry reads the folder again, Ignore passes over it).
// A folder that cannot be read is a failure, never an empty folder.
Answer ask_unreadable_folder(Prompter& prompter, Journal& journal, const std::string& folder,
                             int error);

// A folder of a line: its sub-path, and whether it was passed over (Ignore) when the
// line's folders were listed, its failure already reported.
struct ListedFolder {
    std::string sub_path;
    bool passed_over = false;
};

// Lists the folders of a line that searches subfolders: the source folder, then each
// subfolder a walk enters (walk_rules.h) depth first, parent before children, in the file
// system's order.
class SourceFolders {
public:
    SourceFolders(Prompter& prompter, Journal& journal, RunObserver* observer = nullptr)
        : prompter_(prompter), journal_(journal), observer_(observer) {}

    // False when the user ended the run (Abort).
    bool list(const std::string& source, const struct stat* destination,
              std::vector<ListedFolder>& out);

    // Folders that could not be read, over the engine's life.
    int failures() const { return failures_; }

private:
    enum class Outcome { Read, PassedOver, EndRun };
    Outcome read(const std::string& folder, const struct stat* destination,
                 std::vector<std::string>& subfolders);

    Prompter& prompter_;
    Journal& journal_;
    RunObserver* observer_;
    int failures_ = 0;
};

} // namespace vt
