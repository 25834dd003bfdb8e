// Interruption: Ctrl-C (SIGINT), SIGTERM and SIGHUP stop a long command cleanly: the signal
// only raises a flag, and the loops that read, calibrate and write check it between pieces
// of work, so that the command unwinds and removes its unfinished output.
#pragma once

namespace Velogram {

// Installs the handlers (once; later calls do nothing).
void CatchInterruptions();
// Throws CommandError("interrupted") once a signal has arrived. Thread-safe.
void ThrowIfInterrupted();

}  // namespace Velogram
