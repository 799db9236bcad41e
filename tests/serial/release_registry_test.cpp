#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

#include "platform/posix/release_registry.h"
#include "platform/posix/serial/serial_termios.h"
#include "tests/serial/pty.h"

namespace tv {
namespace {

bool registered(int fd) {
  int fds[release::kMaxEntries];
  const std::size_t n = release::liveDescriptors(fds, release::kMaxEntries);
  for (std::size_t i = 0; i < n && i < release::kMaxEntries; ++i)
    if (fds[i] == fd) return true;
  return false;
}

std::size_t liveCount() {
  int fds[release::kMaxEntries];
  return release::liveDescriptors(fds, release::kMaxEntries);
}

// Both ends of a socket pair: what an entry writes to one end is read from the other.
struct Wire {
  Wire() { ok = ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, ends) == 0; }
  ~Wire() {
    ::close(ends[0]);
    ::close(ends[1]);
  }
  std::string received() {
    std::string all;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(ends[1], buffer, sizeof buffer)) > 0) all.append(buffer, buffer + n);
    return all;
  }
  int ends[2] = {-1, -1};
  bool ok = false;
};

TEST(ReleaseRegistry, EachOpenPortIsCoveredUntilItCloses) {
  const std::size_t before = liveCount();
  Pty first, second;
  ASSERT_TRUE(first.ok() && second.ok());
  TermiosSerialPort a, b;
  ASSERT_TRUE(a.open(first.slave()));
  ASSERT_TRUE(b.open(second.slave()));
  EXPECT_EQ(liveCount(), before + 2);

  a.close();
  EXPECT_EQ(liveCount(), before + 1) << "closing A must not take B's entry";
  b.close();
  EXPECT_EQ(liveCount(), before);
}

TEST(ReleaseRegistry, RunsEveryEntryInTheOrderAddedAndKeepsErrno) {
  Wire wire;
  ASSERT_TRUE(wire.ok);
  const int first = release::addBytes(wire.ends[0], "T 0\n");
  const int second = release::addBytes(wire.ends[0], std::string_view("\0\0\0\x04\0", 5));
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  EXPECT_TRUE(registered(wire.ends[0]));

  // A pty refuses the modem-line ioctl with ENOTTY; a handler must not leak that.
  Pty pty;
  TermiosSerialPort port;
  ASSERT_TRUE(port.open(pty.slave()));
  errno = EINTR;
  release::runAll();
  EXPECT_EQ(errno, EINTR);
  EXPECT_EQ(wire.received(), std::string("T 0\n") + std::string("\0\0\0\x04\0", 5));

  release::remove(first);
  release::runAll();
  EXPECT_EQ(wire.received(), std::string("\0\0\0\x04\0", 5)) << "a removed entry stays quiet";
  release::remove(second);
  release::remove(second);  // twice is harmless
  EXPECT_FALSE(registered(wire.ends[0]));
}

TEST(ReleaseRegistry, RefusesWhatItCannotHold) {
  EXPECT_EQ(release::addBytes(-1, "T 0\n"), -1);
  EXPECT_EQ(release::addModemLines(-1, 6), -1);
  EXPECT_EQ(release::addBytes(0, std::string(release::kMaxBytes + 1, 'x')), -1);
  std::vector<int> handles;
  for (std::size_t i = 0; i < release::kMaxEntries + 2; ++i)
    handles.push_back(release::addBytes(1, "x"));
  EXPECT_EQ(handles.back(), -1) << "a full registry says so";
  for (int h : handles) release::remove(h);
}

TEST(ReleaseRegistry, APortRefusesToKeyOnceTheProgramIsEnding) {
  // A pty has no modem lines, so the ioctl itself fails; what matters is that the
  // refusal names the ending and comes before any ioctl is tried.
  Pty pty;
  TermiosSerialPort port;
  ASSERT_TRUE(port.open(pty.slave()));
  release::markEnding();
  const auto keyed = port.setDtr(true);
  const auto released = port.setDtr(false);
  release::resetEndingForTests();
  ASSERT_FALSE(keyed);
  EXPECT_NE(keyed.error().message.find("ending"), std::string::npos);
  if (!released) {
    EXPECT_EQ(released.error().message.find("ending"), std::string::npos)
        << "releasing is never refused";
  }
}

// The handler runs in the dying process; what the test can see is that the process still
// dies of the signal it got, by the default action, and that the release bytes arrived.
void dieKeyed(int signal, int wire) {
  if (release::addBytes(wire, "T 0\n") < 0 || !release::installFatalSignalRelease()) std::_Exit(1);
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

TEST(ReleaseRegistryDeathTest, FatalSignalsReleaseAndKeepTheirDefaultOutcome) {
  for (int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGQUIT}) {
    Wire wire;
    ASSERT_TRUE(wire.ok);
    EXPECT_EXIT(dieKeyed(signal, wire.ends[0]), testing::KilledBySignal(signal), "") << signal;
    EXPECT_EQ(wire.received(), "T 0\n") << "the release of signal " << signal;
  }
}

void exitFromOwnHandler(int) {
  std::_Exit(42);
}

TEST(ReleaseRegistryDeathTest, LeavesAHandlerInstalledByOthersAlone) {
  EXPECT_EXIT(
      {
        std::signal(SIGFPE, exitFromOwnHandler);
        if (!release::installFatalSignalRelease()) std::_Exit(1);
        raise(SIGFPE);
        std::_Exit(3);
      },
      testing::ExitedWithCode(42), "");
}

}  // namespace
}  // namespace tv
