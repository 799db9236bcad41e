// Holds a pseudo-terminal open for a test of the real program: prints the path of its
// slave side, which the program then opens as its serial port, and keeps the master side
// until it is ended (a slave whose master has gone hangs up).
//
//   tv_pty_hold            prints e.g. /dev/pts/7, then waits for a signal

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

int main() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    perror("tv_pty_hold: no pseudo-terminal");
    return 1;
  }
  const char* slave = ptsname(master);
  if (!slave) {
    perror("tv_pty_hold: no slave name");
    return 1;
  }
  printf("%s\n", slave);
  fflush(stdout);
  // Whatever the slave side writes is read and dropped, so that it never blocks.
  char buffer[256];
  for (;;) {
    // read fails with EIO while no one has the slave open: wait for the next open.
    if (read(master, buffer, sizeof buffer) <= 0) usleep(100 * 1000);
  }
}
