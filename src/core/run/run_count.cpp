#include "core/run/run_count.h"

#include "core/platform/directory.h"
#include "core/platform/long_path.h"
#include "core/platform/quiet_thread.h"
#include "core/run/copy_inputs.h"
#include "core/run/walk_rules.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace vt {

namespace {

constexpr std::uint64_t kTaken = 0xffffffffu;
constexpr std::chrono::microseconds kNoPatience{0};
constexpr std::chrono::microseconds kWaitStep{50};

std::uint64_t place(int row, std::size_t index) {
    return (static_cast<std::uint64_t>(row) << 32) | std::min<std::uint64_t>(index, 0xffffffffu);
}

// Reads a folder past the fault seam: the count is only a forecast, and a fault a
// test plans for the run must reach the run, not the count.
class PlainFolder {
public:
    explicit PlainFolder(const std::string& path) {
        const int fd = open_long_path(AT_FDCWD, path, O_RDONLY | O_DIRECTORY);
        if (fd >= 0 && !(dir_ = ::fdopendir(fd)))
            ::close(fd);
    }
    ~PlainFolder() {
        if (dir_)
            ::closedir(dir_);
    }
    PlainFolder(const PlainFolder&) = delete;
    PlainFolder& operator=(const PlainFolder&) = delete;

    int fd() const { return dir_ ? ::dirfd(dir_) : -1; }
    const dirent* next() {
        while (dir_) {
            const dirent* e = ::readdir(dir_);
            if (!e)
                return nullptr;
            const char* n = e->d_name;
            if (!(n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))))
                return e;
        }
        return nullptr;
    }

private:
    DIR* dir_ = nullptr;
};

} // namespace

bool copies_unasked(const timespec& source, const std::optional<timespec>& destination,
                    const DiskTraits& disk, bool replace, bool same_size) {
    return !destination || disk.later(source, *destination) ||
           ((replace || !same_size) && disk.same_time(source, *destination));
}

std::vector<RunCount::Line> RunCount::lines_of(const CopyInputs& inputs) {
    std::vector<Line> lines;
    for (int row = 1; row < inputs.row_count(); ++row)
        lines.push_back(read_line(inputs, row));
    return lines;
}

void RunCount::start(std::vector<Line> lines, bool every_file) {
    stop();
    lines_ = std::move(lines);
    every_file_ = every_file;
    files_ = 0;
    bytes_ = 0;
    // A run that shows no totals counts nothing: its first folder is not waited for.
    known_ = lines_.empty();
    stopping_ = false;
    if (known_)
        return;
    {
        // The first folder is the count's: both start there together, and the run
        // has far more to do before its first copy than the count before its first
        // look.
        const std::lock_guard lock(places_);
        count_at_ = place(1, 0);
        run_at_ = 0;
        run_counts_ = false;
        serial_ = 1;
        frontier_ = serial_ << 32;
    }
    worker_ = quiet_thread([this] { count(); });
}

void RunCount::stop() {
    stopping_ = true;
    if (worker_.joinable())
        worker_.join();
}

RunCount::Place RunCount::reached(int row, std::size_t index) {
    const std::uint64_t at = place(row, index);
    const std::lock_guard lock(places_);
    run_at_ = at;
    run_counts_ = !known_ && count_at_ < at;
    if (count_at_ > at || known_)
        return {Place::Count, 0};
    if (count_at_ == at)
        return {Place::Shared, serial_, serial_ == 1 ? kFirstFolderPatience : kNoPatience};
    return {Place::Run, 0};
}

bool RunCount::took(Place& place, std::size_t entry) {
    if (place.mode != Place::Shared)
        return place.mode == Place::Count;
    std::uint64_t f = frontier_.load(std::memory_order_acquire);
    for (;;) {
        if (f >> 32 != place.serial) {
            place.mode = Place::Count; // the count has gone on to other folders
            return true;
        }
        const std::uint64_t seen = f & 0xffffffffu;
        if (seen == kTaken) {
            place.mode = Place::Run;
            run_counts_ = true;
            return false;
        }
        if (seen > entry)
            return true;
        if (place.patience > kNoPatience) {
            const auto before = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(kWaitStep);
            place.patience -= std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - before);
            f = frontier_.load(std::memory_order_acquire);
            continue;
        }
        if (frontier_.compare_exchange_weak(f, (place.serial << 32) | kTaken,
                                            std::memory_order_acq_rel)) {
            place.mode = Place::Run;
            run_counts_ = true;
            return false;
        }
    }
}

bool RunCount::pass(std::size_t entry) {
    const std::uint64_t serial = frontier_.load(std::memory_order_relaxed) >> 32;
    std::uint64_t f = (serial << 32) | entry;
    return frontier_.compare_exchange_strong(f, f + 1, std::memory_order_acq_rel);
}

