#include "desktop/freedesktop_type.h"

#include "desktop/desktop_entry.h"
#include "platform/atomic_file.h"
#include "platform/file_names.h"
#include "platform/sys.h"
#include "platform/xdg_folders.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace vt {

FreedesktopType::FreedesktopType(std::string data_home, bool run_tools)
    : data_home_(std::move(data_home)), run_tools_(run_tools) {}

std::string FreedesktopType::mime_package_path() const {
    return data_home_ + "/mime/packages/vantorel.xml";
}

std::string FreedesktopType::handler_entry_path() const {
    return data_home_ + "/applications/vantorel.desktop";
}

std::string FreedesktopType::mime_package() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"application/x-vantorel-list\">\n"
           "    <comment>Vantorel List file</comment>\n"
           "    <sub-class-of type=\"text/plain\"/>\n"
           "    <glob pattern=\"*.vtl\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string FreedesktopType::handler_entry(const std::string& program_path) {
    desktop_entry::Entry e;
    e.name = "Vantorel";
    e.comment = "Open Vantorel List files";
    e.exec = desktop_entry::exec_argument(program_path) + " %f";
    e.mime_type = std::string(kListMimeType) + ";";
    // The menu entry of the program is the user's own shortcut; this one only
    // carries the association and stays out of the menus.
    e.no_display = true;
    return desktop_entry::compose(e);
}

std::optional<std::string> FreedesktopType::install(const std::string& program_path) const {
    const std::pair<std::string, std::string> files[] = {
        {mime_package_path(), mime_package()},
        {handler_entry_path(), handler_entry(program_path)},
    };
    for (const auto& [path, content] : files) {
        IoResult r = xdg::make_folders(names::folder_part(path));
        if (r)
            r = replace_file(path, content, 0644);
        if (!r)
            return "Unable to write to " + path;
    }
    refresh_caches();
    return std::nullopt;
}

void FreedesktopType::uninstall() const {
    sys::unlink(mime_package_path().c_str());
    sys::unlink(handler_entry_path().c_str());
    refresh_caches();
}

void FreedesktopType::refresh_caches() const {
    if (!run_tools_)
        return;
    // Either tool may be missing; the files alone are enough for the next login.
    const std::string mime = data_home_ + "/mime";
    const std::string applications = data_home_ + "/applications";
    struct stat st {};
    if (::stat(mime.c_str(), &st) == 0)
        run_quietly({"update-mime-database", mime});
    if (::stat(applications.c_str(), &st) == 0)
        run_quietly({"update-desktop-database", applications});
}

bool run_quietly(const std::vector<std::string>& argv) {
    if (argv.empty())
        return false;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace vt
