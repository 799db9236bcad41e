#pragma once

#include <QTimer>
#include <cstdint>
#include <memory>

#include "platform/event_loop.h"
#include "platform/timer.h"

namespace tv::qt {

// The program's one thread runs under QApplication's event loop. The model's timers
// are driven by a single precise single-shot QTimer armed to the queue's next due
// time; because it is an ordinary QTimer it also fires inside nested loops (modal
// dialogs, delay(), dispatchPending() in a busy wait).
//
// Needs a QApplication (or QCoreApplication) to exist for its whole life.
class QtEventLoop : public EventLoop {
 public:
  QtEventLoop();
  ~QtEventLoop() override;

  // Starts driving `queue`; replaces any queue driven before. The queue must outlive
  // the driving, or drive(nullptr) must be called before it goes.
  void drive(TimerQueue* queue);

  void dispatchPending() override;
  void waitAndDispatch() override;
  void delay(int ms) override;
  int run() override;
  void quit(int exitCode) override;
  void post(std::function<void()> fn) override;

 private:
  void rearm();
  void fire();

  TimerQueue* queue_ = nullptr;
  QTimer timer_;
  std::int64_t armedFor_ = -1;
  // Lets a queue that outlives this loop call scheduleChanged harmlessly.
  std::shared_ptr<QtEventLoop*> self_;
  bool quitRequested_ = false;
  int exitCode_ = 0;
};

}  // namespace tv::qt
