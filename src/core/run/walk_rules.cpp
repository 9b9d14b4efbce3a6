#include "core/run/walk_rules.h"

#include "core/platform/directory.h"
#include "core/platform/file_mask.h"
#include "core/platform/long_path.h"
#include "core/platform/new_file.h"
#include "core/restore/kept_versions.h"

#include <fcntl.h>

namespace vt {

bool selects_entry(const std::string& mask, std::string_view name) {
    return mask_matches(mask, name) && !NewFile::is_own_temporary(name);
}

bool masked_as_temporary(const std::string& mask, std::string_view name) {
    return NewFile::is_own_temporary(name) && mask_matches(mask, name);
}

Subfolder subfolder_of(int dirfd, const char* name, unsigned char type,
                       const struct stat* destination, bool hidden_folders, struct stat* seen) {
    if (!is_real_folder(dirfd, name, type))
        return is_folder_link(dirfd, name, type) ? Subfolder::Link : Subfolder::Ignore;
    if (!kept_versions::walks_into(name))
        return Subfolder::Ignore;
    if (name[0] == '.' && !hidden_folders)
        return Subfolder::Hidden;
    if (!destination && !seen)
        return Subfolder::Enter;
    struct stat st {};
    if (::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        st.st_nlink = 0;
    else if (destination && st.st_dev == destination->st_dev && st.st_ino == destination->st_ino)
        return Subfolder::Ignore;
    if (seen)
        *seen = st;
    return Subfolder::Enter;
}

bool names_one_folder(const std::string& source, const std::string& destination) {
    struct stat a {
    }, b{};
    return source == destination ||
           (stat_long_path(source, a, true) == 0 && stat_long_path(destination, b, true) == 0 &&
            S_ISDIR(a.st_mode) && a.st_dev == b.st_dev && a.st_ino == b.st_ino);
}

} // namespace vt
