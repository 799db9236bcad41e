#include "platform/alsa/pacer.h"

#include <algorithm>

namespace tv {

Pacer::Pacer(const Clock& clock, int rate, double tolerance, std::int64_t slackMs)
    : clock_(clock), rate_(rate), tolerance_(tolerance), slackMs_(slackMs) {}

std::uint64_t Pacer::allowance(std::int64_t startMs, std::uint64_t done) const {
  const std::int64_t elapsed = std::max<std::int64_t>(clock_.monotonicMs() - startMs, 0);
  auto limit =
      static_cast<std::uint64_t>(elapsed + slackMs_) * static_cast<std::uint64_t>(rate_) / 1000;
  if (tolerance_ > 0) limit += static_cast<std::uint64_t>(static_cast<double>(limit) * tolerance_);
  return limit > done ? limit - done : 0;
}

}  // namespace tv
