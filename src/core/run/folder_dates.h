#pragma once
#include <string>
#include <vector>

namespace vt {

class Journal;

// Gives the backup folders of a copy line their source folders' access and
// modification times once the run is done with them: every copy named in a folder and
// every folder made in it moves its modification time, so a folder is dated only when
// the walk has left it and everything below it. Only folders the run wrote into or
// made are dated; a run that changed nothing writes nothing.
//
// The walk visits a line's folders parent first, so the folders waiting form a chain
// from the line's top folder down to the one being worked on. Dating goes down that
// chain through folder descriptors opened without following links: no time is set
// through a link that took a folder's place.
class FolderDates {
public:
    explicit FolderDates(Journal& journal) : journal_(journal) {}

    // A line starts (after the last one was finished). `active` false for a dry run,
    // which writes nothing.
    void start_line(const std::string& source, const std::string& destination, bool active);
    // The walk reached `sub_path` ("" for the line's top folder, else "/a/b"): the
    // folders waiting that are not above it are left, and dated now. Called when
    // everything the run did before it has been told.
    void reach(const std::string& sub_path);
    // A copy was named in the folder `sub_path`.
    void wrote(const std::string& sub_path);
    // The folder `sub_path` was made, maybe with levels above it: it and every folder
    // above it waiting are dated.
    void made(const std::string& sub_path);
    // Dates every folder still waiting: the line or the run ends.
    void finish();

private:
    struct Waiting {
        std::string sub_path;
        bool changed = false;
    };
    // Dates the waiting folders from index `first` on and forgets them.
    void date_from(std::size_t first);

    Journal& journal_;
    bool active_ = false;
    std::string source_, destination_;
    std::vector<Waiting> waiting_; // a chain: each one is above the next
};

} // namespace vt
