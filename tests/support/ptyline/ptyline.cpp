// A USB serial adapter's modem lines on a pseudo-terminal, for tests of the real program
// (loaded with LD_PRELOAD). A pty takes termios settings like a serial port but refuses
// the modem-line calls; this library answers them for pty slave devices the way an
// adapter does, and keeps a log of every change of the output lines:
//
//   - the first open of a device raises DTR and RTS, as a tty port does when it opens;
//   - TIOCMSET, TIOCMBIS and TIOCMBIC set DTR and RTS; TIOCMGET reads them back together
//     with the input lines (CTS, DSR, DCD, RI) that the test has written into the file
//     named by PTYLINE_INPUTS (names separated by blanks, read anew at every TIOCMGET; a
//     missing file means no input line is asserted);
//   - the last close of a device whose termios settings carry HUPCL drops DTR and RTS;
//   - once the pty's master side has gone, every modem-line call fails with EIO, as it
//     does on an adapter that has been pulled out (the kernel hangs both up).
//
// Every open, line-setting call and last close of a pty slave is written as one line to
// the file named by PTYLINE_LOG:
//
//   mono=12.345678901 real=1700000000.123456789 pid=4711 dev=/dev/pts/3 cause=TIOCMBIC
//     dtr=0 rts=0 was=DTR|RTS blocked=11
//
// (one line): the times of CLOCK_MONOTONIC and CLOCK_REALTIME in seconds, the lines after
// the call and before it (`was`), and the signals blocked in the calling thread: a line
// set from inside a signal handler shows that handler's signal there.
//
// The ioctl path runs in the program's signal handlers (a crash clears the lines from its
// handler), so it touches only atomics and async-signal-safe system calls: no malloc, no
// stdio, no locks. Everything that is not a pty slave passes through untouched.

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kOutputLines = TIOCM_DTR | TIOCM_RTS;
constexpr int kInputLines = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG;
// Unix98 pty slaves.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;

constexpr int kMaxDevices = 32;
constexpr int kMaxDescriptors = 4096;
constexpr std::size_t kPathSize = 4096;

struct Device {
  // 0 marks a free slot: no pty has device number 0.
  std::atomic<dev_t> rdev{0};
  std::atomic<int> lines{0};
  std::atomic<int> opens{0};
};

Device devices[kMaxDevices];
// Device slot + 1 for each descriptor this library saw open a pty slave; 0 otherwise.
std::atomic<signed char> descriptorDevice[kMaxDescriptors];

int logFd = -1;
char inputsPath[kPathSize];

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);
using CloseFn = int (*)(int);

