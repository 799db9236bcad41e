#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/posix/serial/serial_termios.h"
#include "tests/serial/pty.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

constexpr int openSucceeded = 100;
constexpr uid_t nobody = 65534;

int kindCode(const SerialOpenResult& result) {
  return result ? openSucceeded : static_cast<int>(result.error().kind);
}

// Runs `body` with the rights of an ordinary user and returns what it returns: as root in
// a child that has become the user nobody (root would pass every permission check), else
// right here.
int asOrdinaryUser(const std::function<int()>& body) {
  if (geteuid() != 0) return body();
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) _exit(99);
    _exit(body());
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(TermiosPort, OpensAPtyAs19200Baud8N1RawWithHangUpOnClose) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  TermiosSerialPort port;
  const auto opened = port.open("COM" + pty.slave());
  ASSERT_TRUE(opened) << opened.error().message;
  EXPECT_TRUE(port.isOpen());

  termios settings{};
  ASSERT_EQ(tcgetattr(pty.master(), &settings), 0);
  EXPECT_EQ(cfgetospeed(&settings), B19200);
  EXPECT_EQ(cfgetispeed(&settings), B19200);
  EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS));
  EXPECT_TRUE(settings.c_cflag & HUPCL);
  EXPECT_TRUE(settings.c_cflag & CLOCAL);
  EXPECT_FALSE(settings.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(settings.c_iflag & (IXON | IXOFF));
  EXPECT_EQ(settings.c_cc[VMIN], 0);
  EXPECT_EQ(settings.c_cc[VTIME], 1);
}

TEST(TermiosPort, DoesNotBecomeTheControllingTerminal) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  const pid_t child = fork();
  if (child == 0) {
    // A session leader without a terminal takes the first tty it opens, unless told not to.
    if (setsid() < 0) _exit(2);
    TermiosSerialPort port;
    if (!port.open(pty.slave())) _exit(3);
    _exit(::open("/dev/tty", O_RDWR | O_NOCTTY) < 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(TermiosPort, ModemLineFailuresAreReportedAndLeaveThePortUsable) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  TermiosSerialPort port;
  ASSERT_TRUE(port.open(pty.slave()));

  const auto dtr = port.setDtr(true);
  ASSERT_FALSE(dtr);
  EXPECT_NE(dtr.error().message.find("DTR"), std::string::npos);
  EXPECT_NE(dtr.error().message.find(pty.slave()), std::string::npos);
  EXPECT_FALSE(port.setRts(true));
  EXPECT_FALSE(port.setRts(false));
  EXPECT_FALSE(port.modemStatus());
  EXPECT_TRUE(port.isOpen());

  port.close();
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(port.setDtr(false));
  EXPECT_FALSE(port.modemStatus());
  port.close();
  EXPECT_TRUE(port.open(pty.slave())) << "closing must let go of the port";
}

TEST(TermiosPort, FailedOpenNamesTheKindOfFailure) {
  TermiosSerialPort port;
  EXPECT_EQ(port.open("COM0").error().kind, SerialErrorKind::NoPortChosen);
  EXPECT_EQ(port.open("").error().kind, SerialErrorKind::NoPortChosen);
  EXPECT_EQ(port.open("COM../etc").error().kind, SerialErrorKind::NoPortChosen);

  const auto missing = port.open("/dev/tonvogel-test-no-such-port");
  EXPECT_EQ(missing.error().kind, SerialErrorKind::NoSuchPort);
  EXPECT_EQ(missing.error().device, "/dev/tonvogel-test-no-such-port");

  char file[] = "/tmp/tonvogel-serial-XXXXXX";
  const int fd = mkstemp(file);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(port.open(file).error().kind, SerialErrorKind::NotSerialPort);
  std::remove(file);
  EXPECT_EQ(port.open("/tmp").error().kind, SerialErrorKind::NotSerialPort);
  EXPECT_EQ(port.open("/dev/null").error().kind, SerialErrorKind::NotSerialPort);
  EXPECT_FALSE(port.isOpen());
}

TEST(TermiosPort, PortWithoutRightsSaysSoAndNamesDialout) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  ASSERT_EQ(chmod(pty.slave().c_str(), 0), 0);
  const std::string slave = pty.slave();
  const int result = asOrdinaryUser([&] {
    TermiosSerialPort port;
    const auto opened = port.open(slave);
    if (!opened && opened.error().message.find("dialout") == std::string::npos) return 98;
    return kindCode(opened);
  });
  EXPECT_EQ(result, static_cast<int>(SerialErrorKind::NoRights));
}

TEST(TermiosPort, PortHeldByUsIsBusyForOthers) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  ASSERT_EQ(chmod(pty.slave().c_str(), 0666), 0);
  TermiosSerialPort holder;
  ASSERT_TRUE(holder.open(pty.slave()));
  const std::string slave = pty.slave();
  EXPECT_EQ(asOrdinaryUser([&] { return kindCode(TermiosSerialPort().open(slave)); }),
            static_cast<int>(SerialErrorKind::Busy));
}

