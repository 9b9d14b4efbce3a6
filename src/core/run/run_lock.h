#pragma once
#include <string>
#include <vector>

namespace vt {

// Keeps two runs off the same list: a run holds exclusive locks for the list for as
// long as it copies. The kernel lets go of them when the holder ends in any way, so a
// killed run never blocks the next one.
//
// A list is known by its file (device and inode): a hard link or another spelling of
// the same list meets the same lock. Its name is locked as well, which is all that
// earlier versions locked: a run of theirs still keeps a new one off, and a list saved
// meanwhile (a new file under the same name) is still the same list.
class RunLock {
public:
    // Tries to take the locks for the list at once; never waits.
    explicit RunLock(const std::string& list_file);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    bool held() const { return !fds_.empty(); }
    // Another run holds it.
    bool busy() const { return busy_; }
    // Why the lock could not be taken when neither held nor busy (a folder that
    // cannot be written, say): the run then goes ahead without it.
    const std::string& error() const { return error_; }

    // The lock file of a list's name: under $XDG_RUNTIME_DIR/Vantorel, else beside
    // the settings file, named from a hash of the list's canonical path.
    static std::string path_for(const std::string& list_file);
    // The lock file of the list's file, in the same folder, named from its device and
    // inode; empty when the list cannot be looked at.
    static std::string file_path_for(const std::string& list_file);
    // What a refused run says.
    static std::string busy_text(const std::string& list_file);

private:
    // Takes the lock of `path`; false when another run holds it (busy) or it could
    // not be taken (error).
    bool take(const std::string& path);
    void release();

    std::vector<int> fds_;
    bool busy_ = false;
    std::string error_;
};

} // namespace vt
