#pragma once
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace vt {

// What a walk of a list line takes: the same for the copy run, the check, the
// preview and the counts ahead of them, so that none of them sees another tree.

// Whether the line's mask selects a folder entry. The hidden names the program gives
// its own unfinished copies are never selected: they are not the person's files.
bool selects_entry(const std::string& mask, std::string_view name);

// Whether the walk enters the subfolder `name` of the folder open at `dirfd`: a real
// folder (never a link to one), no leading dot (so never the kept versions), and not
// the line's own backup folder inside its source (`destination`, when it exists),
// which would otherwise be copied into itself.
bool enters_folder(int dirfd, const char* name, unsigned char type, const struct stat* destination);

// Whether a line's source and destination folder texts name one folder (the same
// text, or the same folder on disk: "/data" and "/data/", or a link and its target):
// such a line is refused.
bool names_one_folder(const std::string& source, const std::string& destination);

} // namespace vt
