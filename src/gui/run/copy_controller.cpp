#include "gui/run/copy_controller.h"

#include "core/list/copy_list.h"
#include "core/list/line_commands.h"
#include "core/platform/desktop_services.h"
#include "core/platform/prompter.h"
#include "core/run/run_lock.h"
#include "gui/run/journal_desktop.h"
#include "gui/run/run_end_prompter.h"
#include "gui/run/run_progress_panel.h"
#include "gui/window/main_window_context.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <utility>

namespace vt {
namespace {

// Repaints during a long transfer this often, and the progress at most this often.
constexpr qint64 kEventsEveryMs = 50;
constexpr qint64 kProgressEveryMs = 100;

class WindowInputs final : public CopyInputs {
public:
    explicit WindowInputs(MainWindowContext& window) : window_(window) {}
    int row_count() const override { return window_.document().row_count(); }
    std::string cell(int column, int row) const override {
        return window_.document().cell(column, row);
    }
    std::string message() const override { return window_.document().message(); }
    CopyOptions options() const override { return window_.copy_options(); }
    std::string list_file_name() const override { return window_.document().file_name(); }

private:
    MainWindowContext& window_;
};

} // namespace

CopyController::CopyController(MainWindowContext& window, RunProgressPanel& progress)
    : QObject(&window.widget()), window_(window),
      run_prompter_(std::make_unique<RunEndPrompter>(
          window.prompter(), [this]() -> const RunSummary& { return active_->summary(); })),
      run_desktop_(std::make_unique<JournalDesktop>(window.desktop())),
      inputs_(std::make_unique<WindowInputs>(window)) {
    engine_.reset(new CopyEngine(*inputs_, *run_prompter_, static_cast<EventPump&>(*this),
                                 run_desktop_.get(), static_cast<RunObserver*>(this)));
    check_.reset(new BackupCheck(*inputs_, window.prompter(), static_cast<EventPump&>(*this),
                                 run_desktop_.get(), static_cast<RunObserver*>(this)));
    active_ = engine_.get();
    // The progress sits under the grid, which makes room for it; it is shown only
    // while a run is in progress, so the idle window looks as it always did.
    progress_ = &progress;
    progress_->hide();
}

CopyController::~CopyController() {
    // A window torn down in the middle of a run (never in normal use: closing waits
    // for the run) must not leave the application with a wait cursor.
    if (running())
        QApplication::restoreOverrideCursor();
}

void CopyController::set_journal_viewer(std::function<void(const std::string&)> show) {
    run_desktop_->set_viewer(std::move(show));
}

RunProgressPanel* CopyController::progress_panel() const {
    return progress_.data();
}

bool CopyController::lock_list(std::optional<RunLock>& lock) {
    const std::string list = window_.document().file_name();
    if (list.empty())
        return true;
    lock.emplace(list);
    if (!lock->busy())
        return true;
    window_.prompter().ask(
        {"Vantorel", RunLock::busy_text(list), Buttons::Ok, Answer::Ok, Icon::Warning, Answer::Ok});
    return false;
}

void CopyController::DoCopyNowClick() {
    // "Stop Copy" stops a check or a restore as it stops a run.
    if (check_->running()) {
        check_->click();
        return;
    }
    if (active_->running()) {
        active_->click(); // a click that arrives during a run only asks it to stop
        return;
    }
    start(*engine_);
}

void CopyController::CheckBackup1Click() {
    if (running())
        return;
    // A check writes the list's journal and must not find copies half made: it takes
    // the list's lock as a run does.
    std::optional<RunLock> lock;
    if (!lock_list(lock))
        return;
    if (progress_)
        progress_->set_work("compare");
    check_->click();
    if (after_run_ && !running())
        std::exchange(after_run_, nullptr)();
}

void CopyController::restore(const CopyList& list, const std::string& started_note) {
    if (running())
        return;
    // The list is the window's to change as soon as the restore is set up: the run
    // takes a copy of it (without the window's listeners).
    restore_list_.replace_lines(list.lines());
    restore_list_.set_message(list.message());
    restore_list_.set_file_name(list.file_name());
    if (!restore_engine_) {
        restore_inputs_ = std::make_unique<ListInputs>(restore_list_, [this] {
            CopyOptions options = window_.copy_options();
            options.keep_versions = false;
            return options;
        });
        restore_engine_.reset(new CopyEngine(*restore_inputs_, *run_prompter_,
                                             static_cast<EventPump&>(*this), run_desktop_.get(),
                                             static_cast<RunObserver*>(this)));
    }
    restore_engine_->set_started_note(started_note);
    start(*restore_engine_);
}

void CopyController::start(CopyEngine& engine) {
    // A run holds its list's lock until it ends (click() returns then).
    std::optional<RunLock> lock;
    if (!lock_list(lock))
        return;
    if (progress_)
        progress_->set_work("copy");
    active_ = &engine;
    engine.click();
    if (after_run_ && !running())
        std::exchange(after_run_, nullptr)();
}

void CopyController::after_run(std::function<void()> then) {
    if (!running()) {
        then();
        return;
    }
    active_->request_stop();
    check_->request_stop();
    after_run_ = std::move(then);
}

bool CopyController::defer_close() {
    if (!running())
        return false;
    after_run(
        [this] { QTimer::singleShot(0, &window_.widget(), [this] { window_.widget().close(); }); });
    return true;
}

void CopyController::set_commands_enabled(bool enabled) {
    if (!enabled) {
        const std::vector<QObject*> commands = window_.commands_that_change_the_list();
        disabled_.clear();
        // What is given back is each command's own state, not what it shows now. Qt
        // reports a hidden item as disabled: a recent-file item hidden now, given back
        // "disabled", would stay greyed out for good once a later list shows it. A hidden
        // item among these is enabled of its own (it only waits to be shown); a widget's
        // own state leaves out a disabled parent.
        for (QObject* c : commands) {
            if (auto* a = qobject_cast<QAction*>(c)) {
                disabled_.emplace_back(a, a->isEnabled() || !a->isVisible());
                a->setEnabled(false);
            } else if (auto* w = qobject_cast<QWidget*>(c)) {
                disabled_.emplace_back(w, !w->testAttribute(Qt::WA_ForceDisabled));
                w->setEnabled(false);
            }
        }
        return;
    }
    for (auto& [object, was_enabled] : disabled_) {
        if (auto* a = qobject_cast<QAction*>(object.data()))
            a->setEnabled(was_enabled);
        else if (auto* w = qobject_cast<QWidget*>(object.data()))
            w->setEnabled(was_enabled);
    }
    disabled_.clear();
}

void CopyController::running_changed(bool running) {
    QAbstractButton& button = window_.copy_button();
    QPalette palette = button.palette();
    palette.setColor(QPalette::ButtonText, running ? Qt::red : Qt::black);
    button.setPalette(palette);
    button.setText(running ? QStringLiteral("Stop Copy") : QStringLiteral("Copy Now"));
    set_commands_enabled(!running);
    window_.line_commands().set_locked(running);
    if (progress_) {
        progress_->clear();
        progress_->setVisible(running);
        window_.run_progress_toggled();
    }
    if (running) {
        meter_.start();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        since_update_.invalidate(); // the first progress is shown at once
        since_events_.start();
    } else {
        QApplication::restoreOverrideCursor();
        emit run_ended();
    }
}

void CopyController::show_progress(const RunProgress& now, bool in_file) {
    meter_.update(now, in_file);
    if (progress_)
        progress_->show_progress(meter_, now);
}

void CopyController::progress(const RunProgress& now) {
    if (since_update_.isValid() && since_update_.elapsed() < kProgressEveryMs)
        return;
    since_update_.start();
    show_progress(now, false);
}

void CopyController::transfer_progress(const RunProgress& now) {
    // A long file keeps the window painted and its progress moving; a "Stop Copy"
    // click is still acted on only after the file.
    if (since_events_.elapsed() < kEventsEveryMs)
        return;
    show_progress(now, true);
    since_update_.start();
    since_events_.restart();
    QCoreApplication::processEvents();
}

void CopyController::waiting_for_answer(bool waiting) {
    meter_.set_paused(waiting);
}

void CopyController::pump() {
    since_events_.restart();
    QCoreApplication::processEvents();
}

} // namespace vt
