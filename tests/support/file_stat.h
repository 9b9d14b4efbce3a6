#pragma once
#include <ctime>
#include <string>
#include <sys/types.h>
#include <time.h>

namespace vt::test {

// Sets a file's modification and access time to the same moment; a failure fails the
// test, naming the file.
void set_mtime(const std::string& path, std::time_t seconds, long nanoseconds = 0);
// Sets the two times apart, as a file read since it was written has them.
void set_times(const std::string& path, const timespec& accessed, const timespec& modified);

// What the file system holds of a file; 0 when it is missing. The time and the mode
// are those of a link's target, the inode that of the name itself.
std::time_t mtime(const std::string& path);
mode_t mode_of(const std::string& path);
ino_t inode(const std::string& path);

} // namespace vt::test
