#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "platform/posix/serial/emergency_release.h"
#include "platform/posix/serial/serial_termios.h"
#include "tests/serial/pty.h"

namespace tv {
namespace {

TEST(EmergencyRelease, CoversThePortOpenedLastUntilItCloses) {
  Pty first, second;
  ASSERT_TRUE(first.ok() && second.ok());
  TermiosSerialPort a, b;
  ASSERT_TRUE(a.open(first.slave()));
  const int armedForA = armedEmergencyDescriptor();
  EXPECT_GE(armedForA, 0);
  ASSERT_TRUE(b.open(second.slave()));
  const int armedForB = armedEmergencyDescriptor();
  EXPECT_NE(armedForB, armedForA);

  a.close();
  EXPECT_EQ(armedEmergencyDescriptor(), armedForB) << "closing A must not disarm B";
  b.close();
  EXPECT_EQ(armedEmergencyDescriptor(), -1);
}

TEST(EmergencyRelease, ReleaseKeepsErrnoAndDoesNothingWhenDisarmed) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  TermiosSerialPort port;
  ASSERT_TRUE(port.open(pty.slave()));
  errno = EINTR;
  releaseLinesNow();  // fails with ENOTTY on a pty, which a signal handler must not leak
  EXPECT_EQ(errno, EINTR);
  port.close();
  errno = EINTR;
  releaseLinesNow();
  EXPECT_EQ(errno, EINTR);
}

// The handler runs in the dying process; what the test can see is that the process still
// dies of the signal it got, by the default action, with the port open and armed.
void dieWithOpenPort(int signal) {
  Pty pty;
  TermiosSerialPort port;
  if (!port.open(pty.slave()) || !installFatalSignalRelease()) std::_Exit(1);
  struct sigaction installed {};
  sigaction(signal, nullptr, &installed);
  if (installed.sa_handler == SIG_DFL) std::_Exit(2);
  if (signal == SIGSEGV) {
    // A real fault, so that the handler returns into the faulting instruction.
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) std::_Exit(4);
    *static_cast<volatile int*>(page) = 1;
  } else if (signal == SIGABRT) {
    std::abort();
  } else {
    raise(signal);
  }
  std::_Exit(3);
}

TEST(EmergencyReleaseDeathTest, FatalSignalsKeepTheirDefaultOutcome) {
  for (int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGQUIT}) {
    EXPECT_EXIT(dieWithOpenPort(signal), testing::KilledBySignal(signal), "") << signal;
  }
}

void exitFromOwnHandler(int) {
  std::_Exit(42);
}

TEST(EmergencyReleaseDeathTest, LeavesAHandlerInstalledByOthersAlone) {
  EXPECT_EXIT(
      {
        std::signal(SIGFPE, exitFromOwnHandler);
        if (!installFatalSignalRelease()) std::_Exit(1);
        raise(SIGFPE);
        std::_Exit(3);
      },
      testing::ExitedWithCode(42), "");
}

}  // namespace
}  // namespace tv
