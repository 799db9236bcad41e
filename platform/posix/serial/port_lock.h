#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace tv {

// The claims programs put on a serial port, checked before the port is opened: opening
// a tty raises DTR and RTS, and on a port another program holds those may be its
// transmitter's PTT. Two kinds are honoured:
//   - an flock, POSIX or OFD lock on the device node, from the kernel's table
//     (/proc/locks);
//   - a UUCP lock file "LCK..<device>" in the lock folder, in HDB format (the owner's
//     PID as ten ASCII characters and a newline). It counts while its process lives; a
//     file whose process has gone is stale and removed.
// While it holds a port, the program leaves a lock file of its own there.
//
// Not thread-safe; the serial port uses it from the GUI thread.
class PortLock {
 public:
  // `folder` holds the lock files (/var/lock on Linux).
  explicit PortLock(std::string folder);
  ~PortLock();
  PortLock(const PortLock&) = delete;
  PortLock& operator=(const PortLock&) = delete;

  // Claims `device`, the resolved path of an existing device node. When another program
  // holds it, fails with that program as a reader would name it ("minicom (PID 4711)",
  // with the lock file when that is what holds it). A lock file of our own that cannot be
  // written does not stop the claim: remark() says why.
  Result<void> claim(const std::string& device);
  // Removes our lock file; harmless without one.
  void release();

  // Why the last claim could not leave its lock file; empty when it did.
  const std::string& remark() const { return remark_; }

 private:
  std::string folder_;
  std::string owned_;  // the lock file we wrote, while we hold the port
  std::string remark_;
};

// "LCK..ttyUSB0" for /dev/ttyUSB0, "LCK..pts_3" for /dev/pts/3: the device's path after
// "/dev/" with "/" replaced by "_".
std::string uucpLockName(std::string_view device);

// The PID a lock file holds: HDB text (blank-padded decimal, newline) or the old binary
// form (four bytes). Nothing when the text holds no number.
std::optional<long> pidInLockFile(std::string_view content);

// The PID holding a whole-file or record lock on the inode `inode` of the file system
// `fsMajor:fsMinor`, from the text of /proc/locks; -1 for an OFD lock, whose owner the
// kernel does not name. Nothing when there is no lock. Waiters ("->") hold nothing.
std::optional<long> lockHolderIn(std::string_view procLocks, unsigned fsMajor, unsigned fsMinor,
                                 unsigned long inode);

// "minicom (PID 4711)", or "PID 4711" when /proc has no name for the process; `more`
// goes into the brackets ("minicom (PID 4711, lock file /var/lock/LCK..ttyUSB0)").
std::string processName(long pid, std::string_view more = {});

}  // namespace tv
