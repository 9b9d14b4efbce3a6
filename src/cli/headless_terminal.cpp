#include "cli/headless_terminal.h"

#include "cli/terminal_text.h"

#include <atomic>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vt {
namespace {

std::atomic<int> g_interrupted = 0;
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

extern "C" void on_interrupt(int) {
    g_interrupted = 1;
}

// The width of the terminal on standard error, where the status line goes.
std::size_t terminal_width() {
    struct winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

} // namespace

InterruptGuard::InterruptGuard() {
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (std::size_t i = 0; i < kStops.size(); ++i)
        ::sigaction(kStops[i], &action, &old_[i]);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &old_pipe_);
}

InterruptGuard::~InterruptGuard() {
    for (std::size_t i = 0; i < kStops.size(); ++i)
        ::sigaction(kStops[i], &old_[i], nullptr);
    ::sigaction(SIGPIPE, &old_pipe_, nullptr);
}

bool interrupted() {
    return g_interrupted != 0;
}

void TerminalProgress::running_changed(bool running) {
    if (running)
        meter_.start();
    clear();
}

void TerminalProgress::clear() {
    if (enabled_ && shown_) {
        err_ << "\r\033[K";
        err_.flush();
    }
    shown_ = false;
}

void TerminalProgress::draw(const RunProgress& now, bool in_file) {
    if (!enabled_)
        return;
    const auto t = std::chrono::steady_clock::now();
    if (shown_ && t - last_ < std::chrono::milliseconds(100))
        return;
    last_ = t;
    meter_.update(now, in_file);
    // One column is left free: a line that fills the last one wraps on some
    // terminals, and a wrapped line is not rewritten in place.
    err_ << "\r\033[K"
         << terminal_line(meter_, terminal_text(now.file), terminal_width() - 1, work_);
    err_.flush();
    shown_ = true;
}

} // namespace vt
