#include "core/platform/drive_check.h"

#include "core/platform/directory.h"

#include <climits>
#include <cstdlib>
#include <libmount.h>
#include <memory>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace vt::drives {
namespace {

std::mutex g_mutex;
Places& places() {
    static Places p;
    return p;
}

std::string user_name() {
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
        return found->pw_name;
    for (const char* variable : {"USER", "LOGNAME"}) {
        if (const char* value = std::getenv(variable); value && *value)
            return value;
    }
    return {};
}

std::vector<std::string> system_media_folders() {
    std::vector<std::string> folders = {"/media", "/mnt"};
    if (const std::string user = user_name(); !user.empty()) {
        folders.push_back("/media/" + user);
        folders.push_back("/run/media/" + user);
    }
    return folders;
}

std::string canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string parent_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool has_visible_entry(const std::string& folder) {
    Directory dir(folder);
    std::string_view name;
    unsigned char type = 0;
    while (dir.next(name, type)) {
        if (name.front() != '.')
            return true;
    }
    return false;
}

struct TableDeleter {
    void operator()(libmnt_table* table) const { mnt_unref_table(table); }
};
using Table = std::unique_ptr<libmnt_table, TableDeleter>;

// A broken line is passed over; the rest of the table still counts.
int skip_broken_line(libmnt_table*, const char*, int) {
    return 1;
}

Table read_table(const std::string& file, bool fstab) {
    Table table(mnt_new_table());
    if (!table)
        return nullptr;
    mnt_table_set_parser_errcb(table.get(), skip_broken_line);
    const int r = fstab ? mnt_table_parse_fstab(table.get(), file.c_str())
                        : mnt_table_parse_file(table.get(), file.c_str());
    return r == 0 ? std::move(table) : nullptr;
}

bool names_target(const std::string& file, bool fstab, const std::string& folder) {
    const Table table = read_table(file, fstab);
    return table && mnt_table_find_target(table.get(), folder.c_str(), MNT_ITER_BACKWARD);
}

} // namespace

void set_places(Places p) {
    const std::lock_guard lock(g_mutex);
    places() = std::move(p);
}

void reset_places() {
    set_places(Places{});
}

bool is_missing_drive(const std::string& folder) {
    if (has_visible_entry(folder))
        return false;
    Places where;
    {
        const std::lock_guard lock(g_mutex);
        where = places();
    }
    if (where.media_folders.empty())
        where.media_folders = system_media_folders();
    const std::string point = canonical(folder);
    const std::string parent = parent_of(point);
    bool mount_point = false;
    for (const std::string& media : where.media_folders)
        mount_point = mount_point || canonical(media) == parent;
    mount_point = mount_point || names_target(where.fstab, true, point);
    return mount_point && !names_target(where.mountinfo, false, point);
}

} // namespace vt::drives
