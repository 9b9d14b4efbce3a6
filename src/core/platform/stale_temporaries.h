#pragma once
#include <ctime>
#include <string>
#include <vector>

namespace vt {

// A run killed between making a copy and naming it leaves the copy under one of the
// program's temporary names (NewFile). Removes from the folder open at `dirfd` (may be
// O_PATH) every regular file of such a name last changed before `started`, and
// returns their names. Files of a run still writing are newer and stay. `none_seen`,
// when given, tells whether the folder held no entry of such a name at all. `folder`
// names it for the fault hook.
std::vector<std::string> remove_stale_temporaries(int dirfd, std::time_t started,
                                                  bool* none_seen = nullptr,
                                                  const std::string& folder = {});

} // namespace vt
