#include "core/run/file_transfer.h"

#include "core/platform/error_text.h"
#include "core/platform/file_attributes.h"
#include "core/platform/long_path.h"
#include "core/platform/prompter.h"
#include "core/platform/sys.h"
#include "core/run/copy_decision.h"
#include "core/run/flush_policy.h"
#include "core/run/journal.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vt {
namespace {

constexpr const char* kSourceTitle = "Source File Access Problem";
constexpr const char* kSourceLine = "Your system is unable to open the source file";
constexpr const char* kDestinationTitle = "Destination File Access Problem";
constexpr const char* kDestinationLine = "Your system is unable to create the destination file";
constexpr const char* kTransferTitle = "Data Transfer Problem";
constexpr const char* kTransferLine = "Your system is having trouble completing the copy of file";

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd() { reset(); }
    void reset() {
        if (fd >= 0)
            sys::close(fd);
        fd = -1;
    }
};

int open_source(int dir, const std::string& name, bool no_follow) {
    // O_NOATIME keeps a backup from touching the source's access time; it is only
    // allowed for the file's owner, so fall back without it. O_NONBLOCK: a FIFO
    // slipped in since the search must not hang the run.
    const int flags = O_RDONLY | O_NOCTTY | O_NONBLOCK | (no_follow ? O_NOFOLLOW : 0);
    int fd = sys::openat(dir, name.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = sys::openat(dir, name.c_str(), flags);
    return fd;
}

// "4 GiB - 1 byte" for FAT's limit; bytes for any other.
std::string size_limit_text(std::uint64_t bytes) {
    constexpr std::uint64_t kGiB = 1ull << 30;
    if (bytes != UINT64_MAX && (bytes + 1) % kGiB == 0)
        return std::to_string((bytes + 1) / kGiB) + " GiB - 1 byte";
    return std::to_string(bytes) + " bytes";
}

MadeCopy problem(MadeCopy::Problem what, int error) {
    MadeCopy made;
    made.problem = what;
    made.error = error;
    return made;
}

// An existing destination may be replaced only when it is a file the owner may write
// (asked of its bits, as root passes every permission check), and never when it is
// the source itself.
MadeCopy::Problem check_replaced(int destination_dir, const std::string& name,
                                 const struct stat& from, const struct stat& to, int& error) {
    if (S_ISDIR(to.st_mode)) {
        error = EISDIR;
        return MadeCopy::Problem::Destination;
    }
    if (S_ISLNK(to.st_mode)) {
        // Someone placed a link where the backup file belongs: neither written through
        // nor quietly replaced.
        error = ELOOP;
        return MadeCopy::Problem::Destination;
    }
    if (S_ISREG(to.st_mode) && !(to.st_mode & S_IWUSR)) {
        error = EACCES;
        return MadeCopy::Problem::Destination;
    }
    struct stat target {};
    if (::fstatat(destination_dir, name.c_str(), &target, 0) == 0 && target.st_dev == from.st_dev &&
        target.st_ino == from.st_ino)
        return MadeCopy::Problem::SameFile;
    return MadeCopy::Problem::None;
}

// Whether the backup that `made` replaces differs from it: a version of a backup
// that is the copy already would only double the room it takes. The copy carries its
// source's size and time (a copy whose time could not be set keeps the backup).
bool replaces_other_backup(const MadeCopy& made, const TransferPlace& place,
                           const std::string& name) {
    struct stat copy {
    }, backup{};
    if (::fstat(made.file.fd(), &copy) != 0 ||
        ::fstatat(place.destination_dir, name.c_str(), &backup, AT_SYMLINK_NOFOLLOW) != 0)
        return true;
    return !S_ISREG(backup.st_mode) ||
           !is_same_backup(copy, backup, place.disk ? *place.disk : traits_of_type(0));
}

} // namespace

FileTransfer::FileTransfer(Prompter& prompter, Journal& journal)
    : prompter_(prompter), journal_(journal) {}

