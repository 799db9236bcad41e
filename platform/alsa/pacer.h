#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace tv {

// Holds a device to real time. Sound cards deliver and consume at their own
// pace, but ALSA's file and null devices answer at once; without a limit a
// capture thread would produce gigabytes of samples and a playback would end
// the moment it began. The limit lies well above a real card's pace (a
// tolerance for clock drift plus some slack), so a card never meets it; with
// tolerance and slack 0 under a virtual clock, a test decides exactly how
// many frames exist.
class Pacer {
 public:
  Pacer(const Clock& clock, int rate, double tolerance, std::int64_t slackMs);

  std::int64_t now() const { return clock_.monotonicMs(); }

  // How many frames beyond `done`, counted from `startMs` on, the clock
  // allows now. The start is taken on the thread that asked for the sound,
  // not when the device thread gets round to it.
  std::uint64_t allowance(std::int64_t startMs, std::uint64_t done) const;

 private:
  const Clock& clock_;
  int rate_;
  double tolerance_;
  std::int64_t slackMs_;
};

}  // namespace tv
