#include "core/run/source_folders.h"

#include "core/platform/directory.h"
#include "core/platform/error_text.h"
#include "core/platform/prompter.h"
#include "core/run/folder_access_box.h"
#include "core/run/journal.h"
#include "core/run/run_progress.h"
#include "core/run/walk_rules.h"

namespace vt {

Answer ask_unreadable_folder(Prompter& prompter, Journal& journal, const std::string& folder,
                             int error) {
    const std::string text = system_error_text(error);
    journal.folder_unreadable(folder, text);
    return ask_folder_access(prompter, "Source Folder Access Problem", "read the source folder",
                             folder, text);
}

bool SourceFolders::list(const std::string& source, const struct stat* destination,
                         bool hidden_folders, std::vector<ListedFolder>& out,
                         const std::function<void(const ListedFolder&)>& listed) {
    // Each folder is read whole and closed before its children are entered, and the
    // walk keeps its place in lists of names, not in open folders: a tree of any depth
    // holds one folder open at a time, and no recursion can run out of stack.
    struct Level {
        std::string sub_path;
        std::vector<std::string> children;
        std::size_t next = 0;
    };
    std::vector<Level> path;
    auto visit = [&](std::string sub_path) {
        Level level{std::move(sub_path), {}, 0};
        std::vector<std::pair<PassedOver, std::string>> not_entered;
        const Outcome outcome =
            read(source + level.sub_path, destination, hidden_folders, level.children, not_entered);
        if (outcome == Outcome::EndRun)
            return false;
        out.push_back({level.sub_path, outcome == Outcome::PassedOver, std::move(not_entered)});
        if (listed)
            listed(out.back());
        path.push_back(std::move(level));
        return true;
    };
    if (!visit(""))
        return false;
    while (!path.empty()) {
        Level& top = path.back();
        if (top.next == top.children.size()) {
            path.pop_back();
            continue;
        }
        std::string child = top.sub_path + "/" + top.children[top.next++];
        if (!visit(std::move(child)))
            return false;
    }
    return true;
}

SourceFolders::Outcome
SourceFolders::read(const std::string& folder, const struct stat* destination, bool hidden_folders,
                    std::vector<std::string>& subfolders,
                    std::vector<std::pair<PassedOver, std::string>>& not_entered) {
    for (;;) {
        subfolders.clear();
        not_entered.clear();
        Directory dir(folder);
        std::string_view name;
        unsigned char type = 0;
        while (dir.next(name, type)) {
            std::string sub(name);
            switch (subfolder_of(dir.fd(), sub.c_str(), type, destination, hidden_folders)) {
            case Subfolder::Enter:
                subfolders.push_back(std::move(sub));
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
        if (dir.error() == 0)
            return Outcome::Read;
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
