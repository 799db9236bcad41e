#include "platform/posix/serial/emergency_release.h"

#include <sys/ioctl.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

namespace tv {
namespace {

static_assert(std::atomic<int>::is_always_lock_free,
              "a signal handler may only touch a lock-free atomic");

std::atomic<int> armedDescriptor{-1};

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGILL,  SIGFPE, SIGABRT,
                                SIGQUIT, SIGSYS, SIGXCPU, SIGXFSZ};

void releaseAndDie(int signal) {
  releaseLinesNow();
  // SA_RESETHAND has restored the default action. The signal stays blocked until the
  // handler returns, so the raised copy is delivered then; a fault re-raised this way
  // ends the process before the faulting instruction runs again.
  raise(signal);
}

}  // namespace

void armEmergencyRelease(int fd) noexcept {
  armedDescriptor.store(fd);
}

void disarmEmergencyRelease(int fd) noexcept {
  int expected = fd;
  armedDescriptor.compare_exchange_strong(expected, -1);
}

int armedEmergencyDescriptor() noexcept {
  return armedDescriptor.load();
}

void releaseLinesNow() noexcept {
  const int fd = armedDescriptor.load();
  if (fd < 0) return;
  const int savedErrno = errno;
  int lines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd, TIOCMBIC, &lines);
  errno = savedErrno;
}

Result<void> installFatalSignalRelease() {
  for (int signal : fatalSignals) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0) {
      return failure(std::string("Cannot read the action of signal ") + strsignal(signal) + ": " +
                     std::strerror(errno));
    }
    if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) continue;

    struct sigaction release {};
    release.sa_handler = releaseAndDie;
    sigemptyset(&release.sa_mask);
    release.sa_flags = SA_RESETHAND;
    if (sigaction(signal, &release, nullptr) != 0) {
      return failure(std::string("Cannot install the release for signal ") + strsignal(signal) +
                     ": " + std::strerror(errno));
    }
  }
  return success();
}

}  // namespace tv
