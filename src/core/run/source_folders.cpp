#include "core/run/source_folders.h"

#include "core/platform/directory.h"
#include "core/platform/error_text.h"
#include "core/platform/prompter.h"
#include "core/platform/subfolder_count.h"
#include "core/run/folder_access_box.h"
#include "core/run/journal.h"
#include "core/run/run_progress.h"
#include "core/run/source_top.h"
#include "core/run/walk_rules.h"

#include <fcntl.h>

namespace vt {
namespace {

// Subfolders that lose to another entry of the same name on a destination that
// ignores case are marked, and named in `clashed`; the files that lose are the walk's.
template <typename Child>
void mark_clashes(int dirfd, std::vector<std::pair<std::string, unsigned char>> entries,
                  const ClashRule& rule, std::vector<Child>& subfolders,
                  std::vector<NameClash>& clashed) {
    for (NameClash& clash : name_clashes(dirfd, std::move(entries), rule)) {
        if (!clash.folder)
            continue;
        for (Child& child : subfolders) {
            if (child.name == clash.name)
                child.clashed = true;
        }
        clashed.push_back(std::move(clash));
    }
}

} // namespace

Answer ask_unreadable_folder(Prompter& prompter, Journal& journal, const std::string& folder,
                             int error) {
    const std::string text = system_error_text(error);
    journal.folder_unreadable(folder, text);
    return ask_folder_access(prompter, "Source Folder Access Problem", "read the source folder",
                             folder, text);
}

bool SourceFolders::list(SourceTop& top, const struct stat* destination, bool hidden_folders,
                         std::vector<ListedFolder>& out,
                         const std::function<void(const ListedFolder&)>& listed,
                         const ClashLook* clashes) {
    // Each folder is read whole and closed before its children are entered, and the
    // walk keeps its place in lists of names, not in open folders: a tree of any depth
    // holds one folder open at a time, and no recursion can run out of stack.
    struct Level {
        std::string sub_path;
        bool clashed = false;
        std::vector<Child> children;
        std::size_t next = 0;
    };
    std::vector<Level> path;
    std::optional<dev_t> counted;
    auto visit = [&](std::string sub_path, bool unread, bool clashed) {
        Level level{std::move(sub_path), clashed, {}, 0};
        std::vector<std::pair<PassedOver, std::string>> not_entered;
        std::vector<NameClash> clashing;
        const ClashRule* rule =
            clashes && !clashed && !unread && clashes->ignores_case(level.sub_path) ? &clashes->rule
                                                                                    : nullptr;
        const Outcome outcome =
            unread ? Outcome::Read
                   : read(top, level.sub_path, counted, destination, hidden_folders, level.children,
                          not_entered, rule, clashing, clashed);
        if (outcome == Outcome::EndRun)
            return false;
        out.push_back({level.sub_path, outcome == Outcome::PassedOver, std::move(not_entered),
                       unread, std::move(clashing), clashed});
        if (listed)
            listed(out.back());
        if (!level.children.empty())
            path.push_back(std::move(level));
        return true;
    };
    if (!visit("", false, false))
        return false;
    while (!path.empty()) {
        Level& level = path.back();
        if (level.next == level.children.size()) {
            path.pop_back();
            continue;
        }
        const Child& child = level.children[level.next++];
        if (!visit(level.sub_path + "/" + child.name, child.unread, level.clashed || child.clashed))
            return false;
    }
    return true;
}

SourceFolders::Outcome
SourceFolders::read(SourceTop& top, const std::string& sub_path, std::optional<dev_t>& counted,
                    const struct stat* destination, bool hidden_folders,
                    std::vector<Child>& subfolders,
                    std::vector<std::pair<PassedOver, std::string>>& not_entered,
                    const ClashRule* clashes, std::vector<NameClash>& clashed, bool quiet) {
    const std::string folder = top.path() + sub_path;
    for (;;) {
        subfolders.clear();
        not_entered.clear();
        // Every entry, when the destination ignores case: a file too may share a
        // subfolder's name there.
        std::vector<std::pair<std::string, unsigned char>> entries;
        Directory dir(top.open(sub_path, O_RDONLY), folder);
        struct stat own {};
        if (sub_path.empty() && dir.fd() >= 0 && ::fstat(dir.fd(), &own) == 0 &&
            counts_subfolders(dir.fd()))
            counted = own.st_dev;
        std::string_view name;
        unsigned char type = 0;
        while (dir.next(name, type)) {
            std::string sub(name);
            if (clashes)
                entries.emplace_back(sub, type);
            struct stat seen {};
            switch (vt::subfolder_of(dir.fd(), sub.c_str(), type, destination, hidden_folders,
                                     counted ? &seen : nullptr)) {
            case Subfolder::Enter:
                subfolders.push_back(
                    {std::move(sub), counted && holds_no_subfolders(seen, *counted)});
                break;
            case Subfolder::Hidden:
                not_entered.emplace_back(PassedOver::HiddenFolder, std::move(sub));
                break;
            case Subfolder::Link:
                not_entered.emplace_back(PassedOver::FolderLink, std::move(sub));
                break;
            case Subfolder::Ignore:
                break;
            }
        }
        if (dir.error() == 0 || quiet) {
            if (clashes)
                mark_clashes(dir.fd(), std::move(entries), *clashes, subfolders, clashed);
            return Outcome::Read;
        }
        if (observer_)
            observer_->folder_unreadable(folder);
        const Answer answer = ask_unreadable_folder(prompter_, journal_, folder, dir.error());
        if (answer == Answer::Retry)
            continue;
        ++failures_;
        subfolders.clear();
        not_entered.clear();
        return answer == Answer::Ignore ? Outcome::PassedOver : Outcome::EndRun;
    }
}

} // namespace vt
