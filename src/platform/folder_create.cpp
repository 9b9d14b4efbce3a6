#include "platform/folder_create.h"

#include "platform/sys.h"

#include <cerrno>
#include <sys/stat.h>

namespace vt {

bool is_folder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

IoResult create_folder_from_template(const std::string& template_folder,
                                     const std::string& new_folder) {
    struct stat st {};
    const bool have_template = ::stat(template_folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (sys::mkdir(new_folder.c_str(), have_template ? 0700 : 0777) != 0)
        return IoResult::from_errno(errno);
    // The folder exists now; bits that cannot be applied are not worth failing for.
    if (have_template)
        ::chmod(new_folder.c_str(), (st.st_mode & 07777) | S_IRWXU);
    return IoResult::success();
}

} // namespace vt
