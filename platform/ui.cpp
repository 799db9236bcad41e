#include "platform/ui.h"

#include <algorithm>

#include "platform/form.h"

namespace tv {

Ui::Ui(Clock& clock, EventLoop& loop, Services& services)
    : clock_(clock),
      loop_(loop),
      services_(services),
      timers_([&clock] { return clock.monotonicMs(); }) {}

void Ui::removeForm(Form* form) { forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end()); }

void Ui::markDirty() {
  if (anyDirty_) return;
  anyDirty_ = true;
  if (repaintNeeded) repaintNeeded();
}

}  // namespace tv
