#pragma once
// A copy run's state of one folder, apart from the engine that it would make too long to read.
#include "core/platform/file_attributes.h"
#include "core/platform/file_mode.h"
#include "core/platform/long_path.h"
#include "core/platform/shared_fd.h"
#include "core/platform/sys.h"
#include "core/restore/kept_versions.h"
#include "core/run/copy_engine.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace vt {

// Keeps the backups that copies replace in one folder of a line, in the run's versions.
class FolderKeeper final : public ReplacedKeeper {
public:
    FolderKeeper(KeptVersions& versions, std::string destination, std::string sub_path)
        : versions_(versions), destination_(std::move(destination)),
          sub_path_(std::move(sub_path)) {}
    int keep(int destination_dir, const std::string& name, bool& moved) override {
        return versions_.keep(destination_dir, destination_, sub_path_, name, moved);
    }
    void put_back(int destination_dir, const std::string& name) override {
        versions_.put_back(destination_dir, destination_, sub_path_, name);
    }

private:
    KeptVersions& versions_;
    const std::string destination_; // the line's
    const std::string sub_path_;
};

// The state of one sub-path of a line while its files are searched. Copies still
// being made or told keep it (and its open folders) alive.
struct CopyEngine::Folder : std::enable_shared_from_this<Folder> {
    std::shared_ptr<const Line> line;
    std::string source;      // line's source folder text + sub-path
    std::string destination; // line's destination folder text + sub-path
    std::string sub_path;
    SharedFd source_dir;      // for looking at and copying the entries
    SharedFd destination_dir; // none while the destination folder is missing
    struct stat destination_stat {};
    bool umask_decides = false; // new files there get their bits from the umask alone
    int count = 0;              // files copied in this folder
    bool abandoned = false;     // its destination could not be created
    bool pretended = false;     // a dry run acts as if the destination had been created
    bool noted = false;         // its disk is among those flushed at the end
    // Who counts its entries, the count ahead of the run or the run, and how many
    // entries were handled.
    RunCount::Place counting;
    std::size_t matched = 0;
    // The names of the entries handled, one after another ('\0' ends each): a folder
    // read again after a failure passes over them. A name costs its own bytes here.
    std::string handled;
    // Keeps what copies replace here, when the run keeps versions.
    std::unique_ptr<FolderKeeper> keeper;

    int source_fd() const { return source_dir.get(); }
    int destination_fd() const { return destination_dir.get(); }
    bool missing() const { return !destination_dir && !pretended; }
    void open_destination() {
        destination_dir = SharedFd(open_long_path(AT_FDCWD, destination, O_PATH | O_DIRECTORY));
        if (!destination_dir || ::fstat(destination_dir.get(), &destination_stat) != 0)
            destination_stat = {};
        umask_decides = destination_dir && vt::umask_decides(destination_dir.get());
    }
    void close_destination() {
        destination_dir.reset();
        destination_stat = {};
        umask_decides = false;
    }
    // 0, or the errno of a source folder that cannot be opened.
    int open_source() {
        source_dir.reset();
        const int fd = sys::open_folder(AT_FDCWD, source.c_str(), O_RDONLY);
        const int error = errno;
        source_dir = SharedFd(fd);
        return fd < 0 ? error : 0;
    }
    TransferPlace place() const {
        return {source_fd(),
                destination_fd(),
                destination_stat.st_dev,
                umask_decides,
                keeper.get(),
                destination_stat.st_mode & S_ISGID ? destination_stat.st_gid
                                                   : process_owner().second};
    }
};

} // namespace vt
