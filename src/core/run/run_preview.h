#pragma once
#include "core/list/copy_list.h"
#include "core/platform/prompter.h"
#include "core/run/copy_options.h"
#include "core/run/run_progress.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vt {

// What a run would do with a file, as a preview tells it.
enum class PreviewKind {
    New,              // no backup yet: copied
    ReplaceOlder,     // the backup is older: replaced
    ReplaceEqual,     // the backup is as old, and the line replaces existing versions
    DestinationNewer, // the backup is newer: a run would ask
    Unchanged         // nothing to do
};
inline constexpr int kPreviewKinds = 5;

PreviewKind preview_kind(const FileDecision& decision);

struct PreviewCount {
    std::int64_t files = 0;
    std::uint64_t bytes = 0;
    void add(std::uint64_t size) {
        ++files;
        bytes += size;
    }
    void add(const PreviewCount& other) {
        files += other.files;
        bytes += other.bytes;
    }
};

// One line of a preview: the counts of each kind, the first files of each (the
// sub-path and name), the folders a run would make, the folders it could not read,
// the entries it would not copy for a name clash.
struct LinePreview {
    static constexpr std::size_t kListed = 200; // files named per kind

    int row = 0;
    std::string source, spec, destination;
    std::array<PreviewCount, kPreviewKinds> counts{};
    std::array<std::vector<std::string>, kPreviewKinds> files{};
    std::vector<std::string> folders_to_create;
    std::vector<std::string> unreadable;
    // Entries a run would not copy: the same name as another on a destination that
    // ignores case (the journal's texts).
    std::vector<std::string> clashes;
    bool same_folder = false; // refused: source and destination are the same

    const PreviewCount& count(PreviewKind kind) const {
        return counts[static_cast<std::size_t>(kind)];
    }
    // What a run would copy without asking: new files and replaced ones.
    PreviewCount copies() const;
};

struct Preview {
    std::vector<LinePreview> lines;
    bool complete = false; // went through every line (not stopped)

    // Every line added up (row 0; no file names).
    LinePreview total() const;
};

// Collects a preview from the decisions of a dry run, and answers its boxes as
// nobody is there to: the verify question Yes, a newer backup kept (No), a folder that
// cannot be read passed over (Ignore), everything else its default.
class PreviewCollector final : public RunObserver, public Prompter {
public:
    explicit PreviewCollector(const CopyList& list);

    Answer ask(const Prompt& prompt) override;
    // Nobody sees a preview's boxes: the run's look ahead stays good after them.
    bool answers_unseen(const Prompt&) const override { return true; }
    void progress(const RunProgress& now) override;
    void decided(const FileDecision& decision) override;
    void folder_created(const std::string& folder) override;
    void folder_unreadable(const std::string& folder) override;
    void name_clash(const std::string& text) override;

    Preview& preview() { return preview_; }

private:
    LinePreview* line(int row);

    Preview preview_;
    int row_ = 0; // the line the run is in
};

// Computes the preview of a copy list on a thread of its own, with the run's own
// engine in a dry run (its scan and count threads too): nothing is written. The list
// and the options are taken as they are when it starts.
class PreviewRun {
public:
    PreviewRun(const CopyList& list, const CopyOptions& options);
    // Stops the run and waits for it.
    ~PreviewRun();
    PreviewRun(const PreviewRun&) = delete;
    PreviewRun& operator=(const PreviewRun&) = delete;

    void start();
    // Asks the run to stop after the entry it is at.
    void stop() { stop_ = true; }
    bool finished() const { return finished_; }
    // Where it stands (any thread).
    RunProgress progress() const;
    // The preview, once finished (incomplete when stopped).
    const Preview& result() const { return result_; }

private:
    void run();

    CopyList list_;
    CopyOptions options_;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::atomic<bool> finished_ = false;
    mutable std::mutex mutex_;
    RunProgress progress_;
    Preview result_;
};

// The same on the calling thread, to its end.
Preview preview_list(const CopyList& list, const CopyOptions& options);

} // namespace vt
