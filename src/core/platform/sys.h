#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/vfs.h>

// Thin wrappers over the system calls that write or read user data, with a
// fault-injection seam: tests run as root, so permission bits cannot make these
// calls fail; a hook can. Every wrapper behaves exactly like the system call
// (result -1 and errno set on failure).
namespace vt::sys {

enum class Op {
    Open,
    Create,
    Read,
    Write,
    Close,
    Rename,
    Mkdir,
    SetTimes,
    Unlink,
    Sync,
    OpenDir,       // a folder opened to read its entries
    ReadDir,       // the next entries of an open folder
    DataSync,      // a file's content flushed to its disk (fdatasync)
    SyncFs,        // a whole file system flushed (syncfs)
    Clone,         // a copy made by sharing the source's blocks (FICLONE)
    ReadBack,      // a file read back to be compared with another (a finished copy, a backup)
    SetOwner,      // a copy given its source's owner and group (fchown)
    SetMode,       // a copy given its source's permission bits (fchmod)
    ListAttrs,     // the names of a file's extended attributes (flistxattr)
    GetAttr,       // one extended attribute read (fgetxattr)
    SetAttr,       // one extended attribute written or removed (fsetxattr, fremovexattr)
    StartWriteOut, // a file's write-back started, not waited for
    WriteBehind    // a file system flushed in the background, while a run writes on
};

// Returned by a hook for Op::Write: the call writes only half of what it was given.
inline constexpr int kShortWrite = -1;
// Returned by a hook for a pread: the call reads as usual, but the first byte it
// returns comes back changed, as from a disk that gives back other data than it took.
inline constexpr int kAltered = -2;

// Called before each wrapped call with the path (nullptr for descriptor calls; the
// attribute's name for Op::GetAttr and Op::SetAttr).
// Returns 0 to let the call go ahead, or an errno value to make it fail. A copy run
// reads folders on its scan thread and copies files on its workers, so a hook is
// called from several threads at once during a run and must be safe for that.
// Setting or clearing the hook while calls are made is safe: a call sees the old
// hook or the new one, and a hook being run stays alive until it returns.
using FaultHook = std::function<int(Op, const char* path)>;
void set_fault_hook(FaultHook hook);
void clear_fault_hook();

// Makes fstatfs report another file system type (the type it found is passed in), so
// that what a run does on a FUSE, FAT or network disk can be tried on the test
// machine's own disk. Safe to set and clear as the fault hook is.
using DiskTypeHook = std::function<long(long type)>;
void set_disk_type_hook(DiskTypeHook hook);
void clear_disk_type_hook();
// fstatfs, with the type the hook gives.
int fstatfs(int fd, struct statfs* out);

int open(const char* path, int flags, mode_t mode = 0);
int openat(int dirfd, const char* path, int flags, mode_t mode = 0);
ssize_t read(int fd, void* buffer, size_t count);
// Reads up to count bytes at `offset` (pread); faults as `op` (Op::Read or Op::ReadBack).
ssize_t pread(int fd, void* buffer, size_t count, off_t offset, Op op = Op::Read);
ssize_t write(int fd, const void* buffer, size_t count);
int close(int fd);
int fsync(int fd);
int rename(const char* from, const char* to);
int renameat(int fromdir, const char* from, int todir, const char* to);
// Faults as Op::Rename: it gives a file its name in a folder.
int linkat(int fromdir, const char* from, int todir, const char* to, int flags);
int mkdir(const char* path, mode_t mode);
// Faults as Op::Mkdir with `hook_path`, the folder's whole path for the journal's
// and the tests' sake (`path` is relative to `dirfd`).
int mkdirat(int dirfd, const char* path, mode_t mode, const char* hook_path);
int fdatasync(int fd);
// Writes a file's data out to its disk and waits until it is there (sync_file_range),
// without the journal commit of fdatasync; fdatasync where the file system cannot.
// Faults as Op::DataSync.
int write_out(int fd);
int syncfs(int fd);
// Starts writing a file's data out to its disk without waiting (sync_file_range with
// SYNC_FILE_RANGE_WRITE); a later flush then finds it written or under way. Faults as
// Op::StartWriteOut; a failure only means the later flush has it all to do.
int start_write_out(int fd);
// A syncfs that only sends data on early (write_behind.h). Faults as Op::WriteBehind,
// apart from Op::SyncFs, whose calls tests count and whose failures a run reports.
int write_behind(int fd);

// Opens the folder `path` (relative to `dirfd`, or absolute) with `flags` | O_DIRECTORY,
// however long the path is (see long_path.h). Faults as Op::OpenDir with `path`.
int open_folder(int dirfd, const char* path, int flags);
// Whether the next entry of the folder `path` is to fail as a read error would (errno
// set). Asked once for each entry (Directory reads folders in batches of entries), so
// that a hook can fail a folder in the middle however the system groups its entries.
// Faults as Op::ReadDir.
bool entry_fails(const char* path);
// Opens the folder `sub_path` below the open folder `top` as open_beneath() does (no
// symbolic link on the way, the last part included: ELOOP), with `flags` | O_DIRECTORY.
// Faults as Op::OpenDir with `hook_path`, the folder's whole path.
int open_folder_beneath(int top, const char* sub_path, int flags, const char* hook_path);
int unlink(const char* path);
int unlinkat(int dirfd, const char* path, int flags);
int futimens(int fd, const struct timespec times[2]);
int utimensat(int dirfd, const char* path, const struct timespec times[2], int flags);

// The owner, permission bits and extended attributes of an open file (not O_PATH).
int fchown(int fd, uid_t owner, gid_t group);
int fchmod(int fd, mode_t mode);
ssize_t flistxattr(int fd, char* list, size_t size);
ssize_t fgetxattr(int fd, const char* name, void* value, size_t size);
int fsetxattr(int fd, const char* name, const void* value, size_t size, int flags);
// Faults as Op::SetAttr.
int fremovexattr(int fd, const char* name);

// Copies up to count bytes from in at *in_offset to out at *out_offset inside the
// kernel (copy_file_range), advancing both offsets. Faults: Op::Read, then Op::Write
// (kShortWrite copies half).
ssize_t copy_range(int in, off_t* in_offset, int out, off_t* out_offset, size_t count);

// Makes the empty file `out` a copy of `in` that shares its blocks (FICLONE), where
// the file system can. Faults as Op::Clone.
int clone_file(int in, int out);

// Writes all of count bytes, retrying after EINTR and partial writes of the system.
// Returns false with errno set (EIO for a write that took nothing) on failure.
bool write_all(int fd, const void* buffer, size_t count);

} // namespace vt::sys
