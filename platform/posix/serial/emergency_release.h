#pragma once

#include "platform/result.h"

namespace tv {

// Last-resort release of the transmitter when the program dies without its orderly
// shutdown. It holds the descriptor of the open serial port, the only process-wide state
// of the program; the termios port arms it on open and disarms it on close. If several
// ports are open (tests), the one opened last is covered.
//
// Should even this fail (a crash that leaves no stack for a handler, SIGKILL), the port
// is configured to hang up on close, so the kernel drops both lines when the dying
// process's descriptors are closed.

void armEmergencyRelease(int fd) noexcept;

// Disarms only if `fd` is still the armed descriptor.
void disarmEmergencyRelease(int fd) noexcept;

// The armed descriptor, -1 when none; for checks and diagnostics.
int armedEmergencyDescriptor() noexcept;

// Clears DTR and RTS on the armed descriptor, if any. Async-signal-safe: meant for the
// handlers of fatal signals and for the self-pipe path of SIGTERM, SIGINT and SIGHUP.
void releaseLinesNow() noexcept;

// For SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGQUIT, SIGSYS, SIGXCPU and SIGXFSZ:
// a handler that releases the lines and then lets the signal take its default action,
// so cores and exit statuses stay as they would be. A signal that already has a handler
// or is ignored is left alone. Call once at start-up.
Result<void> installFatalSignalRelease();

}  // namespace tv
