#include "engine/file_transfer.h"

#include "engine/journal.h"
#include "platform/error_text.h"
#include "platform/long_path.h"
#include "platform/new_file.h"
#include "platform/prompter.h"
#include "platform/sys.h"

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

int open_source(int dir, const std::string& name) {
    // O_NOATIME keeps a backup from touching the source's access time; it is only
    // allowed for the file's owner, so fall back without it. O_NONBLOCK: a FIFO
    // slipped in since the search must not hang the run.
    const int flags = O_RDONLY | O_NOCTTY | O_NONBLOCK;
    int fd = sys::openat(dir, name.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = sys::openat(dir, name.c_str(), flags);
    return fd;
}

// Copies exactly `count` bytes inside the kernel, which spares the two copies through
// user memory. False with errno EXDEV, EINVAL, ENOSYS or EOPNOTSUPP before anything
// was copied when the file systems cannot do it; errno 0 when the source ended early.
bool copy_exactly(int from, int to, std::size_t count, bool& unsupported) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = sys::copy_range(from, to, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            unsupported = done == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                                        errno == EOPNOTSUPP);
            return false;
        }
        if (n == 0) {
            errno = 0;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads exactly `count` bytes; a file that ends early is a failure (errno 0).
bool read_exactly(int fd, char* buffer, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = sys::read(fd, buffer + got, count - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = 0;
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

FileTransfer::FileTransfer(Prompter& prompter, Journal& journal)
    : prompter_(prompter), journal_(journal) {}

FileTransfer::~FileTransfer() = default;

TransferOutcome FileTransfer::transfer(const std::string& source_folder,
                                       const std::string& destination_folder,
                                       const std::string& name) {
    Fd source{open_long_path(AT_FDCWD, source_folder, O_RDONLY | O_DIRECTORY)};
    Fd destination{open_long_path(AT_FDCWD, destination_folder, O_PATH | O_DIRECTORY)};
    return transfer(source.fd, destination.fd, name);
}

TransferOutcome FileTransfer::transfer(int source_dir, int destination_dir,
                                       const std::string& name) {
    for (;;) {
        switch (attempt(source_dir, destination_dir, name)) {
        case Step::Done:
            return TransferOutcome::Copied;
        case Step::Skip:
            return TransferOutcome::Skip;
        case Step::EndRun:
            return TransferOutcome::EndRun;
        case Step::Retry:
            break;
        }
    }
}

FileTransfer::Step FileTransfer::fail(const char* title, const char* first_line,
                                      const std::string& name, int error) {
    return fail_text(title, first_line, name,
                     error ? system_error_text(error) : "The file ended before its size was read");
}

FileTransfer::Step FileTransfer::fail_text(const char* title, const char* first_line,
                                           const std::string& name, const std::string& error) {
    journal_.error(name, error);
    Prompt box;
    box.title = title;
    box.text =
        std::string(first_line) + "\r\n" + name + " with the following message: \r\n\r\n" + error;
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

FileTransfer::Step FileTransfer::attempt(int source_dir, int destination_dir,
                                         const std::string& name) {
    // 1. The source.
    Fd source{open_source(source_dir, name)};
    if (source.fd < 0)
        return fail(kSourceTitle, kSourceLine, name, errno);
    struct stat from {};
    if (::fstat(source.fd, &from) != 0)
        return fail(kSourceTitle, kSourceLine, name, errno);
    if (!S_ISREG(from.st_mode))
        return fail(kSourceTitle, kSourceLine, name, EINVAL);

    // 2. The destination: an existing file must be one the owner may write (checked
    // by its bits, as root passes every permission check), and never the source.
    if (destination_dir < 0)
        return fail(kDestinationTitle, kDestinationLine, name, ENOENT);
    struct stat to {};
    const bool replacing = ::fstatat(destination_dir, name.c_str(), &to, AT_SYMLINK_NOFOLLOW) == 0;
    if (replacing) {
        if (S_ISDIR(to.st_mode))
            return fail(kDestinationTitle, kDestinationLine, name, EISDIR);
        if (S_ISREG(to.st_mode) && !(to.st_mode & S_IWUSR))
            return fail(kDestinationTitle, kDestinationLine, name, EACCES);
        struct stat target {};
        if (::fstatat(destination_dir, name.c_str(), &target, 0) == 0 &&
            target.st_dev == from.st_dev && target.st_ino == from.st_ino)
            return Step::Skip; // already there: the file is its own copy
    }
    // The copy is made as a file without a name where the file system allows it (see
    // new_file.h), and named only when complete.
    NewFile copy;
    if (const int e = copy.create(destination_dir, ".", 0600))
        return fail(kDestinationTitle, kDestinationLine, name, e);
    // A failed copy is gone before the box is shown.
    auto give_up = [&](const char* title, const char* first_line, int error) {
        copy.discard();
        return fail(title, first_line, name, error);
    };

    // 3. The content, in blocks. No space is reserved ahead (fallocate): on ext4 it
    // gains a few per cent on large files at most, a crash could leave reserved blocks
    // reading as zeros behind the source's time stamp unless each such copy were flushed
    // at once, and on FAT disks it writes the whole file as zeros first.
    const std::uint64_t size = static_cast<std::uint64_t>(from.st_size);
    if (size > kBlockSize)
        ::posix_fadvise(source.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::uint64_t done = 0;
    bool in_kernel = true; // until the file systems say they cannot
    while (done < size) {
        const std::size_t block =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - done, kBlockSize));
        bool unsupported = false;
        bool ok = in_kernel && copy_exactly(source.fd, copy.fd(), block, unsupported);
        if (!ok && unsupported && done == 0)
            in_kernel = false;
        if (!in_kernel) {
            if (!buffer_)
                buffer_ = std::make_unique<char[]>(kBlockSize);
            ok = read_exactly(source.fd, buffer_.get(), block) &&
                 sys::write_all(copy.fd(), buffer_.get(), block);
        }
        if (!ok)
            return give_up(kTransferTitle, kTransferLine, errno);
        done += block;
        if (on_block_)
            on_block_(done, size);
    }
    source.reset();

    // 4. Times and permission bits. The owner keeps write permission so that the
    // next run can replace the copy.
    ::fchmod(copy.fd(), (from.st_mode & 0777) | S_IWUSR);
    const struct timespec times[2] = {from.st_atim, from.st_mtim};
    if (sys::futimens(copy.fd(), times) != 0)
        journal_.timestamp_error(system_error_text(errno));

    // 5. The complete copy takes the destination's place (a link there is replaced,
    // not written through). A copy that replaces the last good backup is on the disk
    // before the old one goes: a power cut must never leave an empty or zeroed file
    // there with the source's time stamp, which later runs would take as up to date.
    if (replacing && sys::fdatasync(copy.fd()) != 0)
        return give_up(kTransferTitle, kTransferLine, errno);
    // The file it replaces is kept first, when the run keeps versions.
    bool moved = false;
    if (replacing && keeper_)
        if (const int e = keeper_->keep(destination_dir, name, moved))
            return give_up(kDestinationTitle, kDestinationLine, e);
    if (const int e = copy.name_as(name, !replacing)) {
        if (moved)
            keeper_->put_back(destination_dir, name);
        return give_up(kDestinationTitle, kDestinationLine, e);
    }
    if (const int e = copy.close()) {
        // A late write error: a new file that may be incomplete is taken away again.
        if (!replacing)
            ::unlinkat(destination_dir, name.c_str(), 0);
        return fail(kTransferTitle, kTransferLine, name, e);
    }
    last_size_ = size;
    return Step::Done;
}

} // namespace vt
