#include "support/temp_dir.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace vt::test {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vantorel-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

namespace {

// Removes the entry `name` of the folder `dirfd` with everything in it, through folder
// descriptors: the trees of the deep-path tests are too deep for whole paths.
void remove_entry(int dirfd, const char* name) {
    if (::unlinkat(dirfd, name, 0) == 0 || (errno != EISDIR && errno != EPERM))
        return;
    const int fd = ::openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fchmod(fd, 0700);
    if (DIR* dir = ::fdopendir(fd)) {
        std::vector<std::string> names;
        while (const dirent* e = ::readdir(dir)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..")
                names.push_back(n);
        }
        for (const std::string& n : names)
            remove_entry(::dirfd(dir), n.c_str());
        ::closedir(dir);
    } else {
        ::close(fd);
    }
    ::unlinkat(dirfd, name, AT_REMOVEDIR);
}

} // namespace

TempDir::~TempDir() {
    remove_entry(AT_FDCWD, path_.c_str());
}

std::string TempDir::operator/(std::string_view relative) const {
    return path_ + "/" + std::string(relative);
}

std::string TempDir::write(std::string_view relative, std::string_view content) const {
    const std::string full = *this / relative;
    fs::create_directories(fs::path(full).parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return full;
}

std::string TempDir::mkdir(std::string_view relative) const {
    const std::string full = *this / relative;
    fs::create_directories(full);
    return full;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

} // namespace vt::test
