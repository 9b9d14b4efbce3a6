#include "core/run/list_walk.h"

#include "core/platform/directory.h"
#include "core/platform/long_path.h"
#include "core/platform/prompter.h"
#include "core/run/run_progress.h"
#include "core/run/walk_rules.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace vt {

ListWalk::ListWalk(Visitor& visitor, Prompter& prompter, Journal& journal, RunCount& count,
                   RunObserver* observer)
    : visitor_(visitor), prompter_(prompter), journal_(journal), count_(count), observer_(observer),
      sources_(prompter, journal, observer) {}

ListWalk::Step ListWalk::line(const ListLine& line) {
    if (names_one_folder(line.source, line.destination)) {
        visitor_.refused(line);
        return Step::Go;
    }
    top_.emplace(line.source);
    // A disk can be unmounted once a run has ended: the line's folder is let go.
    struct Closing {
        std::optional<SourceTop>& top;
        ~Closing() { top.reset(); }
    } closing{top_};
    if (disks_ == &own_disks_)
        own_disks_.start(false); // a disk may have been swapped since the last line
    case_.emplace(*disks_, line.destination);
    const bool have_target = stat_long_path(line.destination, target_, true) == 0;
    rule_ = {line.spec, line.subfolders, line.hidden_folders, have_target ? &target_ : nullptr};
    // The scan reads each folder as soon as it is listed, while the rest are listed.
    FolderScan scan({}, line.spec, hints_ ? FolderScan::Looks::Shared : FolderScan::Looks::None,
                    true);
    auto scan_too = [&](const ListedFolder& f) {
        scan.add({line.source + f.sub_path, hints_ ? line.destination + f.sub_path : std::string(),
                  f.passed_over || f.clashed, f.unread, top_->shared(), f.sub_path});
    };
    std::vector<ListedFolder> folders;
    if (line.subfolders) {
        // A folder that cannot be listed is journaled and asked about at once: what
        // was found before it is told first.
        if (visitor_.settle() == Step::End)
            return Step::End;
        const ClashLook clashes{
            rule_, [this](const std::string& sub) { return case_->ignores_case(sub); }};
        if (!sources_.list(*top_, have_target ? &target_ : nullptr, line.hidden_folders, folders,
                           scan_too, &clashes))
            return Step::End;
    } else {
        folders.emplace_back();
        scan_too(folders.back());
    }
    scan.added_all();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (folder(line, folders[i], scan, i) == Step::End)
            return Step::End;
    }
    return Step::Go;
}

ListWalk::Step ListWalk::folder(const ListLine& line, const ListedFolder& listed, FolderScan& scan,
                                std::size_t index) {
    Folder folder;
    folder.line = &line;
    folder.index = index;
    folder.sub_path = listed.sub_path;
    folder.source = line.source + listed.sub_path;
    folder.destination = line.destination + listed.sub_path;
    folder.passed_over = listed.passed_over;
    folder.unread = listed.unread;
    folder.counting = count_.reached(line.row, index);
    if (listed.clashed)
        return Step::Go; // told, once, when its parent was entered
    const Step entered = visitor_.enter(folder);
    if (entered == Step::End)
        return Step::End;
    if (entered == Step::Leave || folder.passed_over)
        return Step::Go; // a folder passed over was reported when the folders were listed
    for (const auto& [what, name] : listed.not_entered) {
        if (visitor_.passed_over(folder, what, folder.source + "/" + name) == Step::End)
            return Step::End;
    }
    for (const NameClash& clash : listed.clashes) {
        if (visitor_.clash(folder, clash) == Step::End)
            return Step::End;
    }

    int error = open_source(folder);
    Step step = error ? Step::Go : read_scanned(folder, scan, error);
    // A folder that cannot be opened or read to its end is asked about; Retry reads it
    // again, here, from its start.
    while (step == Step::Go && error != 0) {
        if (visitor_.settle() == Step::End)
            return Step::End;
        if (observer_)
            observer_->folder_unreadable(folder.source);
        const Answer answer = ask_unreadable_folder(prompter_, journal_, folder.source, error);
        if (answer == Answer::Retry) {
            error = open_source(folder);
            if (error == 0)
                step = read_again(folder, error);
            continue;
        }
        ++failures_;
        if (answer != Answer::Ignore)
            return Step::End;
        error = 0;
    }
    if (step == Step::End)
        return Step::End;
    return visitor_.leave(folder) == Step::End ? Step::End : Step::Go;
}

int ListWalk::open_source(Folder& folder) {
    folder.source_dir.reset();
    const int fd = top_->open(folder.sub_path, O_RDONLY);
    const int error = errno;
    folder.source_dir = SharedFd(fd);
    if (fd < 0)
        return error;
    visitor_.opened(folder);
    if (case_->ignores_case(folder.sub_path))
        find_losers(folder); // again after a Retry: the folder may have changed
    return 0;
}

