#include "core/platform/folder_create.h"

#include "core/platform/file_mode.h"
#include "core/platform/long_path.h"
#include "core/platform/sys.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vt {
namespace {

// The template opened for its attributes; a folder the process may not read is
// opened for its stat alone, its extended attributes then count as not kept.
int open_template(const std::string& folder) {
    const int fd = open_long_path(AT_FDCWD, folder, O_RDONLY | O_DIRECTORY);
    return fd >= 0 ? fd : open_long_path(AT_FDCWD, folder, O_PATH | O_DIRECTORY);
}

} // namespace

bool is_folder(const std::string& path) {
    struct stat st {};
    return stat_long_path(path, st, true) == 0 && S_ISDIR(st.st_mode);
}

IoResult create_folder_at(int parent, const std::string& leaf, const std::string& whole_path,
                          const std::string& template_folder, AttributeLoss* lost,
                          const MadeUpModes& made_up) {
    const int from = template_folder.empty() ? -1 : open_template(template_folder);
    struct stat st {};
    const bool have_template = from >= 0 && ::fstat(from, &st) == 0 && S_ISDIR(st.st_mode);
    // A template whose bits its disk made up gives none: the folder is made as mkdir
    // makes one.
    const bool made_up_bits = have_template && made_up && made_up(from);
    const mode_t bits = have_template && !made_up_bits ? 0700 : 0777;
    if (sys::mkdirat(parent, leaf.c_str(), bits, whole_path.c_str()) != 0) {
        const IoResult failed = IoResult::from_errno(errno);
        if (from >= 0)
            ::close(from);
        return failed;
    }
    if (have_template) {
        // The folder exists now; what cannot be given to it is told, not failed for.
        // Never through a link that took its name meanwhile.
        const int made =
            ::openat(parent, leaf.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (made >= 0) {
            NewCopy copy{bits, umask_decides(parent), true, std::nullopt};
            copy.source_made_up = made_up_bits;
            const AttributeLoss loss = copy_attributes(from, st, made, copy);
            if (lost)
                *lost = loss;
            ::close(made);
        }
    }
    if (from >= 0)
        ::close(from);
    return IoResult::success();
}

IoResult create_folder_from_template(const std::string& template_folder,
                                     const std::string& new_folder, AttributeLoss* lost,
                                     const MadeUpModes& made_up) {
    // Made inside its parent's descriptor, so that no length of path stops it.
    std::string leaf;
    const int parent = open_parent(new_folder, leaf);
    if (parent < 0)
        return IoResult::from_errno(errno);
    const IoResult made =
        create_folder_at(parent, leaf, new_folder, template_folder, lost, made_up);
    ::close(parent);
    return made;
}

} // namespace vt