MadeCopy FileTransfer::make_copy(const TransferPlace& place, const std::string& name,
                                 DestinationSeen seen, CopyMethods& methods, CopyScratch& scratch,
                                 const CopyWatch& watch, CompareBuffers* compare) {
    // 1. The source.
    Fd source{open_source(place.source_dir, name, place.source_no_follow)};
    if (source.fd < 0)
        return problem(MadeCopy::Problem::Source, errno);
    struct stat from {};
    if (::fstat(source.fd, &from) != 0)
        return problem(MadeCopy::Problem::Source, errno);
    if (!S_ISREG(from.st_mode))
        return problem(MadeCopy::Problem::Source, EINVAL);

    // 2. The destination. What the run has just seen missing is not looked at again:
    // should a file of the name appear meanwhile, naming the copy finds it.
    if (place.destination_dir < 0)
        return problem(MadeCopy::Problem::Destination, ENOENT);
    MadeCopy made;
    struct stat to {};
    if (seen != DestinationSeen::Absent) {
        made.replacing =
            ::fstatat(place.destination_dir, name.c_str(), &to, AT_SYMLINK_NOFOLLOW) == 0;
        if (made.replacing) {
            int error = 0;
            if (const auto p = check_replaced(place.destination_dir, name, from, to, error);
                p != MadeCopy::Problem::None)
                return problem(p, error);
        }
    }
    // A file the disk cannot hold is not tried: a FAT driver may take every byte and
    // keep the last 4 GiB's worth of them.
    const auto size = static_cast<std::uint64_t>(from.st_size);
    if (place.disk && size > place.disk->largest_file)
        return problem(MadeCopy::Problem::TooLarge, 0);
    // The copy is made as a file without a name where the file system allows it (see
    // new_file.h), and named only when complete. It is created with its permission
    // bits, less setuid and setgid until its owner is the source's: the owner keeps
    // write permission, so that the next run can replace it. Bits a disk made up are
    // not the file's: the copy is made as any new file, and the umask decides.
    const mode_t bits = place.source_made_up ? 0666 : (from.st_mode & 0777) | S_IWUSR;
    if (const int e = made.file.create(place.destination_dir, ".", bits))
        return problem(MadeCopy::Problem::Destination, e);

    // 3. The content.
    dev_t device = place.destination_device;
    if (device == 0) {
        struct stat folder {};
        if (::fstat(place.destination_dir, &folder) == 0)
            device = folder.st_dev;
    }
    const CopyResult copied =
        copy_file_data(source.fd, from, made.file.fd(), device, methods, scratch, watch);
    switch (copied.status) {
    case CopyStatus::Done:
        break;
    case CopyStatus::Cancelled:
        return problem(MadeCopy::Problem::Cancelled, 0);
    case CopyStatus::EndedEarly:
        return problem(MadeCopy::Problem::Data, 0);
    case CopyStatus::Failed:
        return problem(MadeCopy::Problem::Data, copied.error);
    }
    if (compare) {
        const Comparison read_back =
            verify_copy(made.file.fd(), source.fd, size, *compare, [&](std::uint64_t compared) {
                if (watch.done)
                    watch.done->store(size + compared, std::memory_order_relaxed);
                if (watch.after_call)
                    watch.after_call(size, size);
                return !(watch.cancel && watch.cancel->load(std::memory_order_relaxed));
            });
        switch (read_back.result) {
        case Comparison::Result::Same:
            break;
        case Comparison::Result::Different:
            return problem(MadeCopy::Problem::Differs, 0);
        case Comparison::Result::Cancelled:
            return problem(MadeCopy::Problem::Cancelled, 0);
        case Comparison::Result::SourceError:
        case Comparison::Result::CopyError:
            return problem(MadeCopy::Problem::Data, read_back.error ? read_back.error : EIO);
        }
    }
    // 4. Owner, extended attributes and ACLs, permission bits, then the times, which
    // the others could move. All on the copy without a name, so that the file that
    // takes the destination's name is complete.
    NewCopy copy{bits, place.umask_decides, false, std::nullopt};
    copy.source_made_up = place.source_made_up;
    if (made.replacing)
        copy.replaced = &to;
    if (place.new_files_group)
        copy.owner = std::pair(process_owner().first, *place.new_files_group);
    made.lost = copy_attributes(source.fd, from, made.file.fd(), copy);
    source.reset();
    const struct timespec times[2] = {from.st_atim, from.st_mtim};
    if (sys::futimens(made.file.fd(), times) != 0)
        made.times_error = errno;
    made.size = size;
    // A copy is as long as what was read for it, whatever the disk's driver said of
    // each write: its length is asked of the driver, once the writing is done.
    struct stat written {};
    if (::fstat(made.file.fd(), &written) != 0)
        return problem(MadeCopy::Problem::Data, errno);
    if (static_cast<std::uint64_t>(written.st_size) != size) {
        made.file.discard();
        made.problem = MadeCopy::Problem::Short;
        made.size_on_disk = static_cast<std::uint64_t>(written.st_size);
    }
    return made;
}

