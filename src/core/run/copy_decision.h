#pragma once
#include "core/platform/disk_traits.h"
#include "core/platform/file_time.h"
#include "core/run/answered_prompter.h"
#include "core/run/folder_scan.h"

#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace vt {

// Whether a run copies one source file, and what it saw at the destination.
struct Decision {
    FileTime source; // the source's time, for the journal
    timespec source_time{};
    bool copy = false;
    bool present = false;             // a destination file of that name is to be replaced
    std::optional<FileTime> replaced; // its time, for the journal's replace note
    std::optional<timespec> replaced_time;
    bool same_size = true; // it is there with the source's size
    bool asked = false;    // a question was asked about the file
};

// Whether `backup` is already the copy of `source` by the run's own rule: the same
// size, and the same time as far as the backup's disk `disk` keeps times. A run without
// the replace flag leaves such a backup alone; one with it copies it again, and then
// the replaced backup is no version worth keeping.
bool is_same_backup(const struct stat& source, const struct stat& backup, const DiskTraits& disk);

// The copy decision for one file: the destination's presence and times against the
// source's and the line's replace flag, then the verify and newer-destination
// questions where they apply.
class CopyDecision {
public:
    explicit CopyDecision(AnsweredPrompter& prompter) : prompter_(prompter) {}

    // Called before each question; false ends the run before it is asked.
    void before_question(std::function<bool()> f) { before_question_ = std::move(f); }

    // The file `entry` of the folder `source_folder` (looked at: `source`) against the
    // destination folder `destination_fd` (-1: missing), whose times compare as `disk`
    // says. False when the run ends.
    bool decide(const FolderScan::Entry& entry, const struct stat& source,
                const std::string& source_folder, const std::string& destination_folder,
                int destination_fd, const DiskTraits& disk, bool replace, bool verify,
                Decision& out);

    // Whether what the scan saw of `entry` is recent enough to be trusted: taken after
    // the last answer (what a person may have changed while a box was open) and
    // moments ago.
    bool recent(const FolderScan::Entry& entry) const { return recent(entry.seen_at); }
    bool recent(AnsweredPrompter::Clock::time_point seen) const;

private:
    // Whether the scan saw a destination that leaves the file nothing to do.
    bool unchanged(const FolderScan::Entry& entry, const struct stat& source,
                   const DiskTraits& disk, bool replace) const;
    // Asks, after what comes before has been told unless nobody sees the box; false
    // when the run ends instead.
    bool ask(std::string text, Decision& out, Answer& answer);
    // file_time(), for the last time asked again: an unchanged backup has its source's
    // time, and a folder's files often share one, so most of a run's conversions to
    // local time would repeat the one before.
    FileTime local(std::time_t seconds) const;

    AnsweredPrompter& prompter_;
    std::function<bool()> before_question_;
    mutable std::optional<std::pair<std::time_t, FileTime>> last_local_;
};

} // namespace vt
