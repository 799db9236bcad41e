#include "platform/qt/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <limits>

namespace tv::qt {

QtEventLoop::QtEventLoop() : self_(std::make_shared<QtEventLoop*>(this)) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { fire(); });
}

// The queue may already be destroyed, so it is not touched; its scheduleChanged holds
// only a weak reference to this loop.
QtEventLoop::~QtEventLoop() = default;

void QtEventLoop::drive(TimerQueue* queue) {
  if (queue_) queue_->scheduleChanged = nullptr;
  queue_ = queue;
  if (queue_) {
    std::weak_ptr<QtEventLoop*> weak = self_;
    queue_->scheduleChanged = [weak] {
      if (auto self = weak.lock()) (*self)->rearm();
    };
  }
  armedFor_ = -1;
  rearm();
}

void QtEventLoop::rearm() {
  const std::int64_t due = queue_ ? queue_->nextDue() : -1;
  if (due < 0) {
    timer_.stop();
    armedFor_ = -1;
    return;
  }
  // Most schedule changes (a timer re-armed to the same instant) leave the next due
  // time as it was; restarting the QTimer then would only cost a system call.
  if (due == armedFor_ && timer_.isActive()) return;
  const std::int64_t wait =
      std::clamp<std::int64_t>(due - queue_->now(), 0, std::numeric_limits<int>::max());
  armedFor_ = due;
  timer_.start(static_cast<int>(wait));
}

void QtEventLoop::fire() {
  if (!queue_) return;
  armedFor_ = -1;
  // Armed before the ticks run: a tick that opens a modal dialog enters a nested loop
  // in which the other timers must keep running, and the queue says nothing until its
  // round is over. The early wake costs one empty round at most.
  rearm();
  queue_->runDue();
  rearm();
}

void QtEventLoop::dispatchPending() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (queue_ && queue_->nextDue() >= 0 && queue_->nextDue() <= queue_->now()) fire();
}

void QtEventLoop::waitAndDispatch() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtEventLoop::delay(int ms) {
  if (ms <= 0) {
    dispatchPending();
    return;
  }
  QEventLoop nested;
  QTimer::singleShot(ms, Qt::PreciseTimer, &nested, [&nested] { nested.quit(); });
  nested.exec();
}

int QtEventLoop::run() {
  // quit() before run() (the program decided to end while starting up) must not be
  // lost: QCoreApplication::exit() only stops loops that are already running.
  if (quitRequested_) return exitCode_;
  return QCoreApplication::exec();
}

void QtEventLoop::post(std::function<void()> fn) {
  // A queued call to an object of the GUI thread is Qt's thread-safe way in; the
  // application object lives as long as any loop can run.
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void QtEventLoop::quit(int exitCode) {
  quitRequested_ = true;
  exitCode_ = exitCode;
  QCoreApplication::exit(exitCode);
}

}  // namespace tv::qt
