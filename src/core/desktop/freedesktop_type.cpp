#include "core/desktop/freedesktop_type.h"

#include "core/desktop/desktop_entry.h"
#include "core/desktop/product_info.h"
#include "core/platform/atomic_file.h"
#include "core/platform/file_names.h"
#include "core/platform/sys.h"
#include "core/platform/whole_file.h"
#include "core/platform/xdg_folders.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace vt {

FreedesktopType::FreedesktopType(std::string data_home, bool run_tools)
    : FreedesktopType(std::move(data_home), run_tools, xdg::data_dirs()) {}

FreedesktopType::FreedesktopType(std::string data_home, bool run_tools,
                                 std::vector<std::string> data_dirs)
    : data_home_(std::move(data_home)), run_tools_(run_tools), data_dirs_(std::move(data_dirs)) {}

std::string FreedesktopType::mime_package_path() const {
    return data_home_ + "/mime/packages/vantorel.xml";
}

std::string FreedesktopType::handler_entry_path() const {
    return data_home_ + "/applications/" + ProductInfo::app_id + ".desktop";
}

std::string FreedesktopType::old_handler_entry_path() const {
    return data_home_ + "/applications/vantorel.desktop";
}

std::string FreedesktopType::mime_package() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"application/x-vantorel-list\">\n"
           "    <comment>Vantorel List file</comment>\n"
           "    <sub-class-of type=\"text/plain\"/>\n"
           "    <icon name=\"application-x-vantorel-list\"/>\n"
           "    <glob pattern=\"*.vtl\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string FreedesktopType::handler_entry(const std::string& program_path, bool in_menu) {
    desktop_entry::Entry e;
    e.name = ProductInfo::product_name;
    e.generic_name = "Backup Copier";
    e.comment = "Make regular backup copies of your important files";
    e.icon = ProductInfo::app_id;
    e.exec = desktop_entry::exec_argument(program_path) + " %f";
    e.categories = desktop_entry::kCategories;
    e.keywords = "backup;copy;files;folders;journal;";
    e.mime_type = std::string(kListMimeType) + ";";
    e.no_display = !in_menu;
    return desktop_entry::compose(e);
}

bool FreedesktopType::is_old_handler_entry(const std::string& content) {
    const auto has_line = [&](const std::string& line) {
        return content.find("\n" + line + "\n") != std::string::npos;
    };
    // A shortcut never declares a type it opens, and only a handler runs "%f".
    return content.rfind("[Desktop Entry]\n", 0) == 0 &&
           has_line(std::string("MimeType=") + kListMimeType + ";") && has_line("NoDisplay=true") &&
           content.find(" %f\n") != std::string::npos;
}

bool FreedesktopType::menu_entry_installed() const {
    struct stat st {};
    for (const std::string& dir : data_dirs_) {
        const std::string entry = dir + "/applications/" + ProductInfo::app_id + ".desktop";
        if (::stat(entry.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return true;
    }
    return false;
}

void FreedesktopType::remove_old_handler_entry() const {
    const std::string path = old_handler_entry_path();
    // Only a small regular file can be ours: a link or anything else is the user's, and
    // opening a FIFO would wait for a writer.
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > 65536)
        return;
    std::string content;
    if (read_whole_file(path, content) && is_old_handler_entry(content))
        sys::unlink(path.c_str());
}

std::optional<std::string> FreedesktopType::install(const std::string& program_path) const {
    const std::pair<std::string, std::string> files[] = {
        {mime_package_path(), mime_package()},
        {handler_entry_path(), handler_entry(program_path, menu_entry_installed())},
    };
    for (const auto& [path, content] : files) {
        IoResult r = xdg::make_folders(names::folder_part(path));
        if (r)
            r = replace_file(path, content, 0644);
        if (!r)
            return "Unable to write to " + path;
    }
    remove_old_handler_entry();
    refresh_caches();
    return std::nullopt;
}

void FreedesktopType::uninstall() const {
    sys::unlink(mime_package_path().c_str());
    sys::unlink(handler_entry_path().c_str());
    remove_old_handler_entry();
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
