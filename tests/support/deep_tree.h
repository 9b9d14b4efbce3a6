#pragma once
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace vt::test {

// A chain of folders deeper than one path may be long (PATH_MAX), made and read
// through folder descriptors only, so that the test does not lean on the code it
// tests. Level 0 is the root; level n is n folders below it.
class DeepTree {
public:
    // Makes `levels` nested folders under `root`, each named by `name_length` times
    // one letter (a different letter per level).
    DeepTree(std::string root, int levels, std::size_t name_length);

    int levels() const { return static_cast<int>(names_.size()); }
    // The whole path of a level under `root` (the tree's own by default).
    std::string path(int level, const std::string& root = {}) const;

    // Writes a file into a level and gives it the modification time `mtime`.
    void write(int level, const std::string& name, const std::string& content,
               std::time_t mtime) const;
    // The content and modification time of a file in a level under `root`, if any.
    struct File {
        std::string content;
        std::time_t mtime = 0;
    };
    std::optional<File> read(const std::string& root, int level, const std::string& name) const;

private:
    int open_level(const std::string& root, int level) const; // -1 when missing

    std::string root_;
    std::vector<std::string> names_;
};

} // namespace vt::test