void FileTransfer::flush_copy(MadeCopy& made) {
    if (made.ok() && !made.flushed && sys::fdatasync(made.file.fd()) != 0) {
        made.problem = MadeCopy::Problem::Data;
        made.error = errno;
    }
    made.flushed = made.ok();
}

void FileTransfer::name_copy(MadeCopy& made, const TransferPlace& place, const std::string& name) {
    if (!made.ok())
        return;
    auto fail = [&](MadeCopy::Problem what, int error) {
        made.file.discard();
        made.problem = what;
        made.error = error;
    };
    // Nothing takes a backup's name before it is on the disk, whoever flushed it, nor
    // any name on a disk that only a flush of each file reaches.
    const FlushPolicy policy(place.disk);
    if (policy.needs_flush(made)) {
        flush_copy(made);
        if (!made.ok())
            return fail(made.problem, made.error);
    }
    // A disk that stamps a renamed file with the time of the renaming gets the copy's
    // times once more when it has its name.
    struct stat timed {};
    const bool retime =
        place.disk && place.disk->naming_sets_time && ::fstat(made.file.fd(), &timed) == 0;
    // The file replaced is kept first, when the run keeps versions; one moved away for
    // that goes back when the copy cannot take its name after all.
    auto name_replacing = [&] {
        bool moved = false;
        if (place.keeper && replaces_other_backup(made, place, name))
            if (const int e = place.keeper->keep(place.destination_dir, name, moved))
                return e;
        const int e = made.file.name_as(name, false, NewFile::Target::Taken);
        if (e != 0 && moved)
            place.keeper->put_back(place.destination_dir, name);
        return e;
    };
    int e =
        made.replacing ? name_replacing() : made.file.name_as(name, false, NewFile::Target::Free);
    if (e == EEXIST && !made.replacing) {
        // A file of that name appeared since the copy was made: it is replaced as any
        // other, flushed first.
        struct stat to {
        }, from{};
        if (::fstatat(place.destination_dir, name.c_str(), &to, AT_SYMLINK_NOFOLLOW) != 0)
            return fail(MadeCopy::Problem::Destination, errno);
        // The copy stands in for the source: its identity is never that of the file
        // found, unless the found one is the source (a link to it, say).
        if (::fstatat(place.source_dir, name.c_str(), &from, 0) != 0)
            from = {};
        int error = 0;
        if (const auto p = check_replaced(place.destination_dir, name, from, to, error);
            p != MadeCopy::Problem::None)
            return fail(p, error);
        made.replacing = true;
        if (policy.needs_flush(made))
            flush_copy(made);
        if (!made.ok())
            return fail(made.problem, made.error);
        e = name_replacing();
    }
    if (e != 0)
        return fail(MadeCopy::Problem::Destination, e);
    if (retime) {
        const timespec times[2] = {timed.st_atim, timed.st_mtim};
        if (sys::futimens(made.file.fd(), times) != 0)
            made.times_error = errno;
    }
    if (const int late = made.file.close()) {
        // A late write error: a new file that may be incomplete is taken away again.
        if (!made.replacing)
            ::unlinkat(place.destination_dir, name.c_str(), 0);
        made.problem = MadeCopy::Problem::Data;
        made.error = late;
    }
}

