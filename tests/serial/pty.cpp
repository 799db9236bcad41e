#include "tests/serial/pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace tv {

Pty::Pty() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
    if (const char* name = ptsname(master_)) slave_ = name;
  }
}

Pty::~Pty() {
  pullOut();
}

void Pty::pullOut() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

}  // namespace tv
