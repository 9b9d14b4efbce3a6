#include "core/platform/quiet_thread.h"

#include <csignal>
#include <pthread.h>

namespace vt {

std::thread quiet_thread(std::function<void()> body) {
    // A new thread inherits the mask of the thread that starts it.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    std::thread t(std::move(body));
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return t;
}

} // namespace vt
