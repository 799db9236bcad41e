#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/clock.h"

namespace tv {

// Seconds on a continuous count of local civil time (days since 1970 × 86,400
// + the second of the day), so that two readings can be compared across
// midnight and month ends.
std::int64_t wallSeconds(const LocalDateTime& t);

// Whether a moment that recurs every `periodSeconds`, `offsetSeconds` into
// each period, lies in (previous, now]: true once for a late tick that
// stepped over it, false when the clock went back or stood still.
bool momentPassed(std::int64_t previous, std::int64_t now, std::int64_t periodSeconds,
                  std::int64_t offsetSeconds);

// "MM:SS" as seconds into the hour; none for any other text.
std::optional<int> minuteAndSecond(std::string_view text);

}  // namespace tv
