#pragma once
#include <ctime>
#include <string>
#include <vector>

namespace vt {

class Journal;

// The end of a run that keeps versions: removes from the versions folder of each of
// the run's line destinations the versions older than `days` days before `now`, and
// journals what went and what could not go. Returns how many versions folders could
// not be pruned to the end: each is a failure of the run, as old versions left behind
// fill the backup disk unseen.
int prune_old_versions(const std::vector<std::string>& destinations, int days, std::time_t now,
                       Journal& journal);

} // namespace vt
