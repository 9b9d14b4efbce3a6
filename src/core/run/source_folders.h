#pragma once
#include "core/run/walk_rules.h"

#include <functional>
#include <string>
#include <sys/stat.h>
#include <utility>
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

// A folder of a line: its sub-path, whether it was passed over (Ignore) when the
// line's folders were listed, its failure already reported, and the subfolders the
// walk does not enter that the journal names (their names).
struct ListedFolder {
    std::string sub_path;
    bool passed_over = false;
    std::vector<std::pair<PassedOver, std::string>> not_entered;
};

// Lists the folders of a line that searches subfolders: the source folder, then each
// subfolder a walk enters (walk_rules.h) depth first, parent before children, in the file
// system's order.
class SourceFolders {
public:
    SourceFolders(Prompter& prompter, Journal& journal, RunObserver* observer = nullptr)
        : prompter_(prompter), journal_(journal), observer_(observer) {}

    // False when the user ended the run (Abort). Hidden folders are entered with
    // `hidden_folders`. `listed`, when given, hears of each folder as it joins `out`.
    bool list(const std::string& source, const struct stat* destination, bool hidden_folders,
              std::vector<ListedFolder>& out,
              const std::function<void(const ListedFolder&)>& listed = {});

    // Folders that could not be read, over the engine's life.
    int failures() const { return failures_; }

private:
    enum class Outcome { Read, PassedOver, EndRun };
    Outcome read(const std::string& folder, const struct stat* destination, bool hidden_folders,
                 std::vector<std::string>& subfolders,
                 std::vector<std::pair<PassedOver, std::string>>& not_entered);

    Prompter& prompter_;
    Journal& journal_;
    RunObserver* observer_;
    int failures_ = 0;
};

} // namespace vt
