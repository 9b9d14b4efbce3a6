#pragma once

// The window's side of the program is a module of its own (vantorel-window.so), which
// the program loads only when it opens its window or a desktop notification. A
// headless run, which is what every scheduled backup is, then starts without Qt and
// the fifty libraries under it: 3 ms instead of 10, in a run over an unchanged tree
// that takes a fifth of a second.
//
// These are the module's two entries, looked up by name; they take and give plain C
// types only, since the module and the program each hold their own copy of the core.
namespace vt::window_module {

// Shows the main window with the program's arguments (as main() got them) and returns
// the program's exit status.
inline constexpr const char* kWindowMain = "vantorel_window_main";
using WindowMain = int(int argc, char** argv);

// A scheduled run's failure as a desktop notification (desktop_failure_notice.h).
inline constexpr const char* kNotifyFailure = "vantorel_notify_failure";
using NotifyFailure = void(int argc, char** argv, const char* summary, const char* body,
                           const char* journal);

} // namespace vt::window_module
