#pragma once

#include <cstdint>

namespace tv {

// The meter's scale: an envelope follower on |sample - 127| with a fast
// attack and a slow release, read as 0..100 (linear) or 0..97 (logarithmic).
namespace LevelScale {
constexpr int kZeroLine = 127;
constexpr float kAttackDivisor = 2.0f;
constexpr float kReleaseDivisor = 1000.0f;
constexpr float kLinearDivisor = 1.27f;
constexpr float kLogFactor = 20.0f;
constexpr int kBarOffset = 2;
constexpr int kBarMaximum = 100;
constexpr int kOverLevel = 95;
}  // namespace LevelScale

// Moves `envelope` one sample on and returns the level it now reads. The
// envelope is single precision on purpose: full scale (127) then reads 100.
int levelStep(float& envelope, std::uint8_t sample, bool logarithmic);

// The bar's value for a level: offset so that silence still shows a sliver.
int levelBar(int levelPercent);

}  // namespace tv
