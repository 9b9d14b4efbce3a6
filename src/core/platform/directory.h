#pragma once
#include "core/platform/io_result.h"

#include <cerrno>
#include <dirent.h>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace vt {

// One open folder, read entry by entry in the order the file system returns them.
// "." and ".." are never returned. The folder's descriptor serves for looking at
// and opening its entries without resolving the folder's path again. A read that
// fails (an I/O error, a network share gone stale) is told apart from the end of the
// folder: a folder that cannot be read must never pass for an empty one.
//
// The entries come straight from the system in batches (getdents64): a run reads
// every folder of a tree at least twice, and readdir's fdopendir would add three
// system calls and an allocation to each read.
class Directory {
public:
    Directory() = default;
    explicit Directory(const std::string& path) { open(path); }
    // Reads the folder open at `fd` (O_RDONLY), which it then owns; `path` names it
    // for the fault hook. A negative `fd` is a folder that could not be opened, with
    // errno as its error: it never reads as an empty folder.
    Directory(int fd, std::string path)
        : fd_(fd), path_(std::move(path)), error_(fd < 0 ? errno : 0) {}
    ~Directory() { close(); }
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // Opens the folder (a symbolic link to a folder is followed), however long its path.
    IoResult open(const std::string& path);
    void close();
    bool is_open() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // The next entry's name and its type as readdir reports it (DT_REG, DT_DIR,
    // DT_LNK, ..., DT_UNKNOWN); false at the end or on a read error.
    bool next(std::string_view& name, unsigned char& type);
    // After next() returned false: 0 at the end of the folder, else the errno of the
    // read that failed (also for a folder that could not be opened).
    int error() const { return error_; }

private:
    bool fill(); // the next batch; false at the end or on an error

    int fd_ = -1;
    std::string path_; // for the fault hook
    int error_ = 0;
    std::unique_ptr<char[]> buffer_; // the batch read last, from its first use
    std::size_t at_ = 0;             // the next entry's place in it
    std::size_t end_ = 0;
};

// What an entry of a file search is.
enum class EntryKind { File, Folder, Other };

// A file search's view of one entry: regular files and links to them are files
// (the stat is the file's, through the link); real folders are folders; links to
// folders, dangling links, FIFOs, sockets and devices are other entries, passed
// over. `st` is filled for files only.
EntryKind classify_entry(int dirfd, const char* name, unsigned char type, struct stat& st);

// Whether the entry is a real folder (not a link to one) to enter in a folder walk.
bool is_real_folder(int dirfd, const char* name, unsigned char type);

// Whether the entry is a symbolic link; one to a folder; one to nothing at all.
bool is_link(int dirfd, const char* name, unsigned char type);
bool is_folder_link(int dirfd, const char* name, unsigned char type);
bool is_dangling_link(int dirfd, const char* name, unsigned char type);

} // namespace vt
