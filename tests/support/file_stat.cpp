#include "support/file_stat.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vt::test {

namespace {

struct stat stat_of(const std::string& path, bool follow) {
    struct stat st {};
    if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return {};
    return st;
}

} // namespace

void set_mtime(const std::string& path, std::time_t seconds, long nanoseconds) {
    set_times(path, {seconds, nanoseconds}, {seconds, nanoseconds});
}

void set_times(const std::string& path, const timespec& accessed, const timespec& modified) {
    const timespec times[2] = {accessed, modified};
    EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0)
        << path << ": " << std::strerror(errno);
}

std::time_t mtime(const std::string& path) {
    return stat_of(path, true).st_mtime;
}

mode_t mode_of(const std::string& path) {
    return stat_of(path, true).st_mode;
}

ino_t inode(const std::string& path) {
    return stat_of(path, false).st_ino;
}

} // namespace vt::test
