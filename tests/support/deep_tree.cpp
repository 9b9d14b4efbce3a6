#include "support/deep_tree.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vt::test {

DeepTree::DeepTree(std::string root, int levels, std::size_t name_length) : root_(std::move(root)) {
    int fd = ::open(root_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < levels && fd >= 0; ++i) {
        names_.push_back(std::string(name_length, static_cast<char>('a' + i % 26)));
        ::mkdirat(fd, names_.back().c_str(), 0755);
        const int next = ::openat(fd, names_.back().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        throw std::runtime_error("cannot make the deep tree under " + root_);
    ::close(fd);
}

std::string DeepTree::path(int level, const std::string& root) const {
    std::string p = root.empty() ? root_ : root;
    for (int i = 0; i < level; ++i)
        p += "/" + names_[static_cast<std::size_t>(i)];
    return p;
}

int DeepTree::open_level(const std::string& root, int level) const {
    int fd = ::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < level && fd >= 0; ++i) {
        const int next = ::openat(fd, names_[static_cast<std::size_t>(i)].c_str(),
                                  O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    return fd;
}

void DeepTree::write(int level, const std::string& name, const std::string& content,
                     std::time_t mtime) const {
    const int folder = open_level(root_, level);
    const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ::close(folder);
    if (fd < 0 ||
        ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size()))
        throw std::runtime_error("cannot write " + name);
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ::futimens(fd, times);
    ::close(fd);
}

std::optional<DeepTree::File> DeepTree::read(const std::string& root, int level,
                                             const std::string& name) const {
    const int folder = open_level(root, level);
    if (folder < 0)
        return std::nullopt;
    const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC);
    ::close(folder);
    if (fd < 0)
        return std::nullopt;
    File file;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        file.content.append(buffer, static_cast<std::size_t>(n));
    struct stat st {};
    ::fstat(fd, &st);
    file.mtime = st.st_mtime;
    ::close(fd);
    return file;
}

} // namespace vt::test
