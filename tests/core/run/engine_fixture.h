#pragma once
#include "core/platform/event_pump.h"
#include "core/run/copy_engine.h"
#include "support/recording_desktop_services.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace vt::test {

// A pump that runs a test's action after a given number of directory entries, and
// another while the run waits for a slow folder.
class CountingPump final : public EventPump {
public:
    void pump() override {
        ++calls;
        if (action && calls == at)
            action();
    }
    void wait_pump() override {
        ++waits;
        if (while_waiting)
            while_waiting();
    }
    int calls = 0;
    int at = 0;
    std::function<void()> action;
    int waits = 0;
    std::function<void()> while_waiting;
};

// Passes boxes on with their date-time texts shown as "<date>", so that scripts can
// check exact texts.
class MaskingPrompter final : public Prompter {
public:
    explicit MaskingPrompter(Prompter& inner) : inner_(inner) {}
    Answer ask(const Prompt& prompt) override;

private:
    Prompter& inner_;
};

// Keeps the last progress a run reported, and whether its totals ever fell.
class ProgressLog final : public RunObserver {
public:
    void progress(const RunProgress& now) override { take(now); }
    void transfer_progress(const RunProgress& now) override { take(now); }
    void waiting_for_answer(bool waiting) override { waits.push_back(waiting); }

    RunProgress last;
    int reports = 0;
    int fell = 0;            // reports whose totals were below an earlier one's
    std::vector<bool> waits; // boxes opening (true) and answered (false)

private:
    void take(const RunProgress& now) {
        fell += now.total_files < last.total_files || now.total_bytes < last.total_bytes ||
                (last.total_known && !now.total_known);
        last = now;
        ++reports;
    }
};

// A copy list in a temporary folder, run by a real engine with a scripted prompter.
class EngineFixture {
public:
    EngineFixture();

    // Adds a line: source, mask, destination, replace-existing, subfolders.
    void line(const std::string& source, const std::string& mask, const std::string& destination,
              bool replace = false, bool subfolders = false);
    // Saves the list as dir/<name> so that the run can keep a journal beside it.
    void save_list(const std::string& name = "backup.vtl");

    // One click of "Copy Now".
    void run();
    // The journal's lines (CR LF ends removed), dates shown as "<date>".
    std::vector<std::string> journal_lines() const;
    std::string journal_path() const;

    // Files in a folder tree whose names look like the engine's temporary files.
    static std::vector<std::string> leftovers(const std::string& folder);

    TempDir dir;
    CopyList list;
    CopyOptions options{false, true, 0};
    ScriptedPrompter prompter;
    MaskingPrompter masked{prompter};
    RecordingDesktopServices desktop;
    CountingPump pump;
    ListInputs inputs{list, [this] { return options; }};
    ProgressLog progress;
    CopyEngine engine{inputs, masked, pump, &desktop, &progress};
};

// The "view the journal" question at the end of a run with `total` files copied.
void expect_offer(ScriptedPrompter& prompter, int total, Answer answer = Answer::No);

// Date-time texts of the journal and the questions replaced by "<date>".
std::string mask_dates(const std::string& text);

// The journal's lines that start with `prefix`.
int count_of(const std::vector<std::string>& lines, const std::string& prefix);

// The box of a source folder the run cannot read.
std::string unreadable_box(const std::string& folder, int error);

// Letters whose run changes every `block` bytes, so that a block copied to the wrong
// place, or twice, shows.
std::string pattern(std::size_t size, std::size_t block);

} // namespace vt::test
