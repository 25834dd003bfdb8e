#include "host/velogram/interruption.h"

#include <atomic>
#include <csignal>

#include "host/velogram/command_error.h"

namespace Velogram {
namespace {

// Lock-free, so that the handler may set it and the threads that calibrate may read it.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnSignal(int signal) { g_signal.store(signal, std::memory_order_relaxed); }

}  // namespace

void CatchInterruptions()
{
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
        return true;
    }();
    (void)installed;
}

void ThrowIfInterrupted()
{
    if (g_signal.load(std::memory_order_relaxed) != 0) throw CommandError("interrupted");
}

}  // namespace Velogram
