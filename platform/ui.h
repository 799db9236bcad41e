#pragma once

#include <functional>
#include <vector>

#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/services.h"
#include "platform/timer.h"

namespace tv {

class Form;
class Control;

// What every window needs: the clock, the loop, the dialogs, the timer queue and the
// list of things to repaint. One per program; a test may build several programs.
class Ui {
 public:
  Ui(Clock& clock, EventLoop& loop, Services& services);

  Clock& clock() const { return clock_; }
  EventLoop& loop() const { return loop_; }
  Services& services() const { return services_; }
  TimerQueue& timers() { return timers_; }
  const TimerQueue& timers() const { return timers_; }

  const std::vector<Form*>& forms() const { return forms_; }

  // The renderer calls this once per loop turn to mirror what changed.
  bool anythingDirty() const { return anyDirty_; }
  void clearAnyDirty() { anyDirty_ = false; }

  // Told when the first change since the last repaint happens, so a renderer can
  // schedule one repaint for the turn.
  std::function<void()> repaintNeeded;

 private:
  friend class Form;
  friend class Control;
  void addForm(Form* form) { forms_.push_back(form); }
  void removeForm(Form* form);
  void markDirty();

  Clock& clock_;
  EventLoop& loop_;
  Services& services_;
  TimerQueue timers_;
  std::vector<Form*> forms_;
  bool anyDirty_ = true;
};

}  // namespace tv
