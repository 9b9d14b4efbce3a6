#pragma once
#include "core/platform/disk_catalog.h"
#include "core/platform/shared_fd.h"
#include "core/run/file_transfer.h"
#include "core/run/list_line.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace vt {

class KeptVersions;

// One folder of a line while a copy run works in it: its open source and destination
// folders, and what the run made of it. Copies still being made or told keep it (and
// its open folders) alive after the walk has gone on. When the run keeps versions, it
// keeps the backups that copies replace here.
class RunFolder final : public ReplacedKeeper, public std::enable_shared_from_this<RunFolder> {
public:
    // `line_top` holds the line's own destination folder for all of the line's folders
    // (opened by the first that needs it): a tree of thousands of folders would otherwise
    // open it again for each.
    RunFolder(std::shared_ptr<const ListLine> line, std::string sub_path, std::string source,
              std::string destination, KeptVersions* versions, std::shared_ptr<SharedFd> line_top,
              DiskCatalog* disks = nullptr)
        : line(std::move(line)), sub_path(std::move(sub_path)), source(std::move(source)),
          destination(std::move(destination)), versions_(versions), line_top_(std::move(line_top)),
          disks_(disks) {}

    const std::shared_ptr<const ListLine> line;
    const std::string sub_path;
    const std::string source;      // line's source folder text + sub-path
    const std::string destination; // line's destination folder text + sub-path
    SharedFd source_dir;           // for looking at and copying the entries
    SharedFd destination_dir;      // none while the destination folder is missing
    struct stat destination_stat {};
    int count = 0;                // files copied in this folder
    bool abandoned = false;       // its destination could not be created
    bool pretended = false;       // a dry run acts as if the destination had been created
    bool noted = false;           // its disk is among those flushed at the end
    bool made = false;            // created by this run, so empty but for the run's copies
    bool no_source_links = false; // a restore's: its files are never read through a link
    std::chrono::steady_clock::time_point made_at{}; // (for a while, see CopyDecision::recent)

    int source_fd() const { return source_dir.get(); }
    int destination_fd() const { return destination_dir.get(); }
    bool missing() const { return !destination_dir && !pretended; }
    // 0, or the errno of a destination folder that cannot be opened (ELOOP: a link
    // stands where the folder should be).
    int open_destination();
    void close_destination();
    // A line's destination that is the empty mount point of a disk that is not there
    // counts as missing: the disk is, and whatever the run wrote there would land on
    // the disk underneath. Its creation then asks about the disk and fails.
    void close_if_missing_drive();
    TransferPlace place();
    // What the destination folder's disk keeps (an unknown disk's least while the
    // folder is missing).
    const DiskTraits& disk();
    // How a file's times here are compared with its backup's (DiskCatalog::comparing).
    const DiskTraits& compared();
    // What the source folder's disk keeps (an unknown disk's least without a catalog).
    const DiskTraits& source_disk();
    // The folder whose attributes a destination folder made for this one takes: in a
    // restore the source folder the walk opened, never what a link now at its path
    // leads to.
    std::string template_folder() const;

    int keep(int destination_dir, const std::string& name, bool& moved) override;
    void put_back(int destination_dir, const std::string& name) override;

private:
    int open_below_line_top();

    KeptVersions* versions_; // of the run, when it keeps them
    std::shared_ptr<SharedFd> line_top_;
    DiskCatalog* disks_;
    const DiskTraits* disk_ = nullptr; // of the open destination folder
    std::optional<DiskTraits> compared_;
    const DiskTraits* source_disk_ = nullptr; // of the open source folder
    // Whether new files there get their bits from the umask alone: asked of the folder
    // (its default ACL) only once a copy is made there, since most folders of a run
    // over an unchanged tree get none.
    std::optional<bool> umask_decides_;
};

} // namespace vt
