#pragma once
#include <dirent.h>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace vt {

// What a walk of a list line takes: the same for the copy run, the check, the
// preview and the counts ahead of them, so that none of them sees another tree.

// Whether the line's mask selects a folder entry. The hidden names the program gives
// its own unfinished copies are never selected: they are not the person's files.
bool selects_entry(const std::string& mask, std::string_view name);
// Whether the mask would select the entry but for its name, one of the program's own
// temporary names: a person's file named so is passed over, and named in the journal.
bool masked_as_temporary(const std::string& mask, std::string_view name);

// What a walk passes over and names in the journal, so that nothing a person might
// expect in the backup is missing without a word.
enum class PassedOver {
    HiddenFolder,   // a folder named ".…" while hidden folders are not copied
    FolderLink,     // a symbolic link to a folder: never entered
    DanglingLink,   // a symbolic link to nothing
    StaleTemporary, // a killed run's unfinished copy, removed from the backup
    LinkInBackup,   // a symbolic link a restore found in the backup: never read through
    TemporaryName   // a file named like the program's own temporary files: never copied
};

// Whether an entry that readdir reported as `type` may be a link.
inline bool may_be_link(unsigned char type) {
    return type == DT_LNK || type == DT_UNKNOWN;
}

// What the walk does with an entry of a folder it lists for subfolders.
enum class Subfolder { Enter, Ignore, Hidden, Link };

// Whether the walk enters the subfolder `name` of the folder open at `dirfd`: a real
// folder (never a link to one), not the kept versions, a hidden one only with
// `hidden_folders`, and not the line's own backup folder inside its source
// (`destination`, when it exists), which would otherwise be copied into itself.
// Hidden and Link are the folders passed over that the journal names. With `seen`, a
// folder to enter is looked at and `seen` holds what it is (a link count of 0 when
// the look failed).
Subfolder subfolder_of(int dirfd, const char* name, unsigned char type,
                       const struct stat* destination, bool hidden_folders,
                       struct stat* seen = nullptr);
inline bool enters_folder(int dirfd, const char* name, unsigned char type,
                          const struct stat* destination, bool hidden_folders) {
    return subfolder_of(dirfd, name, type, destination, hidden_folders) == Subfolder::Enter;
}

// Whether a line's source and destination folder texts name one folder (the same
// text, or the same folder on disk: "/data" and "/data/", or a link and its target):
// such a line is refused.
bool names_one_folder(const std::string& source, const std::string& destination);

} // namespace vt
