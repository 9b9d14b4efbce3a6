#pragma once
#include "core/platform/file_attributes.h"
#include "core/platform/file_time.h"
#include "core/platform/io_result.h"
#include "core/run/walk_rules.h"

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vt {

class DesktopServices;
class Prompter;
enum class Answer;

// The journal of a copy run: a text file beside the list file recording what the
// run did, one entry per line, lines ended by CR LF. A run appends a block to it or
// starts it anew. In a dry run the same entries go to a line sink instead (with
// the wording of what would happen), and nothing is written.
//
// Each entry reaches the file when it is made, in one write of its own (the disk is
// not asked to keep it until the run ends), so a run that is killed, even with
// kill -9, leaves a journal that names everything it did up to its last steps. A new
// journal takes the old one's place at the start of the run, in one step, with its
// started entry in it.
class Journal {
public:
    static constexpr const char* kSignature = "Vantorel Journal file";

    Journal() = default;
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // The journal beside a list file: folder + base name + ".txt"; when that is the
    // list file itself (a list named "x.txt"), base name + ".journal.txt".
    static std::string file_name_for(const std::string& list_file);

    // Opens the journal of `list_file` for a run and writes the started entry, with
    // `label` after its date (a check's journal block says it is one). False when the
    // run is refused; the reason has been shown through `prompter`.
    bool open(const std::string& list_file, bool append, Prompter& prompter,
              const std::string& label = {});
    // Sends the entries to `sink`, one line per call, instead of a file; `label` is
    // that of finish_report()'s ended entry.
    void open_preview(std::function<void(const std::string&)> sink, const std::string& label = {});
    // Sends every entry written to the file to `sink` as well (a check's report on
    // standard output); empty: none. Kept until changed.
    void mirror(std::function<void(const std::string&)> sink) { mirror_ = std::move(sink); }
    // Text after the date of the started entry of the next run (" - Restore", say), so
    // that a run that is not a backup cannot be taken for one.
    void set_started_note(std::string note) { started_note_ = std::move(note); }

    bool is_open() const { return open_; }
    bool preview() const { return static_cast<bool>(sink_); }
    const std::string& path() const { return path_; }
    // The first write error, if any; once failed, nothing more is written.
    bool failed() const { return !failure_.ok; }
    const IoResult& failure() const { return failure_; }

    // --- Entries ---
    void line_start(int row, const std::string& spec, const std::string& source,
                    const std::string& destination);
    void search(const std::string& pattern);
    void folder_failure(const std::string& folder, const std::string& error);
    void folder_created(const std::string& folder);
    void folder_unreadable(const std::string& folder, const std::string& error);
    void folder_unopenable(const std::string& folder, const std::string& error);
    // The disk holding `folder` could not be flushed at the end of the run.
    void flush_failure(const std::string& folder, const std::string& error);
    void error(const std::string& name, const std::string& error);
    void timestamp_error(const std::string& error);
    // Something the walk passed over, or a killed run's temporary file removed.
    void passed_over(PassedOver what, const std::string& path);
    // What of its source's attributes the copy `name` (a file's name, a folder's path)
    // could not keep; each kind is told once a line.
    void attributes_not_kept(const std::string& name, const AttributeLoss& lost);
    // `replaced`: the time of the destination file that was there at the decision.
    void copied(const std::string& name, const FileTime& source, const FileTime* replaced);
    void not_copied(const std::string& name, const FileTime& source, const FileTime* replaced);
    void folder_total(int count);
    // A run ended by "Stop Copy" (or the window closed during it) says so before its
    // end entries, so that its total is not read as that of a whole run.
    void stopped_by_user();
    // An entry of another report than a copy run's (a check's), as it stands.
    void entry(const std::string& line) { put(line); }
    // Kept versions older than `days` days removed from `folder` at the end of a run,
    // or the reason some could not be.
    void versions_removed(const std::string& folder, int files, int days);
    void versions_unremovable(const std::string& folder, const std::string& error);

    // Writes the end entries and closes the journal; the result tells whether the
    // whole journal reached the disk.
    IoResult finish(int run_total);
    // The same for another report: `totals` after an empty line, then the ended entry
    // (with the label the journal was opened with), also in a preview.
    IoResult finish_report(const std::vector<std::string>& totals);
    // Closes the journal after a failure.
    void abandon();

    // The error box for a journal that could not be read, created or written.
    static std::string error_message(const char* action, const std::string& path,
                                     const std::string& error);

private:
    // Writes one entry, each of its lines ended by CR LF, in a single write: a run
    // killed meanwhile leaves whole entries. `mirrored`: the lines go to the mirror
    // too (not the blank lines that part two runs' blocks in the file).
    void write_entry(std::span<const std::string_view> lines, bool mirrored);
    void put(std::initializer_list<std::string_view> lines, bool mirrored = true) {
        write_entry({lines.begin(), lines.size()}, mirrored);
    }
    void put(std::string_view line, bool mirrored = true) { put({line}, mirrored); }
    IoResult close_file();
    bool create_new(Prompter& prompter, bool exists, unsigned mode);
    // `link`: the journal's name is a symbolic link (asked about, never followed).
    bool check_signature(Prompter& prompter, bool& link);
    // The question about an existing file that is no journal, starting with `first`.
    bool ask_not_a_journal(Prompter& prompter, const std::string& first, Answer default_button);
    void file_entry(const char* prefix, const std::string& name, const FileTime& source,
                    const FileTime* replaced);
    const std::string& date_text(const FileTime& time);

    bool open_ = false;
    int fd_ = -1;
    std::string path_;
    std::string entry_; // the text of the entry being written, reused
    IoResult failure_;
    std::function<void(const std::string&)> sink_;
    std::function<void(const std::string&)> mirror_;
    std::string label_;
    std::string started_note_;
    // A tree's files share a few thousand times (one per package installed, per
    // download, per save), so each text is made once; a run of more times than the
    // bound makes them again.
    std::unordered_map<std::int64_t, std::string> date_texts_;
    unsigned unkept_told_ = 0; // AttributeLoss bits told since the line started
};

// The question that offers the journal; the window knows the box by it.
constexpr const char* kOfferJournalText = "Do you wish to view the journal file now?";

// Offers the finished journal for viewing: "Do you wish to view the journal file
// now?" under the title "<total> files copied"; Yes opens it with the desktop.
void offer_journal(Prompter& prompter, DesktopServices* desktop, const std::string& path,
                   int run_total);
// Ends the journal of a run that copied `run_total` files (or of a preview): the stop
// note when the person stopped it, the end entries, then the offer to view it (not
// after a preview). False when it could not be written, which the standard error box
// has told.
bool end_run_journal(Journal& journal, Prompter& prompter, DesktopServices* desktop, int run_total,
                     bool stopped);
// The same question under another title (a check's summary).
void offer_journal(Prompter& prompter, DesktopServices* desktop, const std::string& path,
                   const std::string& title);

} // namespace vt
