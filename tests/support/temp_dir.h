#pragma once
#include <string>
#include <string_view>

namespace vt::test {

// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path, without a trailing "/".
    const std::string& path() const { return path_; }
    // path() + "/" + relative
    std::string operator/(std::string_view relative) const;

    // Writes a file (creating its folders); returns its full path.
    std::string write(std::string_view relative, std::string_view content) const;
    std::string mkdir(std::string_view relative) const;

private:
    std::string path_;
};

std::string read_file(const std::string& path);
bool exists(const std::string& path);

} // namespace vt::test
