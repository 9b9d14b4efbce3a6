#pragma once
#include <optional>
#include <sys/stat.h>
#include <sys/types.h>
#include <utility>

namespace vt {

// What of a file's attributes a copy could not keep. A file system without owners,
// extended attributes or ACLs (FAT, some network shares) refuses them; the copy's data
// is whole all the same, so a loss is told, never a failure.
struct AttributeLoss {
    enum What : unsigned {
        Owner,       // owner and group
        Mode,        // permission bits
        Extended,    // extended attributes of the user. namespace
        Acl,         // POSIX access control lists
        FolderTimes, // a folder's times, given after its files
        Kinds
    };
    unsigned what = 0;      // a bit (1 << What) for each kind not kept
    int errors[Kinds] = {}; // errno of each kind's first refusal

    void add(What w, int e) {
        if (!(what & (1u << w)))
            errors[w] = e;
        what |= 1u << w;
    }
    bool has(What w) const { return what & (1u << w); }
    explicit operator bool() const { return what != 0; }
};

// How a copy's file or folder was made.
struct NewCopy {
    mode_t created_bits = 0;    // the bits it was created with
    bool umask_decides = false; // its folder has no default ACL (file_mode.h)
    bool folder = false;
    // The owner and group it was made with, when the caller knows them.
    std::optional<std::pair<uid_t, gid_t>> owner;
    // The source lies on a disk that makes its owners and permission bits up (FAT,
    // exFAT, NTFS or a share without them): they are nobody's, and the copy keeps
    // neither. It stays as it was made: the umask (or its folder's default ACL) gave
    // its bits, with 0666 for a file and 0777 for a folder.
    bool source_made_up = false;
    // The file the copy replaces, whose owner, group and bits a copy of a source with
    // made-up ones takes instead, as an editor keeps them when it saves.
    const struct stat* replaced = nullptr;
};

// The owner and group the process gives new files (its effective ones), asked of the
// system once: they never change while the program runs.
std::pair<uid_t, gid_t> process_owner();

// Gives the new file or folder `to` (an open descriptor, not O_PATH) what `cp -a`
// keeps of `from` (its descriptor `from_fd` and its stat): the owner and group where
// the process may set them, the user. extended attributes and the POSIX ACLs (for a
// folder the default ACL too), then every mode bit. Times are left to the caller, who
// sets them last, as anything written here may move them.
//
// Two rules of a backup differ from cp -a. The owner keeps write permission on a file
// and read, write and search permission on a folder, so that later runs can replace
// the copy and fill the folder. Setuid and setgid are kept only when owner and group
// were kept, or a copy could run with the rights of someone who never owned it.
//
// Of a source whose disk makes owners and bits up (`copy.source_made_up`), only the
// user. extended attributes are taken: the copy's owner, group and bits are those of
// the file it replaces, else those it was made with.
AttributeLoss copy_attributes(int from_fd, const struct stat& from, int to, const NewCopy& copy);

} // namespace vt
