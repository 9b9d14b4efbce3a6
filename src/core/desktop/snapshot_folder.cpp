#include "core/desktop/snapshot_folder.h"

#include "core/platform/xdg_folders.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vt {
namespace {

std::string with_slash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

bool owner_may_write(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_IWUSR) &&
           ::access(folder.c_str(), W_OK) == 0;
}

std::string snapshot_folder(const std::string& program_folder, const std::string& pictures_folder) {
    if (!program_folder.empty() && owner_may_write(program_folder))
        return with_slash(program_folder);
    if (pictures_folder.empty())
        return with_slash(program_folder);
    xdg::make_folders(pictures_folder); // a failure shows when the picture is written
    return with_slash(pictures_folder);
}

} // namespace vt