FileTransfer::Step FileTransfer::ask(const char* title, const char* first_line,
                                     const std::string& name, const std::string& text,
                                     const std::string& journal_line) {
    if (journal_line.empty())
        journal_.error(name, text);
    else
        journal_.entry(journal_line);
    Prompt box;
    box.title = title;
    box.text =
        std::string(first_line) + "\r\n" + name + " with the following message: \r\n\r\n" + text;
    box.buttons = Buttons::AbortRetryIgnore;
    box.default_button = Answer::Abort;
    box.escape_answer = Answer::Abort;
    switch (prompter_.ask(box)) {
    case Answer::Retry:
        return Step::Retry;
    case Answer::Ignore:
        return Step::Skip;
    default:
        return Step::EndRun;
    }
}

FileTransfer::Step FileTransfer::conclude(MadeCopy& made, const TransferPlace& place,
                                          const std::string& name) {
    if (made.times_error)
        journal_.timestamp_error(system_error_text(made.times_error));
    name_copy(made, place, name);
    if (made.ok() && made.lost)
        journal_.attributes_not_kept(name, made.lost);
    // A failed copy is gone before the box is shown.
    if (!made.ok())
        made.file.discard();
    const std::string error =
        made.error ? system_error_text(made.error) : "The file ended before its size was read";
    switch (made.problem) {
    case MadeCopy::Problem::None:
        last_size_ = made.size;
        return Step::Done;
    case MadeCopy::Problem::Source:
        return ask(kSourceTitle, kSourceLine, name, error);
    case MadeCopy::Problem::Destination:
        return ask(kDestinationTitle, kDestinationLine, name, error);
    case MadeCopy::Problem::Data:
        return ask(kTransferTitle, kTransferLine, name, error);
    case MadeCopy::Problem::Differs:
        return ask(kTransferTitle, kTransferLine, name,
                   comparison_error_text({Comparison::Result::Different, 0, 0}));
    case MadeCopy::Problem::Short:
        return ask(kTransferTitle, kTransferLine, name,
                   made.size_on_disk < made.size
                       ? "The copy on the disk is shorter than its source"
                       : "The copy on the disk is longer than its source");
    case MadeCopy::Problem::TooLarge: {
        const std::string why = "larger than the largest file the destination disk can hold (" +
                                size_limit_text(place.disk ? place.disk->largest_file : made.size) +
                                ")";
        return ask(kDestinationTitle, kDestinationLine, name, "The file is " + why,
                   name + " not copied: it is " + why);
    }
    case MadeCopy::Problem::SameFile:
    case MadeCopy::Problem::Cancelled:
        break;
    }
    return Step::Skip; // already there: the file is its own copy
}

TransferOutcome FileTransfer::transfer(const TransferPlace& place, const std::string& name,
                                       DestinationSeen seen) {
    CopyWatch watch;
    if (on_block_)
        watch.after_call = on_block_;
    for (;; seen = DestinationSeen::Unknown) {
        // The copy is flushed, where its disk's policy wants it, as it is named.
        MadeCopy made = make_copy(place, name, seen, methods_, scratch_, watch,
                                  compare_ ? &compare_buffers_ : nullptr);
        if (const Step step = conclude(made, place, name); step != Step::Retry)
            return outcome_of(step);
    }
}

TransferOutcome FileTransfer::finish(MadeCopy& made, const TransferPlace& place,
                                     const std::string& name) {
    const Step step = conclude(made, place, name);
    return step == Step::Retry ? transfer(place, name) : outcome_of(step);
}

TransferOutcome FileTransfer::outcome_of(Step step) {
    switch (step) {
    case Step::Skip:
        return TransferOutcome::Skip;
    case Step::EndRun:
        return TransferOutcome::EndRun;
    default:
        return TransferOutcome::Copied;
    }
}

TransferOutcome FileTransfer::transfer(int source_dir, int destination_dir,
                                       const std::string& name) {
    TransferPlace place;
    place.source_dir = source_dir;
    place.destination_dir = destination_dir;
    return transfer(place, name);
}

TransferOutcome FileTransfer::transfer(const std::string& source_folder,
                                       const std::string& destination_folder,
                                       const std::string& name) {
    Fd source{open_long_path(AT_FDCWD, source_folder, O_RDONLY | O_DIRECTORY)};
    Fd destination{open_long_path(AT_FDCWD, destination_folder, O_PATH | O_DIRECTORY)};
    return transfer(source.fd, destination.fd, name);
}

} // namespace vt
