#pragma once
#include "cli/headless_terminal.h"
#include "core/list/copy_list.h"
#include "core/platform/event_pump.h"
#include "core/run/copy_options.h"
#include "core/run/run_lock.h"

#include <functional>
#include <optional>
#include <string>

namespace vt {

// What a run or a check without a window does before its work: installs the stop
// handlers, finds the list the command line names, keeps a second run off it and
// reads it. The handlers stay installed, and the lock held, as long as the opener
// lives; a signal that came in the meantime stops the work at its first pump.
class ListOpener {
public:
    explicit ListOpener(const std::string& list_argument);
    ListOpener(const ListOpener&) = delete;
    ListOpener& operator=(const ListOpener&) = delete;

    // Takes the list's lock (when `lock`) and reads the list. False when another run
    // holds the lock or the list cannot be read; failure() then says why, on one line.
    bool open(bool lock);
    const std::string& failure() const { return failure_; }
    // Why the lock could not be taken for a list opened without it; nothing when it
    // is held or was not asked for.
    std::optional<std::string> lock_error() const;

    const std::string& name() const { return name_; }
    CopyList& list() { return list_; }

    // The pump to hand the work: once a stop signal has come, each call runs `stop`.
    EventPump& pump() { return pump_; }
    void stop_with(std::function<void()> stop) { pump_.stop = std::move(stop); }

private:
    class StopPump final : public EventPump {
    public:
        void pump() override;
        std::function<void()> stop;
    };

    InterruptGuard guard_; // first: the opening itself can be interrupted
    std::string name_;
    std::optional<RunLock> lock_;
    CopyList list_;
    std::string failure_;
    StopPump pump_;
};

// Lays the command line's --journal over the options of the settings: "append" and
// "new" write a journal the way they say, "none" none; empty leaves the settings' own.
void apply_journal_option(const std::string& journal, CopyOptions& options);

} // namespace vt
