#pragma once
#include <functional>
#include <thread>

namespace vt {

// A thread that receives no signals. Signals ("Stop Copy" by Ctrl+C in a headless run)
// stay with the run's thread, whose handlers and interrupted calls expect them there.
std::thread quiet_thread(std::function<void()> body);

} // namespace vt
