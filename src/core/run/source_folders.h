#pragma once
#include "core/run/name_clash.h"
#include "core/run/walk_rules.h"

#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace vt {

class Journal;
class Prompter;
class RunObserver;
class SourceTop;

enum class Answer;

// A source folder that cannot be opened or read to its end: the journal entry, then
// the box (Abort ends the run, Retry reads the folder again, Ignore passes over it).
// A folder that cannot be read is a failure, never an empty folder.
Answer ask_unreadable_folder(Prompter& prompter, Journal& journal, const std::string& folder,
                             int error);

// A folder of a line: its sub-path, whether it was passed over (Ignore) when the
// line's folders were listed, its failure already reported, and the subfolders the
// walk does not enter that the journal names (their names). A folder `unread` was
// not read when listed, since its link count says it holds no subfolders; its links
// to folders are then for the walk to name, and a failure to read it for the walk to
// ask about. `clashes`: its subfolders not entered since another entry has the same
// name on a destination that ignores case; a folder `clashed` is one of those, or lies
// in one, and is listed only so that the walk and the count ahead of it take the same
// folders in the same order.
struct ListedFolder {
    std::string sub_path;
    bool passed_over = false;
    std::vector<std::pair<PassedOver, std::string>> not_entered;
    bool unread = false;
    std::vector<NameClash> clashes;
    bool clashed = false;
};

// How a listing tells which subfolders clash with another entry on their destination:
// what the line writes, and whether the destination folder of a sub-path ignores case.
struct ClashLook {
    ClashRule rule;
    std::function<bool(const std::string& sub_path)> ignores_case;
};

// Lists the folders of a line that searches subfolders: the source folder, then each
// subfolder a walk enters (walk_rules.h) depth first, parent before children, in the file
// system's order. Listing reads every folder of the tree once more than copying it
// does; where the file system counts subfolders in a folder's links, the folders
// without any (most of a tree's, holding most of its files) are listed unread.
class SourceFolders {
public:
    SourceFolders(Prompter& prompter, Journal& journal, RunObserver* observer = nullptr)
        : prompter_(prompter), journal_(journal), observer_(observer) {}

    // False when the user ended the run (Abort). Hidden folders are entered with
    // `hidden_folders`. `listed`, when given, hears of each folder as it joins `out`.
    // Each folder is opened below `top` (see source_top.h). With `clashes`, a subfolder
    // that has the same name as another entry on a destination that ignores case is not
    // entered.
    bool list(SourceTop& top, const struct stat* destination, bool hidden_folders,
              std::vector<ListedFolder>& out,
              const std::function<void(const ListedFolder&)>& listed = {},
              const ClashLook* clashes = nullptr);

    // Folders that could not be read, over the engine's life.
    int failures() const { return failures_; }

private:
    enum class Outcome { Read, PassedOver, EndRun };
    struct Child {
        std::string name;
        bool unread = false;  // holds no subfolders: not to be read
        bool clashed = false; // not entered: see ListedFolder
    };
    // `counted`: the device of the line's own folder while its file system counts
    // subfolders; reading the line's own folder (`top`) decides it. `clashes`, when
    // given, is the rule of the folder's destination, which ignores case: the
    // subfolders that clash are marked and named in `clashed`. A folder read only to
    // be listed (`quiet`) is not asked about when it cannot be read.
    Outcome read(SourceTop& top, const std::string& sub_path, std::optional<dev_t>& counted,
                 const struct stat* destination, bool hidden_folders,
                 std::vector<Child>& subfolders,
                 std::vector<std::pair<PassedOver, std::string>>& not_entered,
                 const ClashRule* clashes, std::vector<NameClash>& clashed, bool quiet);

    Prompter& prompter_;
    Journal& journal_;
    RunObserver* observer_;
    int failures_ = 0;
};

} // namespace vt
