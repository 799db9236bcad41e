#pragma once

#include <functional>

namespace tv {

// The one loop that runs every event procedure. Nested waits (a modal message box, the
// installation check) call into it so timers keep running meanwhile.
class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // Handle what is waiting now (input, due timers) and return at once.
  virtual void dispatchPending() = 0;

  // Wait for the next event and handle it.
  virtual void waitAndDispatch() = 0;

  // Keep handling events until `ms` milliseconds have passed.
  virtual void delay(int ms) = 0;

  // Run until quit() is called; returns the exit code.
  virtual int run() = 0;
  virtual void quit(int exitCode) = 0;

  // Runs `fn` on the loop's thread at its next turn, after what was posted before it.
  // The one call that may come from any thread: a worker reports back through it.
  virtual void post(std::function<void()> fn) = 0;
};

}  // namespace tv
