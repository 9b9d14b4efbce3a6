#pragma once
#include <string>

namespace vt {

// A destination folder made before its turn in the run's order, while copies made
// before it are still being told: the run need not wait for them to make it. Should
// the run end before its turn (an Abort at an earlier copy, a stop), the folder is
// taken away again, as a run copying one file at a time would never have made it. It
// is empty then: copies in it take their names only at their own turns, after it.
class FolderAhead {
public:
    // Takes `parent_fd`, the open folder the folder `leaf` was made in.
    FolderAhead(int parent_fd, std::string leaf) : parent_fd_(parent_fd), leaf_(std::move(leaf)) {}
    // Removes the folder unless it was kept (and only while it is empty).
    ~FolderAhead();
    FolderAhead(const FolderAhead&) = delete;
    FolderAhead& operator=(const FolderAhead&) = delete;

    // Its turn came: the folder stays.
    void keep() { kept_ = true; }

private:
    const int parent_fd_;
    const std::string leaf_;
    bool kept_ = false;
};

} // namespace vt
