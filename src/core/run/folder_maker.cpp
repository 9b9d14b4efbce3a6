#include "core/run/folder_maker.h"

#include "core/platform/beneath.h"
#include "core/platform/disk_catalog.h"
#include "core/platform/drive_check.h"
#include "core/platform/folder_create.h"
#include "core/platform/long_path.h"
#include "core/platform/prompter.h"
#include "core/run/journal.h"
#include "core/run/run_progress.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vt {
namespace {

constexpr const char* kTitle = "Bad Directory Create";

std::string without_trailing_slashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// A descriptor that closes itself.
struct Folder {
    int fd = -1;
    explicit Folder(int f) : fd(f) {}
    ~Folder() { reset(-1); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    void reset(int f) {
        if (fd >= 0)
            ::close(fd);
        fd = f;
    }
};

// The levels of `target` from the top: each one's last part and its whole text.
std::vector<std::pair<std::string, std::string>> levels_of(const std::string& target) {
    std::vector<std::pair<std::string, std::string>> levels;
    std::size_t begin = target.starts_with('/') ? 1 : 0;
    for (std::size_t slash = target.find('/', begin); begin < target.size();
         begin = slash + 1, slash = target.find('/', begin)) {
        if (slash == std::string::npos)
            slash = target.size();
        if (slash > begin)
            levels.emplace_back(target.substr(begin, slash - begin), target.substr(0, slash));
    }
    return levels;
}

Folder open_top(const std::string& target) {
    return Folder(::open(target.starts_with('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
}

} // namespace

std::string FolderMaker::nearest_existing_folder(const std::string& path) {
    std::string current = without_trailing_slashes(path);
    while (!current.empty() && !is_folder(current)) {
        const auto slash = current.rfind('/');
        if (slash == std::string::npos)
            return ".";
        current = without_trailing_slashes(current.substr(0, slash == 0 ? 1 : slash));
        if (current == "/")
            break;
    }
    return current.empty() ? "." : current;
}

void FolderMaker::set_disks(DiskCatalog* disks) {
    made_up_ = nullptr;
    if (disks)
        made_up_ = [disks](int fd) { return !disks->of_source(fd).keeps_modes; };
}

std::string FolderMaker::failure_text(const std::string& folder, const std::string& error) const {
    return "Your system is unable to create the requested Folder\r\n" + folder +
           "\r\nwith the following message: \r\n" + error;
}

bool FolderMaker::on_missing_drive(const std::string& folder) const {
    for (const std::string& drive : missing_drives_) {
        if (folder == drive ||
            (folder.starts_with(drive) && (drive.back() == '/' || folder[drive.size()] == '/')))
            return true;
    }
    return false;
}

void FolderMaker::level_failed(const std::string& level, const std::string& folder,
                               const std::string& error) {
    prompter_.ask(
        {kTitle, failure_text(level, error), Buttons::Ok, Answer::Ok, Icon::None, Answer::Ok});
    journal_.folder_failure(folder, error);
    ++failures_;
}

bool FolderMaker::prepare(const std::string& destination, const std::string& template_folder,
                          const std::string& sub_path) {
    // The destination itself when it exists: the empty mount point of a disk that is
    // not there is no more a place for a backup than a folder inside it.
    const std::string drive = nearest_existing_folder(destination);
    if (drives::is_missing_drive(drive)) {
        Prompt box;
        box.title = kTitle;
        box.text =
            (drive == "/" ? std::string() : drive) + "/ is not a valid drive on your system!";
        box.buttons = Buttons::OkCancel;
        box.default_button = Answer::Cancel;
        box.icon = Icon::Stop;
        box.escape_answer = Answer::Cancel;
        if (prompter_.ask(box) != Answer::Ok)
            return false;
        if (!on_missing_drive(drive))
            missing_drives_.push_back(drive);
        return true; // the folder's own creation fails and says why
    }
    // Every missing level above the folder itself; the run creates the folder. The
    // walk goes down through the levels' descriptors, so that a path of any length
    // costs one step per level.
    const std::string target = without_trailing_slashes(destination + sub_path);
    // A level below the line's destination is the backup of a source folder, and takes
    // that folder's attributes; the levels up to the destination take the line's source's.
    const std::string top = without_trailing_slashes(destination);
    auto template_for = [&](const std::string& level) {
        if (level.size() > top.size() && level.starts_with(top) && level[top.size()] == '/')
            return template_folder + level.substr(top.size());
        return template_folder;
    };
    Folder current = open_top(target);
    auto levels = levels_of(target);
    if (!levels.empty())
        levels.pop_back(); // the folder itself, which create() makes
    // The line's own folder may be reached through links; no level below it is.
    const std::size_t own_levels = levels_of(without_trailing_slashes(destination)).size();
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const auto& [name, level] = levels[i];
        const int no_links = i >= own_levels ? O_NOFOLLOW : 0;
        if (current.fd >= 0) {
            const int next =
                ::openat(current.fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC | no_links);
            if (next >= 0) {
                current.reset(next);
                continue;
            }
        }
        IoResult made = IoResult::from_errno(ENOENT);
        AttributeLoss lost;
        if (on_missing_drive(level))
            made = IoResult::from_errno(ENODEV);
        else if (current.fd >= 0)
            made = create_folder_at(current.fd, name, level, template_for(level), &lost, made_up_);
        if (made) {
            this->made(level);
            if (lost)
                journal_.attributes_not_kept(level, lost);
            current.reset(
                ::openat(current.fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC | no_links));
            continue;
        }
        level_failed(level, destination + sub_path, made.error);
        current.reset(-1); // the levels below cannot be made either
    }
    return true;
}

FolderOutcome FolderMaker::create(const std::string& template_folder,
                                  const std::string& new_folder) {
    AttributeLoss lost;
    const IoResult made =
        on_missing_drive(new_folder)
            ? IoResult::from_errno(ENODEV)
            : create_folder_from_template(template_folder, new_folder, &lost, made_up_);
    return outcome(made, new_folder, lost);
}

FolderOutcome FolderMaker::create_below(const std::string& template_folder, const std::string& top,
                                        const std::string& sub_path) {
    const std::string new_folder = top + sub_path;
    if (sub_path.empty() || on_missing_drive(new_folder))
        return create(template_folder, new_folder);
    const std::size_t slash = sub_path.rfind('/');
    const std::string leaf = sub_path.substr(slash + 1);
    AttributeLoss lost;
    IoResult made = IoResult::from_errno(ENOENT);
    Folder line_top(open_long_path(AT_FDCWD, top, O_PATH | O_DIRECTORY));
    if (line_top.fd >= 0) {
        Folder parent(open_beneath(line_top.fd, sub_path.substr(0, slash), O_PATH | O_DIRECTORY));
        made = parent.fd < 0 ? IoResult::from_errno(errno)
                             : create_folder_at(parent.fd, leaf, new_folder, template_folder, &lost,
                                                made_up_);
    } else {
        made = IoResult::from_errno(errno);
    }
    return outcome(made, new_folder, lost);
}

std::unique_ptr<FolderAhead> FolderMaker::create_ahead(const std::string& template_folder,
                                                       const std::string& top,
                                                       const std::string& sub_path,
                                                       AttributeLoss& lost) {
    const std::string new_folder = top + sub_path;
    if (sub_path.empty() || on_missing_drive(new_folder))
        return nullptr;
    const std::size_t slash = sub_path.rfind('/');
    const Folder line_top(open_long_path(AT_FDCWD, top, O_PATH | O_DIRECTORY));
    if (line_top.fd < 0)
        return nullptr;
    Folder parent(open_beneath(line_top.fd, sub_path.substr(0, slash), O_PATH | O_DIRECTORY));
    const std::string leaf = sub_path.substr(slash + 1);
    if (parent.fd < 0 ||
        !create_folder_at(parent.fd, leaf, new_folder, template_folder, &lost, made_up_))
        return nullptr;
    const int parent_fd = parent.fd;
    parent.fd = -1;
    return std::make_unique<FolderAhead>(parent_fd, leaf);
}

void FolderMaker::made_ahead(const std::string& folder, const AttributeLoss& lost) {
    made(folder);
    if (lost)
        journal_.attributes_not_kept(folder, lost);
}

FolderOutcome FolderMaker::outcome(const IoResult& made, const std::string& new_folder,
                                   const AttributeLoss& lost) {
    if (made) {
        this->made(new_folder);
        if (lost)
            journal_.attributes_not_kept(new_folder, lost);
        return FolderOutcome::Created;
    }
    const Answer answer =
        prompter_.ask({kTitle, failure_text(new_folder, made.error), Buttons::OkCancel, Answer::Ok,
                       Icon::None, Answer::Cancel});
    if (answer != Answer::Ok)
        return FolderOutcome::EndRun;
    journal_.folder_failure(new_folder, made.error);
    ++failures_;
    return FolderOutcome::Failed;
}

void FolderMaker::made(const std::string& folder) {
    journal_.folder_created(folder);
    if (observer_)
        observer_->folder_created(folder);
}

void FolderMaker::pretend(const std::string& destination, const std::string& sub_path) {
    const std::string target = without_trailing_slashes(destination + sub_path);
    Folder current = open_top(target);
    const auto levels = levels_of(target);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const auto& [name, level] = levels[i];
        if (current.fd >= 0) {
            current.reset(::openat(current.fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (current.fd >= 0)
                continue;
        }
        // Missing, and everything below it: made unless an earlier folder of the run
        // would have made it.
        if (!pretended_.insert(level).second)
            continue;
        made(i + 1 == levels.size() ? destination + sub_path : level);
    }
}

} // namespace vt