bool RunCount::claim(int row, std::size_t index) {
    const std::uint64_t at = place(row, index);
    const std::lock_guard lock(places_);
    if (count_at_ >= at)
        return true; // the first folder, taken at the start
    if (run_at_ >= at)
        return false;
    count_at_ = at;
    frontier_ = ++serial_ << 32;
    return true;
}

void RunCount::add(std::uint64_t bytes) {
    files_.fetch_add(1, std::memory_order_relaxed);
    bytes_.fetch_add(bytes, std::memory_order_relaxed);
}

void RunCount::read(RunProgress& progress) const {
    // Once the count is known, every file it added is in the totals read after it.
    // Files the run counts itself, in the folder it is in, are known only when it
    // leaves that folder.
    progress.total_known = known_.load(std::memory_order_acquire) && !run_counts_;
    progress.total_files = files_.load(std::memory_order_relaxed);
    progress.total_bytes = bytes_.load(std::memory_order_relaxed);
}

void RunCount::count() {
    // A forecast must not slow the copying itself, nor anything else the user runs:
    // it takes the time a processor would otherwise leave idle (or, where that is not
    // allowed, the lowest priority; the nice value of a Linux thread is its own).
    const sched_param idle{};
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle) != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
    for (std::size_t i = 0; i < lines_.size() && !stopping_; ++i)
        count_line(static_cast<int>(i) + 1, lines_[i]);
    if (!stopping_)
        known_.store(true, std::memory_order_release);
}

void RunCount::count_line(int row, const Line& line) {
    if (names_one_folder(line.source, line.destination))
        return;
    if (!line.subfolders) {
        count_folder(line, "", claim(row, 0), nullptr, nullptr);
        return;
    }
    // The run's folder order: depth first, parent before children, each folder's
    // subfolders in the file system's order.
    struct stat target {};
    const bool have_target = stat_long_path(line.destination, target, true) == 0;
    struct Level {
        std::string sub_path;
        std::vector<std::string> children;
        std::size_t next = 0;
    };
    std::vector<Level> path;
    std::size_t index = 0;
    auto visit = [&](std::string sub_path) {
        Level level{std::move(sub_path), {}, 0};
        count_folder(line, level.sub_path, claim(row, index++), &level.children,
                     have_target ? &target : nullptr);
        path.push_back(std::move(level));
    };
    visit("");
    while (!path.empty() && !stopping_) {
        Level& top = path.back();
        if (top.next == top.children.size()) {
            path.pop_back();
            continue;
        }
        std::string child = top.sub_path + "/" + top.children[top.next++];
        visit(std::move(child));
    }
}

DiskTraits RunCount::compared_at(int source, int destination) const {
    if (!disks_)
        return traits_of_type(0);
    return DiskCatalog::comparing(disks_->of(destination), disks_->of_source(source));
}

void RunCount::count_folder(const Line& line, const std::string& sub_path, bool take,
                            std::vector<std::string>* subfolders, const struct stat* target) {
    PlainFolder source(line.source + sub_path);
    if (source.fd() < 0)
        return; // the run reports it
    // A missing destination folder holds no backups: every file is to be copied.
    const int destination =
        take && !every_file_
            ? open_long_path(AT_FDCWD, line.destination + sub_path, O_PATH | O_DIRECTORY)
            : -1;
    std::size_t entry = 0;              // of those that match the mask
    std::optional<DiskTraits> compared; // asked for when a backup is there to compare with
    while (const dirent* e = source.next()) {
        if (stopping_.load(std::memory_order_relaxed))
            break;
        const char* name = e->d_name;
        if (subfolders && enters_folder(source.fd(), name, e->d_type, target, line.hidden_folders))
            subfolders->emplace_back(name);
        if (!take || !selects_entry(line.spec, name))
            continue;
        struct stat s {};
        const bool file = classify_entry(source.fd(), name, e->d_type, s) == EntryKind::File;
        struct stat d {};
        const bool present = file && destination >= 0 && ::fstatat(destination, name, &d, 0) == 0 &&
                             !S_ISDIR(d.st_mode);
        // Times are only worth converting when there is a backup to compare with.
        const bool copies =
            file &&
            (every_file_ || !present ||
             copies_unasked(s.st_mtim, d.st_mtim,
                            compared ? *compared
                                     : compared.emplace(compared_at(source.fd(), destination)),
                            line.replace, s.st_size == d.st_size));
        // The run may have got to this entry first: the rest of the folder is its own.
        if (!pass(entry++))
            take = false;
        else if (copies)
            add(static_cast<std::uint64_t>(s.st_size));
    }
    if (destination >= 0)
        ::close(destination);
}

} // namespace vt
