#pragma once
#include "core/platform/file_attributes.h"
#include "core/platform/folder_create.h"
#include "core/platform/io_result.h"
#include "core/run/folder_ahead.h"

#include <memory>

#include <set>
#include <string>
#include <vector>

namespace vt {

class DiskCatalog;
class Journal;
class Prompter;
class RunObserver;

enum class FolderOutcome { Created, Failed, EndRun };

// Makes the destination folders of a copy line, asking about problems and
// recording them in the journal. Every folder it makes, also a level on the way to
// a line's destination, has its journal entry, in the order made, and is told to
// `observer`.
class FolderMaker {
public:
    FolderMaker(Prompter& prompter, Journal& journal, RunObserver* observer = nullptr)
        : prompter_(prompter), journal_(journal), observer_(observer) {}

    // Forgets the disks found missing and the folders pretended in the last run.
    void start_run() {
        missing_drives_.clear();
        pretended_.clear();
    }
    // The run's disks, asked whether a source folder's owners and bits are made up
    // (a folder made after one gets those the umask gives); none: they never are.
    void set_disks(DiskCatalog* disks);

    // Before the first folder of a line is created: checks that the destination
    // lies on a disk that is there (or, existing, is not the empty mount point of one
    // that is not), and creates every missing level above the folder `destination` +
    // `sub_path`: a level up to `destination` takes the attributes of `template_folder`
    // (the line's source), one below it those of its own folder under the source.
    // False when the user cancels the run.
    bool prepare(const std::string& destination, const std::string& template_folder,
                 const std::string& sub_path);

    // Creates the one folder `new_folder` (its parent exists) with the owner, extended
    // attributes, ACLs and permission bits of `template_folder`; what it could not keep
    // goes to the journal.
    FolderOutcome create(const std::string& template_folder, const std::string& new_folder);
    // The same for the folder `top` + `sub_path`, made inside its parent reached from
    // `top` without passing through a link (see beneath.h).
    FolderOutcome create_below(const std::string& template_folder, const std::string& top,
                               const std::string& sub_path);

    // Makes the folder `top` + `sub_path` as create_below() does, but only where that
    // needs no question and no level above it (its parent is there, its disk is not
    // one the run was told is missing), and without a word: for a run that makes it
    // before its turn. Null when it made nothing; the caller then makes the folder the
    // usual way at its turn.
    std::unique_ptr<FolderAhead> create_ahead(const std::string& template_folder,
                                              const std::string& top, const std::string& sub_path,
                                              AttributeLoss& lost);
    // Tells a folder create_ahead() made, at its turn: its journal entries and the
    // observer, as for any folder made.
    void made_ahead(const std::string& folder, const AttributeLoss& lost);
    // A dry run: tells what prepare() and create() would make for `destination` +
    // `sub_path` (named so), making nothing. A folder told once in a run is taken as
    // made from then on.
    void pretend(const std::string& destination, const std::string& sub_path);

    // Folders that could not be created and were accepted with OK.
    int failures() const { return failures_; }

    // The nearest existing folder at or above `path` ("/" at the latest).
    static std::string nearest_existing_folder(const std::string& path);

private:
    std::string failure_text(const std::string& folder, const std::string& error) const;
    // Whether `folder` lies in the mount point of a disk that the user was told is
    // not there: nothing may be created in it, or the backup would land on the disk
    // underneath.
    bool on_missing_drive(const std::string& folder) const;
    void level_failed(const std::string& level, const std::string& folder,
                      const std::string& error);
    void made(const std::string& folder);
    FolderOutcome outcome(const IoResult& made, const std::string& new_folder,
                          const AttributeLoss& lost);

    Prompter& prompter_;
    Journal& journal_;
    RunObserver* observer_;
    int failures_ = 0;
    MadeUpModes made_up_;
    std::vector<std::string> missing_drives_;
    std::set<std::string> pretended_; // by a dry run, without trailing separators
};

} // namespace vt
