#include "host/velogram/interruption.h"

#include <csignal>

#include "host/velogram/command_error.h"

namespace Velogram {
namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void OnSignal(int signal) { g_signal = signal; }

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
    if (g_signal != 0) throw CommandError("interrupted");
}

}  // namespace Velogram
