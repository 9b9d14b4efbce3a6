#pragma once
#include "core/check/backup_check.h"
#include "core/platform/event_pump.h"
#include "core/run/copy_engine.h"
#include "core/run/run_lock.h"
#include "core/run/run_meter.h"
#include "core/run/run_progress.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vt {

class MainWindowContext;
class JournalDesktop;
class RunEndPrompter;
class RunProgressPanel;

// Runs "Copy Now" in the main window: the button and menu item start a run or stop
// it, the window shows the running state (red "Stop Copy", wait cursor, the progress
// under the grid) and the commands that would pull the list from under the run are disabled
// until it ends: the entry editor's confirm button too, and the line commands are
// locked, so that no line is added, changed or removed under the run. The run reads
// the window's list and options live.
class CopyController final : public QObject, private RunObserver, private EventPump {
    Q_OBJECT
public:
    // `progress` is the window's panel under the grid; it is shown while a run is in
    // progress.
    CopyController(MainWindowContext& window, RunProgressPanel& progress);
    ~CopyController() override;

    // The click of BitBtn_do_copy (also reached through CopyNow1); during a check or a
    // restore it stops that.
    void DoCopyNowClick();
    // "Check Backup": compares the list's files with their backups, shown as a run is.
    void CheckBackup1Click();
    bool running() const { return active_->running() || check_->running(); }

    // Runs `list` (a list turned around, see restore_plan.h) as the window runs a copy,
    // with its journal's started entry saying so; it keeps no versions of the files it
    // replaces. The window's list is locked as for a copy.
    void restore(const CopyList& list, const std::string& started_note);

    // Called when the window is asked to close. While a run is in progress it is
    // asked to stop and the close is repeated once it has ended; true means "not
    // now".
    bool defer_close();
    // Runs `then` now, or, while a run or check is in progress, asks it to stop and
    // runs `then` once it has ended (its journal finished).
    void after_run(std::function<void()> then);

    // Where Yes to the question at the end of a run shows the journal (the program's
    // viewer); unset, the desktop opens it.
    void set_journal_viewer(std::function<void(const std::string&)> show);

    RunProgressPanel* progress_panel() const;
    // The clock of the time left (tests set their own).
    void set_clock(RunMeter::Now now) { meter_ = RunMeter(std::move(now)); }
    // How many files the runs copy at once (tests that pace the copies take one).
    void set_jobs(int jobs) { engine_->set_jobs(jobs); }

signals:
    // A run, restore or check has ended: its journal may be there now.
    void run_ended();

private:
    // RunObserver
    void running_changed(bool running) override;
    void progress(const RunProgress& now) override;
    void transfer_progress(const RunProgress& now) override;
    void waiting_for_answer(bool waiting) override;
    // EventPump
    void pump() override;

    // Takes the list's lock for a run or check; false (after saying so) when another
    // run holds it.
    bool lock_list(std::optional<RunLock>& lock);
    void show_progress(const RunProgress& now, bool in_file);
    void set_commands_enabled(bool enabled);

    // Starts `engine` under the lock of the window's list.
    void start(CopyEngine& engine);

    MainWindowContext& window_;
    // What the runs show at their end: the summary's title, the journal's viewer.
    std::unique_ptr<RunEndPrompter> run_prompter_;
    std::unique_ptr<JournalDesktop> run_desktop_;
    std::unique_ptr<CopyInputs> inputs_;
    std::unique_ptr<CopyEngine> engine_;
    std::unique_ptr<BackupCheck> check_;
    // A restore's list and engine, while one is to run; `active_` is the engine that
    // runs or ran last.
    CopyList restore_list_;
    std::unique_ptr<CopyInputs> restore_inputs_;
    std::unique_ptr<CopyEngine> restore_engine_;
    CopyEngine* active_ = nullptr;
    // Guarded: while the window is torn down its children go one by one.
    QPointer<RunProgressPanel> progress_;
    RunMeter meter_;
    QElapsedTimer since_update_;
    QElapsedTimer since_events_;
    std::function<void()> after_run_;
    // Commands disabled during a run, with the state to give back afterwards.
    std::vector<std::pair<QPointer<QObject>, bool>> disabled_;
};

} // namespace vt
