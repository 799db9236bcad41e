#pragma once

#include <string>

namespace tv {

// A pseudo-terminal: a real tty device node that the tests may open freely. Its termios
// settings behave as a serial port's do; its modem-line calls fail with ENOTTY.
class Pty {
 public:
  Pty();
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool ok() const { return !slave_.empty(); }
  // Reading the termios settings through the master gives those of the slave side.
  int master() const { return master_; }
  const std::string& slave() const { return slave_; }
  // Closes the master side: the slave is hung up and its node removed, as an adapter's
  // is when it is pulled out.
  void pullOut();

 private:
  int master_ = -1;
  std::string slave_;
};

}  // namespace tv