template <typename Fn>
Fn next(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

bool isPtySlave(const struct stat& status) {
  if (!S_ISCHR(status.st_mode)) return false;
  const unsigned major = ::major(status.st_rdev);
  return major >= kFirstPtyMajor && major <= kLastPtyMajor;
}

// The slot of device `rdev`, claimed when it has none yet; -1 when the table is full.
int slotOf(dev_t rdev) {
  for (int i = 0; i < kMaxDevices; ++i) {
    if (devices[i].rdev.load() == rdev) return i;
  }
  for (int i = 0; i < kMaxDevices; ++i) {
    dev_t expected = 0;
    if (devices[i].rdev.compare_exchange_strong(expected, rdev) || expected == rdev) return i;
  }
  return -1;
}

// The pty slot behind `fd`, or -1 when `fd` is no pty slave.
int deviceOf(int fd) {
  if (fd >= 0 && fd < kMaxDescriptors) {
    const int known = descriptorDevice[fd].load();
    if (known > 0) return known - 1;
  }
  struct stat status {};
  if (fstat(fd, &status) != 0 || !isPtySlave(status)) return -1;
  return slotOf(status.st_rdev);
}

// A line of text built on the stack, for write(2) in one piece.
class Line {
 public:
  void text(const char* s) {
    while (*s && used_ < sizeof buffer_ - 1) buffer_[used_++] = *s++;
  }
  void number(unsigned long long value, int minDigits = 1) {
    char digits[24];
    int n = 0;
    do {
      digits[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0 || n < minDigits);
    while (n > 0 && used_ < sizeof buffer_ - 1) buffer_[used_++] = digits[--n];
  }
  void time(clockid_t clock) {
    struct timespec now {};
    clock_gettime(clock, &now);
    number(static_cast<unsigned long long>(now.tv_sec));
    text(".");
    number(static_cast<unsigned long long>(now.tv_nsec), 9);
  }
  void lines(int bits) {
    if (!(bits & kOutputLines)) text("-");
    if (bits & TIOCM_DTR) text(bits & TIOCM_RTS ? "DTR|" : "DTR");
    if (bits & TIOCM_RTS) text("RTS");
  }
  void write(int fd) const {
    buffer_[used_] = '\n';
    std::size_t done = 0;
    while (done <= used_) {
      const ssize_t n = ::write(fd, buffer_ + done, used_ + 1 - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

 private:
  mutable char buffer_[512];
  std::size_t used_ = 0;
};

void logChange(int slot, const char* cause, int before, int after) {
  if (logFd < 0) return;
  const int savedErrno = errno;
  Line line;
  line.text("mono=");
  line.time(CLOCK_MONOTONIC);
  line.text(" real=");
  line.time(CLOCK_REALTIME);
  line.text(" pid=");
  line.number(static_cast<unsigned long long>(getpid()));
  const dev_t rdev = devices[slot].rdev.load();
  line.text(" dev=/dev/pts/");
  line.number((::major(rdev) - kFirstPtyMajor) * 256ULL + ::minor(rdev));
  line.text(" cause=");
  line.text(cause);
  line.text(" dtr=");
  line.number((after & TIOCM_DTR) ? 1 : 0);
  line.text(" rts=");
  line.number((after & TIOCM_RTS) ? 1 : 0);
  line.text(" was=");
  line.lines(before);
  line.text(" blocked=");
  sigset_t blocked;
  sigemptyset(&blocked);
  // The raw call: sigprocmask's libc wrapper may hide signals that libc keeps for itself.
  syscall(SYS_rt_sigprocmask, SIG_BLOCK, nullptr, &blocked, _NSIG / 8);
  bool any = false;
  for (int signal = 1; signal < 32; ++signal) {
    if (sigismember(&blocked, signal) != 1) continue;
    if (any) line.text(",");
    line.number(static_cast<unsigned long long>(signal));
    any = true;
  }
  if (!any) line.text("-");
  line.write(logFd);
  errno = savedErrno;
}

// Sets the output lines to `after(before)` and logs the change under `cause`.
template <typename Change>
void setLines(int slot, const char* cause, Change change) {
  int before = devices[slot].lines.load();
  int after = change(before) & kOutputLines;
  while (!devices[slot].lines.compare_exchange_weak(before, after)) {
    after = change(before) & kOutputLines;
  }
  logChange(slot, cause, before, after);
}

bool sameWord(const char* word, std::size_t length, const char* name) {
  if (std::strlen(name) != length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    char c = word[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != name[i]) return false;
  }
  return true;
}

// The input lines the test has asserted.
int inputLines() {
  if (!inputsPath[0]) return 0;
  const int fd = static_cast<int>(syscall(SYS_openat, AT_FDCWD, inputsPath, O_RDONLY | O_CLOEXEC));
  if (fd < 0) return 0;
  char text[256];
  ssize_t length = read(fd, text, sizeof text - 1);
  syscall(SYS_close, fd);
  if (length <= 0) return 0;
  int bits = 0;
  ssize_t i = 0;
  while (i < length) {
    while (i < length && (text[i] == ' ' || text[i] == '\n' || text[i] == '\t' || text[i] == ','))
      ++i;
    const ssize_t start = i;
    while (i < length && text[i] != ' ' && text[i] != '\n' && text[i] != '\t' && text[i] != ',')
      ++i;
    const char* word = text + start;
    const auto size = static_cast<std::size_t>(i - start);
    if (sameWord(word, size, "CTS")) bits |= TIOCM_CTS;
    if (sameWord(word, size, "DSR")) bits |= TIOCM_DSR;
    if (sameWord(word, size, "DCD") || sameWord(word, size, "CD")) bits |= TIOCM_CAR;
    if (sameWord(word, size, "RI")) bits |= TIOCM_RNG;
  }
  return bits & kInputLines;
}

// After a successful open: a pty slave opened for the first time raises DTR and RTS.
int opened(int fd) {
  if (fd < 0) return fd;
  const int savedErrno = errno;
  struct stat status {};
  if (fstat(fd, &status) == 0 && isPtySlave(status)) {
    const int slot = slotOf(status.st_rdev);
    if (slot >= 0) {
      if (fd < kMaxDescriptors) descriptorDevice[fd].store(static_cast<signed char>(slot + 1));
      if (devices[slot].opens.fetch_add(1) == 0)
        setLines(slot, "open", [](int) { return kOutputLines; });
    }
  }
  errno = savedErrno;
  return fd;
}

bool hasMode(int flags) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
}

__attribute__((constructor)) void setUp() {
  if (const char* path = std::getenv("PTYLINE_INPUTS")) {
    std::strncpy(inputsPath, path, kPathSize - 1);
  }
  if (const char* path = std::getenv("PTYLINE_LOG")) {
    logFd = static_cast<int>(
        syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  }
}

}  // namespace

extern "C" {

int ioctl(int fd, unsigned long request, ...) {
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);

  const bool modemCall =
      request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
  const int slot = modemCall ? deviceOf(fd) : -1;
  if (slot < 0) return static_cast<int>(syscall(SYS_ioctl, fd, request, argument));

  int* bits = static_cast<int*>(argument);
  if (!bits) {
    errno = EFAULT;
    return -1;
  }
  // A hung-up tty answers every ioctl with EIO; a harmless one asks.
  struct termios settings {};
  if (syscall(SYS_ioctl, fd, TCGETS, &settings) != 0 && errno == EIO) return -1;
  switch (request) {
    case TIOCMGET:
      *bits = devices[slot].lines.load() | inputLines();
      return 0;
    case TIOCMSET: {
      const int wanted = *bits;
      setLines(slot, "TIOCMSET", [wanted](int) { return wanted; });
      return 0;
    }
    case TIOCMBIS: {
      const int raised = *bits;
      setLines(slot, "TIOCMBIS", [raised](int before) { return before | raised; });
      return 0;
    }
    default: {
      const int cleared = *bits;
      setLines(slot, "TIOCMBIC", [cleared](int before) { return before & ~cleared; });
      return 0;
    }
  }
}

int open(const char* path, int flags, ...) {
  static const auto real = next<OpenFn>("open");
  mode_t mode = 0;
  if (hasMode(flags)) {
    va_list arguments;
    va_start(arguments, flags);
    mode = va_arg(arguments, mode_t);
    va_end(arguments);
  }
  return opened(real(path, flags, mode));
}

int openat(int dir, const char* path, int flags, ...) {
  static const auto real = next<OpenAtFn>("openat");
  mode_t mode = 0;
  if (hasMode(flags)) {
    va_list arguments;
    va_start(arguments, flags);
    mode = va_arg(arguments, mode_t);
    va_end(arguments);
  }
  return opened(real(dir, path, flags, mode));
}

// What _FORTIFY_SOURCE makes of open() without a mode.
int __open_2(const char* path, int flags) {
  static const auto real = next<OpenFn>("open");
  return opened(real(path, flags));
}

// On a 64-bit system the large-file names are the same calls.
static_assert(sizeof(off_t) == 8, "open64 differs from open here");
int open64(const char* path, int flags, ...) __attribute__((alias("open")));
int openat64(int dir, const char* path, int flags, ...) __attribute__((alias("openat")));
int __open64_2(const char* path, int flags) __attribute__((alias("__open_2")));

int close(int fd) {
  static const auto real = next<CloseFn>("close");
  const int known = fd >= 0 && fd < kMaxDescriptors ? descriptorDevice[fd].exchange(0) : 0;
  if (known == 0) return real(fd);
  const int slot = known - 1;
  termios settings{};
  const bool hangUp = tcgetattr(fd, &settings) == 0 && (settings.c_cflag & HUPCL);
  const int result = real(fd);
  const int savedErrno = errno;
  // Linux frees the descriptor even when close reports an error.
  if (devices[slot].opens.fetch_sub(1) == 1) {
    setLines(slot, "close", [hangUp](int before) { return hangUp ? 0 : before; });
  }
  errno = savedErrno;
  return result;
}

}  // extern "C"
