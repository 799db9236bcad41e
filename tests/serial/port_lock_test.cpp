#include "platform/posix/serial/port_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "tests/serial/pty.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

using test::readFile;
using test::TempFolder;

bool exists(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

// A child that lives until the test ends it: a process another program could be.
struct Sleeper {
  Sleeper() {
    pid = ::fork();
    if (pid == 0) {
      ::pause();
      ::_exit(0);
    }
  }
  ~Sleeper() { end(); }
  void end() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
  }
  pid_t pid = -1;
};

void writeLockFile(const std::string& path, long pid) {
  char text[16];
  std::snprintf(text, sizeof text, "%10ld\n", pid);
  std::ofstream(path, std::ios::binary) << text;
}

TEST(PortLockNames, DeviceAfterDevWithSlashesAsUnderscores) {
  EXPECT_EQ(uucpLockName("/dev/ttyUSB0"), "LCK..ttyUSB0");
  EXPECT_EQ(uucpLockName("/dev/pts/3"), "LCK..pts_3");
  EXPECT_EQ(uucpLockName("/tmp/odd/port"), "LCK..tmp_odd_port");
}

TEST(PortLockFiles, HdbTextAndTheOldBinaryForm) {
  EXPECT_EQ(pidInLockFile("      4711\n"), 4711);
  EXPECT_EQ(pidInLockFile("4711\n"), 4711);
  EXPECT_EQ(pidInLockFile("123\n"), 123);  // four characters of text, not binary
  const int binary = 4711;
  EXPECT_EQ(pidInLockFile(std::string_view(reinterpret_cast<const char*>(&binary), 4)), 4711);
  EXPECT_FALSE(pidInLockFile(""));
  EXPECT_FALSE(pidInLockFile("minicom\n"));
  EXPECT_FALSE(pidInLockFile("         0\n"));
  EXPECT_FALSE(pidInLockFile("99999999999999999999\n"));
}

TEST(PortLockTable, FindsTheHolderOfTheInodeAndIgnoresWaitersAndOthers) {
  const std::string table =
      "1: POSIX  ADVISORY  WRITE 812 fe:01:4 0 EOF\n"
      "2: FLOCK  ADVISORY  WRITE 4711 00:1a:4 0 EOF\n"
      "2: -> FLOCK  ADVISORY  WRITE 4712 00:1a:4 0 EOF\n"
      "3: OFDLCK ADVISORY  READ  -1 00:1a:9 0 EOF\n"
      "4: LEASE  ACTIVE    READ  77 00:1a:12 0 EOF\n";
  EXPECT_EQ(lockHolderIn(table, 0x00, 0x1a, 4), 4711);
  EXPECT_EQ(lockHolderIn(table, 0xfe, 0x01, 4), 812);  // hexadecimal device numbers
  EXPECT_EQ(lockHolderIn(table, 0x00, 0x1a, 9), -1);   // an OFD lock names no process
  EXPECT_FALSE(lockHolderIn(table, 0x00, 0x1a, 12));   // a lease is no claim on the port
  EXPECT_FALSE(lockHolderIn(table, 0x00, 0x1b, 4));
  EXPECT_FALSE(lockHolderIn("", 0, 0x1a, 4));
  EXPECT_FALSE(lockHolderIn("garbage\n1: FLOCK\n", 0, 0x1a, 4));
}

TEST(PortLockTable, ProcessesAreNamedFromProc) {
  const std::string own = processName(::getpid());
  EXPECT_TRUE(own.starts_with("serial_tests (PID ")) << own;
  EXPECT_TRUE(own.ends_with(" (PID " + std::to_string(::getpid()) + ")")) << own;
  EXPECT_EQ(processName(999'999'999), "PID 999999999");
  EXPECT_TRUE(processName(::getpid(), "lock file /x").ends_with(", lock file /x)"));
  EXPECT_EQ(processName(999'999'999, "lock file /x"), "PID 999999999 (lock file /x)");
}

struct PortLockTest : testing::Test {
  TempFolder folder;
  Pty pty;
  std::string lockFile() const { return folder.path() + "/" + uucpLockName(pty.slave()); }
};

TEST_F(PortLockTest, AnFlockOfAnotherProcessRefusesTheClaimAndNamesIt) {
  ASSERT_TRUE(pty.ok());
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const int fd = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
    [[maybe_unused]] const ssize_t n = ::write(ready[1], "x", 1);
    ::pause();
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);

  PortLock lock(folder.path());
  const Result<void> claim = lock.claim(pty.slave());
  ASSERT_FALSE(claim);
  EXPECT_NE(claim.error().message.find("(PID " + std::to_string(holder) + ")"), std::string::npos)
      << claim.error().message;
  EXPECT_FALSE(exists(lockFile()));

  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_TRUE(lock.claim(pty.slave()));
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST_F(PortLockTest, ALiveLockFileRefusesAndIsLeftAsItIs) {
  Sleeper other;
  writeLockFile(lockFile(), other.pid);
  const std::string before = readFile(lockFile());
  PortLock lock(folder.path());
  const Result<void> claim = lock.claim(pty.slave());
  ASSERT_FALSE(claim);
  EXPECT_TRUE(claim.error().message.ends_with("(PID " + std::to_string(other.pid) + ", lock file " +
                                              lockFile() + ")"))
      << claim.error().message;
  EXPECT_EQ(readFile(lockFile()), before);

  // A file that names no process is someone's claim all the same.
  std::ofstream(lockFile(), std::ios::trunc) << "locked by hand\n";
  EXPECT_FALSE(lock.claim(pty.slave()));
}

TEST_F(PortLockTest, AStaleFileGivesWayToOursWhichGoesOnRelease) {
  Sleeper gone;
  const pid_t dead = gone.pid;
  gone.end();
  writeLockFile(lockFile(), dead);
  {
    PortLock lock(folder.path());
    ASSERT_TRUE(lock.claim(pty.slave()));
    EXPECT_EQ(lock.remark(), "");
    char ours[16];
    std::snprintf(ours, sizeof ours, "%10ld\n", static_cast<long>(::getpid()));
    EXPECT_EQ(readFile(lockFile()), ours);  // HDB: ten characters and a newline

    // A second claimant in this process finds the port held by us.
    EXPECT_FALSE(PortLock(folder.path()).claim(pty.slave()));
    lock.release();
    EXPECT_FALSE(exists(lockFile()));
    ASSERT_TRUE(lock.claim(pty.slave()));
  }
  EXPECT_FALSE(exists(lockFile())) << "the file goes with the lock";
}

TEST_F(PortLockTest, AFolderWithoutRightsOnlyCostsTheFile) {
  PortLock lock(folder.path() + "/missing");
  ASSERT_TRUE(lock.claim(pty.slave()));
  EXPECT_NE(lock.remark().find("Cannot write the lock file"), std::string::npos);
  lock.release();
}

}  // namespace
}  // namespace tv
