// Interruptions on POSIX: SIGINT, SIGTERM and SIGHUP are blocked in the
// registering thread and waited for by a thread of their own, so that the
// removal runs as ordinary code, not in a signal handler; then the signal is
// raised again with its default action, and the process ends by it.

#include <pthread.h>
#include <signal.h>

#include <mutex>
#include <thread>

#include "platform/Interrupt.h"
#include "platform/InterruptCommon.h"

namespace vindeleo::platform {

namespace {

sigset_t InterruptSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal);
    return signals;
}

[[noreturn]] void WatchInterrupts(sigset_t signals) {
    int caught = SIGTERM;
    while (sigwait(&signals, &caught) != 0) {
    }
    interrupt::RemoveRegisteredFolders();
    ::signal(caught, SIG_DFL);
    ::raise(caught);
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);  // delivers it here
    ::_exit(128 + caught);  // a signal that was ignored when the process started
}

}  // namespace

void RemoveOnInterrupt(const std::filesystem::path& dir) {
    static std::once_flag started;
    std::call_once(started, [] {
        const sigset_t signals = InterruptSignals();
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        std::thread(WatchInterrupts, signals).detach();
    });
    auto& registry = interrupt::Folders();
    std::lock_guard<std::mutex> hold(registry.mutex);
    registry.folders.push_back(dir);
}

}  // namespace vindeleo::platform
