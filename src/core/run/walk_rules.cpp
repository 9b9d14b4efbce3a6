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

bool enters_folder(int dirfd, const char* name, unsigned char type,
                   const struct stat* destination) {
    if (!kept_versions::walks_into(name) || !is_real_folder(dirfd, name, type))
        return false;
    struct stat st {};
    return !(destination && ::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
             st.st_dev == destination->st_dev && st.st_ino == destination->st_ino);
}

bool names_one_folder(const std::string& source, const std::string& destination) {
    struct stat a {
    }, b{};
    return source == destination ||
           (stat_long_path(source, a, true) == 0 && stat_long_path(destination, b, true) == 0 &&
            S_ISDIR(a.st_mode) && a.st_dev == b.st_dev && a.st_ino == b.st_ino);
}

} // namespace vt
