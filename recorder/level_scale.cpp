#include "recorder/level_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tv {

int levelStep(float& envelope, std::uint8_t sample, bool logarithmic) {
  using namespace LevelScale;
  const float a = static_cast<float>(std::abs(static_cast<int>(sample) - kZeroLine));
  const float d = a - envelope;
  if (d > 0) {
    envelope += d / kAttackDivisor;
  } else if (d < 0) {
    envelope += d / kReleaseDivisor;
  }
  const float reading =
      logarithmic ? kLogFactor * std::log(envelope + 1.0f) : envelope / kLinearDivisor;
  return static_cast<int>(std::floor(reading));
}

int levelBar(int levelPercent) {
  return std::min(levelPercent + LevelScale::kBarOffset, LevelScale::kBarMaximum);
}

}  // namespace tv
