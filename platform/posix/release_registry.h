#pragma once

#include <cstddef>
#include <string_view>

#include "platform/result.h"

namespace tv::release {

// What releases a keyed transmitter when the program dies or is told to end. Each keying
// back end registers, while it holds its device, what releases it — a descriptor and the
// modem lines to clear or the bytes to write — and the signal handlers run every entry
// before anything else, from inside the handler: a GUI thread stuck in a slow save or a
// nested wait cannot hold the carrier up.
//
// The registry is the one process-wide state of the program besides the termination
// pipe, because a signal handler can reach nothing else. Everything here that a handler
// calls is async-signal-safe (atomics, ioctl, write).
//
// Should even this fail (a crash that leaves no stack for a handler, SIGKILL), a serial
// port is configured to hang up on close, so the kernel drops both lines when the dying
// process's descriptors are closed. A CAT or GPIO keyed rig has no such net.

inline constexpr std::size_t kMaxEntries = 16;
inline constexpr std::size_t kMaxBytes = 32;

// Clears the modem lines in `modemBits` (TIOCM_DTR | TIOCM_RTS) of `fd`. Returns the
// entry's handle, or -1 when the registry is full.
int addModemLines(int fd, int modemBits) noexcept;
// Writes `bytes` (at most kMaxBytes) to `fd`: a rig's release command, a GPIO report.
int addBytes(int fd, std::string_view bytes) noexcept;
// Before the descriptor is closed: a closed number may be reused for another file.
void remove(int handle) noexcept;

// Runs every entry, in the order added; keeps errno. Async-signal-safe.
void runAll() noexcept;

// Set by the handlers of termination and fatal signals before they release: from then
// on no back end keys again, whatever the GUI thread still does before it ends.
void markEnding() noexcept;
bool ending() noexcept;

// The descriptors registered, for tests and diagnostics (entries beyond `capacity`
// are not reported). Returns the number of live entries.
std::size_t liveDescriptors(int* out, std::size_t capacity) noexcept;

// For SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGQUIT, SIGSYS, SIGXCPU and SIGXFSZ:
// a handler that releases every entry and then lets the signal take its default action,
// so cores and exit statuses stay as they would be. A signal that already has a handler
// or is ignored is left alone. Call once at start-up.
Result<void> installFatalSignalRelease();

// Test hook: forgets the ending mark, so one test process can try several endings.
void resetEndingForTests() noexcept;

}  // namespace tv::release