TEST(TermiosPort, PortLockedByAnotherProgramIsBusyUntilReleased) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  const int other = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);

  TermiosSerialPort port;
  const auto opened = port.open(pty.slave());
  ASSERT_FALSE(opened);
  EXPECT_EQ(opened.error().kind, SerialErrorKind::Busy);
  EXPECT_FALSE(port.isOpen());

  ::close(other);
  EXPECT_TRUE(port.open(pty.slave()));
}

// Counts the opens of one device node, by whatever path and process.
class OpenCounter {
 public:
  explicit OpenCounter(const std::string& path) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) watch_ = inotify_add_watch(fd_, path.c_str(), IN_OPEN);
  }
  ~OpenCounter() { ::close(fd_); }
  bool ok() const { return watch_ >= 0; }
  int opens() {
    alignas(inotify_event) char events[4096];
    for (ssize_t n; (n = ::read(fd_, events, sizeof events)) > 0;) {
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        if (event->mask & IN_OPEN) ++opens_;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    return opens_;
  }

 private:
  int fd_ = -1;
  int watch_ = -1;
  int opens_ = 0;
};

TEST(TermiosPort, APortAnotherProcessHoldsIsRefusedWithoutBeingOpened) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  test::TempFolder locks;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    const int fd = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0 || flock(fd, LOCK_EX) != 0) _exit(1);
    [[maybe_unused]] const ssize_t n = ::write(ready[1], "x", 1);
    pause();
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  OpenCounter counter(pty.slave());
  ASSERT_TRUE(counter.ok());

  TermiosSerialPort port(SerialPlaces{locks.path(), locks.path() + "/by-id"});
  const auto opened = port.open(pty.slave());
  ASSERT_FALSE(opened);
  EXPECT_EQ(opened.error().kind, SerialErrorKind::Busy);
  EXPECT_NE(opened.error().holder.find("(PID " + std::to_string(holder) + ")"), std::string::npos)
      << opened.error().holder;
  EXPECT_EQ(counter.opens(), 0) << "the device was opened, and its lines raised";

  // The same for a lock file of a live process, and again once that process has gone.
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  const std::string lockFile = locks.path() + "/" + uucpLockName(pty.slave());
  test::writeFile(lockFile, "      " + std::to_string(getppid()) + "\n");
  EXPECT_EQ(port.open(pty.slave()).error().kind, SerialErrorKind::Busy);
  EXPECT_EQ(counter.opens(), 0);
  test::writeFile(lockFile, "     99999\n");
  if (kill(99999, 0) != 0) {
    EXPECT_TRUE(port.open(pty.slave()));
    EXPECT_GT(counter.opens(), 0);
  }
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(TermiosPort, HoldsALockFileOfItsOwnWhileOpen) {
  Pty pty;
  ASSERT_TRUE(pty.ok());
  test::TempFolder locks;
  const std::string lockFile = locks.path() + "/" + uucpLockName(pty.slave());
  TermiosSerialPort port(SerialPlaces{locks.path(), locks.path() + "/by-id"});
  ASSERT_TRUE(port.open(pty.slave()));
  char ours[16];
  std::snprintf(ours, sizeof ours, "%10ld\n", static_cast<long>(getpid()));
  EXPECT_EQ(test::readFile(lockFile), ours);
  EXPECT_EQ(port.openRemark(), "");
  port.close();
  EXPECT_FALSE(std::filesystem::exists(lockFile));

  // Without rights in the folder the port still opens; the remark says what is missing.
  TermiosSerialPort unlocked(SerialPlaces{locks.path() + "/missing", ""});
  ASSERT_TRUE(unlocked.open(pty.slave()));
  EXPECT_NE(unlocked.openRemark().find("lock file"), std::string::npos);
}

TEST(TermiosPort, KnowsTheStableLinkOfItsDeviceAndWhetherANameIsPresent) {
  namespace fs = std::filesystem;
  Pty pty;
  Pty other;  // made now, so that it cannot take the number of the first when that goes
  ASSERT_TRUE(pty.ok() && other.ok());
  test::TempFolder folder;
  const std::string byId = folder.path() + "/by-id";
  fs::create_directories(byId);
  const std::string link = byId + "/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  fs::create_symlink(pty.slave(), link);
  fs::create_symlink("/dev/null", byId + "/usb-Other_Thing-if00");
  TermiosSerialPort port(SerialPlaces{folder.path(), byId});

  ASSERT_TRUE(port.open(pty.slave()));
  EXPECT_EQ(port.stableName(), link);
  ASSERT_TRUE(port.open("COM" + link));
  EXPECT_EQ(port.stableName(), link);
  EXPECT_TRUE(port.present(link));
  EXPECT_TRUE(port.present("COM" + pty.slave()));
  port.close();
  EXPECT_EQ(port.stableName(), "");

  pty.pullOut();
  EXPECT_FALSE(port.present(link));
  EXPECT_FALSE(port.present(pty.slave()));
  EXPECT_FALSE(port.present(folder.path()));  // no device at all
  ASSERT_TRUE(port.open(other.slave()));
  EXPECT_EQ(port.stableName(), "") << "a device without a link has no stable name";
}

}  // namespace
}  // namespace tv
