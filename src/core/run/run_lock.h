#pragma once
#include <string>

namespace vt {

// Keeps two runs off the same list: a run holds an exclusive lock on a file named
// after the list for as long as it copies. The kernel lets go of the lock when the
// holder ends in any way, so a killed run never blocks the next one.
class RunLock {
public:
    // Tries to take the lock for the list at once; never waits.
    explicit RunLock(const std::string& list_file);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    bool held() const { return fd_ >= 0; }
    // Another run holds it.
    bool busy() const { return busy_; }
    // Why the lock could not be taken when neither held nor busy (a folder that
    // cannot be written, say): the run then goes ahead without it.
    const std::string& error() const { return error_; }

    // The lock file of a list: under $XDG_RUNTIME_DIR/Vantorel, else beside the
    // settings file, named from a hash of the list's canonical path.
    static std::string path_for(const std::string& list_file);
    // What a refused run says.
    static std::string busy_text(const std::string& list_file);

private:
    int fd_ = -1;
    bool busy_ = false;
    std::string error_;
};

} // namespace vt
