#pragma once

#include <cstdint>
#include <string>

namespace tv {

struct AlsaOptions {
  // The output every playback goes to.
  std::string playbackPcm = "default";
  // Without a usable output, play silently in time with the clock instead of
  // failing, so the program works on a machine without sound hardware.
  bool silentWithoutOutput = true;
  // Limit for devices faster than real time (see Pacer). Tests that want an
  // exact count of frames set both to 0.
  double paceTolerance = 0.02;
  std::int64_t paceSlackMs = 500;
  // Frames are read and written one period at a time.
  int periodMs = 20;
};

}  // namespace tv
