#pragma once
#include <string>
#include <string_view>
#include <sys/types.h>

namespace vt {

// A file being written that takes its place in its folder only when complete.
//
// Where the file system allows, the file has no name at all while it is written
// (O_TMPFILE): a killed program leaves nothing behind, and no search, listing or
// backup run can see a half-written file. Elsewhere it is written under a hidden
// name of the program's own (".vantorel-<random>.tmp": short, plain ASCII, never
// taken from the final name, so it always fits the file system's name limit).
class NewFile {
public:
    NewFile() = default;
    ~NewFile() { discard(); }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    // A file being written may be handed on (from the thread that wrote it to the
    // one that names it).
    NewFile(NewFile&& other) noexcept { *this = std::move(other); }
    NewFile& operator=(NewFile&& other) noexcept;

    // Opens a new, empty file for writing (and reading back) in `folder` (relative to `dirfd`; "."
    // for `dirfd` itself) with the permission bits `mode` (less the umask). 0 or an errno.
    int create(int dirfd, const std::string& folder, mode_t mode);

    int fd() const { return fd_; }
    bool is_open() const { return fd_ >= 0; }

    // What the caller knows of the name the file is to take.
    enum class Target {
        Unknown, // looked at first
        Free,    // nothing had the name: a file that has it now is not replaced (EEXIST)
        Taken    // a file has the name and is to be replaced
    };

    // Gives the file the name `name` (relative to the same `dirfd`, inside `folder`),
    // replacing in one step whatever had that name; the descriptor stays open. With
    // `flush_before_replacing`, a file that replaces another has its content flushed
    // to the disk first (fdatasync), so that a crash can never leave an empty or
    // zeroed file where the old one was. 0 or an errno, and then the file keeps no name.
    int name_as(const std::string& name, bool flush_before_replacing,
                Target target = Target::Unknown);

    // Closes the file; one that was never named is removed.
    void discard();
    // Closes a named file; 0 or the errno of close (a late write error).
    int close();
    // Hands the descriptor of a named file to the caller, who closes it.
    int release();

    // Whether `name` is one of the hidden names this class gives while writing.
    static bool is_own_temporary(std::string_view name);
    // A new hidden name of that kind, for a short-lived file of the program's own.
    static std::string temporary_name();
    // Holds a lock on the open file `fd` for as long as it is open, so that a run
    // sweeping its folder can tell a copy still being written under a hidden name
    // from one a killed run left, whatever the disk keeps of their times.
    static void hold(int fd);

private:
    int dirfd_ = -1;
    std::string folder_;
    std::string temp_; // the hidden name while not yet named; empty for an unnamed file
    int fd_ = -1;
    bool named_ = false;
};

} // namespace vt
