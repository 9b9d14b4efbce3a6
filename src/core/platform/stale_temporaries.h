#pragma once
#include <ctime>
#include <string>
#include <vector>

namespace vt {

// A run killed between making a copy and naming it leaves the copy under one of the
// program's temporary names (NewFile). Removes from the folder open at `dirfd` (may be
// O_PATH) every regular file of such a name that no live run holds (NewFile::hold),
// and returns their names. Where the disk takes no locks, a file last changed before
// `started` counts as left behind; a whole-second disk could then keep one made in
// the second the run started, until the next run. `none_seen`,
// when given, tells whether the folder held no entry of such a name at all. `folder`
// names it for the fault hook.
std::vector<std::string> remove_stale_temporaries(int dirfd, std::time_t started,
                                                  bool* none_seen = nullptr,
                                                  const std::string& folder = {});

} // namespace vt
