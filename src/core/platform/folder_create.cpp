#include "core/platform/folder_create.h"

#include "core/platform/long_path.h"
#include "core/platform/sys.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vt {

bool is_folder(const std::string& path) {
    struct stat st {};
    return stat_long_path(path, st, true) == 0 && S_ISDIR(st.st_mode);
}

IoResult create_folder_at(int parent, const std::string& leaf, const std::string& whole_path,
                          const struct stat* template_st) {
    if (sys::mkdirat(parent, leaf.c_str(), template_st ? 0700 : 0777, whole_path.c_str()) != 0)
        return IoResult::from_errno(errno);
    if (template_st) {
        // The folder exists now; bits that cannot be applied are not worth failing for.
        [[maybe_unused]] const int ignored =
            ::fchmodat(parent, leaf.c_str(), (template_st->st_mode & 07777) | S_IRWXU, 0);
    }
    return IoResult::success();
}

IoResult create_folder_from_template(const std::string& template_folder,
                                     const std::string& new_folder) {
    struct stat st {};
    const bool have_template =
        stat_long_path(template_folder, st, true) == 0 && S_ISDIR(st.st_mode);
    // Made inside its parent's descriptor, so that no length of path stops it.
    std::string leaf;
    const int parent = open_parent(new_folder, leaf);
    if (parent < 0)
        return IoResult::from_errno(errno);
    const IoResult made = create_folder_at(parent, leaf, new_folder, have_template ? &st : nullptr);
    ::close(parent);
    return made;
}

} // namespace vt
