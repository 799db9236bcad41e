#include "platform/posix/release_registry.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

namespace tv::release {
namespace {

static_assert(std::atomic<int>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

enum State : int { Free = 0, Filling = 1, Live = 2 };
enum Kind : int { ModemLines = 0, Bytes = 1 };

// A slot is taken by a compare-exchange from Free to Filling, filled, then published as
// Live with a release store; a handler acts only on Live slots, read with acquire.
struct Entry {
  std::atomic<int> state{Free};
  int fd = -1;
  int kind = ModemLines;
  int modemBits = 0;
  std::array<char, kMaxBytes> bytes{};
  std::size_t length = 0;
  std::atomic<unsigned> order{0};
};

std::array<Entry, kMaxEntries> entries;
std::atomic<unsigned> nextOrder{1};
std::atomic<bool> endingMark{false};

int take() noexcept {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    int expected = Free;
    if (entries[i].state.compare_exchange_strong(expected, Filling)) return static_cast<int>(i);
  }
  return -1;
}

void publish(int slot) noexcept {
  Entry& e = entries[static_cast<std::size_t>(slot)];
  e.order.store(nextOrder.fetch_add(1));
  e.state.store(Live, std::memory_order_release);
}

void run(const Entry& e) noexcept {
  if (e.kind == ModemLines) {
    int lines = e.modemBits;
    ioctl(e.fd, TIOCMBIC, &lines);
  } else {
    std::size_t done = 0;
    while (done < e.length) {
      const ssize_t n = ::write(e.fd, e.bytes.data() + done, e.length - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        break;  // a full socket buffer or a gone peer: nothing more can be done here
      }
    }
  }
}

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGILL,  SIGFPE, SIGABRT,
                                SIGQUIT, SIGSYS, SIGXCPU, SIGXFSZ};

void releaseAndDie(int signal) {
  markEnding();
  runAll();
  // SA_RESETHAND has restored the default action. The signal stays blocked until the
  // handler returns, so the raised copy is delivered then; a fault re-raised this way
  // ends the process before the faulting instruction runs again.
  raise(signal);
}

}  // namespace

int addModemLines(int fd, int modemBits) noexcept {
  if (fd < 0) return -1;
  const int slot = take();
  if (slot < 0) return -1;
  Entry& e = entries[static_cast<std::size_t>(slot)];
  e.fd = fd;
  e.kind = ModemLines;
  e.modemBits = modemBits;
  e.length = 0;
  publish(slot);
  return slot;
}

int addBytes(int fd, std::string_view bytes) noexcept {
  if (fd < 0 || bytes.size() > kMaxBytes) return -1;
  const int slot = take();
  if (slot < 0) return -1;
  Entry& e = entries[static_cast<std::size_t>(slot)];
  e.fd = fd;
  e.kind = Bytes;
  e.modemBits = 0;
  std::memcpy(e.bytes.data(), bytes.data(), bytes.size());
  e.length = bytes.size();
  publish(slot);
  return slot;
}

void remove(int handle) noexcept {
  if (handle < 0 || static_cast<std::size_t>(handle) >= entries.size()) return;
  int expected = Live;
  entries[static_cast<std::size_t>(handle)].state.compare_exchange_strong(expected, Free);
}

void runAll() noexcept {
  const int savedErrno = errno;
  // In the order added: a fixed number of passes, each taking the oldest entry not yet
  // run, needs no memory and no sorting.
  unsigned last = 0;
  for (std::size_t pass = 0; pass < entries.size(); ++pass) {
    const Entry* oldest = nullptr;
    unsigned oldestOrder = 0;
    for (const Entry& e : entries) {
      if (e.state.load(std::memory_order_acquire) != Live) continue;
      const unsigned order = e.order.load();
      if (order > last && (!oldest || order < oldestOrder)) {
        oldest = &e;
        oldestOrder = order;
      }
    }
    if (!oldest) break;
    run(*oldest);
    last = oldestOrder;
  }
  errno = savedErrno;
}

void markEnding() noexcept {
  endingMark.store(true);
}

bool ending() noexcept {
  return endingMark.load();
}

void resetEndingForTests() noexcept {
  endingMark.store(false);
}

std::size_t liveDescriptors(int* out, std::size_t capacity) noexcept {
  std::size_t count = 0;
  for (const Entry& e : entries) {
    if (e.state.load(std::memory_order_acquire) != Live) continue;
    if (count < capacity) out[count] = e.fd;
    ++count;
  }
  return count;
}

Result<void> installFatalSignalRelease() {
  for (int signal : fatalSignals) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0) {
      return failure(std::string("Cannot read the action of signal ") + strsignal(signal) + ": " +
                     std::strerror(errno));
    }
    if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) continue;

    struct sigaction handler {};
    handler.sa_handler = releaseAndDie;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESETHAND;
    if (sigaction(signal, &handler, nullptr) != 0) {
      return failure(std::string("Cannot install the release for signal ") + strsignal(signal) +
                     ": " + std::strerror(errno));
    }
  }
  return success();
}

}  // namespace tv::release
