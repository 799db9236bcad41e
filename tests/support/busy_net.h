#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/clock.h"
#include "platform/sound/no_sound_system.h"

namespace tv::test {

// One transmission of a net, in samples since the receiver was switched on (its clock's
// monotonic time then); `end` is exclusive.
struct NetTransmission {
  std::uint64_t first = 0;
  std::uint64_t end = 0;
};

// A busy net for long runs: about `perDay` transmissions a day of `shortestS` to
// `longestS` seconds, with gaps of at least `gapS` seconds between them, up to `seconds`
// after the receiver is switched on. `free(first, end)` may refuse a stretch (a slot the
// net keeps clear): the transmission is then left out. Deterministic for a seed.
struct BusyNetPlan {
  int rate = 11025;
  double seconds = 86'400;
  double perDay = 2000;
  double shortestS = 4;
  double longestS = 26;
  double gapS = 10;
  std::uint32_t seed = 1;
  std::function<bool(std::uint64_t first, std::uint64_t end)> free;
};
std::vector<NetTransmission> planBusyNet(const BusyNetPlan& plan);

// The receiver of such a net: between transmissions a faint noise around the zero line,
// in a transmission bursts like syllables (a quarter of a second each, now and then a
// short pause, never one as long as a second) that begin and end the transmission loud.
// The samples are made as the clock asks for them, so a week of sound needs no file; an
// input opened later hears the net where it stands then. Its one output is the
// transmitter's: what is played there keeps time and goes on the air, unheard here.
class BusyNetReceiver : public NoSoundSystem {
 public:
  BusyNetReceiver(const Clock& clock, std::vector<NetTransmission> net, int rate);

  std::vector<SoundDevice> inputDevices() override;
  std::vector<SoundDevice> outputDevices() override;
  Result<std::shared_ptr<CaptureStream>> openInput(const std::string& name,
                                                   int sampleRate) override;

  Result<std::unique_ptr<PlaybackStream>> openPlayback(
      const std::filesystem::path& file, const PlaybackOptions& options = {}) override;

  const std::vector<NetTransmission>& net() const { return net_; }

 private:
  const Clock& clock_;
  std::vector<NetTransmission> net_;
  int rate_;
  std::int64_t onAtMs_;
};

}  // namespace tv::test