void ListWalk::find_losers(Folder& folder) {
    // Read once more, whole: which name is copied must not depend on the order the
    // folder lists them in, and the scan hands them on a batch at a time.
    Directory dir(::openat(folder.source_dir.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC),
                  folder.source);
    std::vector<std::pair<std::string, unsigned char>> entries;
    folder.losers.clear();
    std::string_view name;
    unsigned char type = 0;
    while (dir.next(name, type))
        entries.emplace_back(name, type);
    for (NameClash& clash : name_clashes(dir.fd(), std::move(entries), rule_)) {
        if (!clash.folder)
            folder.losers.emplace(std::move(clash.name), std::move(clash.winner));
    }
}

ListWalk::Step ListWalk::read_scanned(Folder& folder, FolderScan& scan, int& error) {
    std::vector<FolderScan::Entry> batch;
    for (bool more = true; more;) {
        more = scan.next(folder.index, batch, error);
        // A folder slow to read (a network share, say) still lets the window answer
        // and "Stop Copy" work.
        if (batch.empty() && more) {
            const Step step = visitor_.idle();
            if (step != Step::Go)
                return step;
        }
        for (const FolderScan::Entry& entry : batch) {
            const Step step = take(folder, entry);
            if (step != Step::Go)
                return step;
        }
    }
    return Step::Go;
}

ListWalk::Step ListWalk::read_again(Folder& folder, int& error) {
    const std::string handled = folder.handled; // the set below looks into this copy
    std::unordered_set<std::string_view> done;
    for (std::size_t at = 0; at < handled.size();) {
        const std::size_t end = handled.find('\0', at);
        done.insert(std::string_view(handled).substr(at, end - at));
        at = end + 1;
    }
    Directory dir(top_->open(folder.sub_path, O_RDONLY), folder.source);
    std::string_view name;
    unsigned char type = 0;
    while (dir.next(name, type)) {
        const bool selected = selects_entry(folder.line->spec, name);
        const bool temporary = !selected && masked_as_temporary(folder.line->spec, name);
        if ((!selected && !temporary && !(folder.unread && may_be_link(type))) || done.count(name))
            continue;
        FolderScan::Entry entry;
        entry.name.assign(name);
        entry.type = type;
        entry.outside_mask = !selected;
        entry.temporary_name = temporary;
        const Step step = take(folder, entry);
        if (step != Step::Go)
            return step;
    }
    error = dir.error();
    return Step::Go;
}

ListWalk::Step ListWalk::take(Folder& folder, const FolderScan::Entry& entry) {
    folder.handled.append(entry.name).push_back('\0');
    if (entry.temporary_name)
        return told_if_temporary_name(folder, entry);
    if (entry.outside_mask)
        return told_if_folder_link(folder, entry);
    const int dir = folder.source_dir.get();
    const bool took = count_.took(folder.counting, folder.taken++);
    struct stat st {};
    bool file;
    if (entry.source_seen && visitor_.recent(entry)) {
        file = entry.source_kind == EntryKind::File;
        st = entry.source;
    } else {
        file = classify_entry(dir, entry.name.c_str(), entry.type, st) == EntryKind::File;
    }
    if (file && !folder.losers.empty()) {
        if (const auto lost = folder.losers.find(entry.name); lost != folder.losers.end())
            return visitor_.clash(folder, {entry.name, lost->second, false});
    }
    if (!file && is_dangling_link(dir, entry.name.c_str(), entry.type)) {
        const Step step = visitor_.passed_over(folder, PassedOver::DanglingLink,
                                               folder.source + "/" + entry.name);
        if (step != Step::Go)
            return step;
    } else if (!file && folder.unread) {
        const Step step = told_if_folder_link(folder, entry);
        if (step != Step::Go)
            return step;
    }
    return visitor_.entry(folder, entry, file ? &st : nullptr, took);
}

ListWalk::Step ListWalk::told_if_temporary_name(Folder& folder, const FolderScan::Entry& entry) {
    // The program's own are unnamed, or gone once the run that made them has ended:
    // a file of such a name in a source is most likely the person's, and a backup
    // without it says why.
    struct stat st {};
    if (classify_entry(folder.source_dir.get(), entry.name.c_str(), entry.type, st) !=
        EntryKind::File)
        return Step::Go;
    return visitor_.passed_over(folder, PassedOver::TemporaryName,
                                folder.source + "/" + entry.name);
}

ListWalk::Step ListWalk::told_if_folder_link(Folder& folder, const FolderScan::Entry& entry) {
    if (!is_folder_link(folder.source_dir.get(), entry.name.c_str(), entry.type))
        return Step::Go;
    return visitor_.passed_over(folder, PassedOver::FolderLink, folder.source + "/" + entry.name);
}

} // namespace vt
