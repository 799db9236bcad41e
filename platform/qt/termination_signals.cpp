#include "platform/qt/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>

#include "platform/posix/release_registry.h"

namespace tv::qt {

namespace {

// The one process-wide state of the program: a signal handler can reach nothing else.
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
  const int savedErrno = errno;
  // The transmitter first, here in the handler: the GUI thread may be busy for a while
  // before it reads the pipe and runs the shutdown.
  release::markEnding();
  release::runAll();
  const char byte = 1;
  // Non-blocking: a flood of signals fills the pipe and the extra bytes are dropped.
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
  errno = savedErrno;
}

constexpr const char* kNotifierName = "tonvogel-termination-signals";

}  // namespace

bool installTerminationHandler(std::function<void()> handler) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    signalPipe[0] = signalPipe[1] = -1;
    return false;
  }
  delete app->findChild<QSocketNotifier*>(kNotifierName, Qt::FindDirectChildrenOnly);
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
  notifier->setObjectName(kNotifierName);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler = std::move(handler)] {
    char bytes[64];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    if (handler) handler();
  });

  struct sigaction action = {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP})
    if (::sigaction(signal, &action, nullptr) != 0) return false;
  return true;
}

}  // namespace tv::qt
