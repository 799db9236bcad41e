#pragma once

#include <cstdint>
#include <vector>

#include "platform/sound/wav_file.h"

namespace tv::bench {

// A net heard through an FM receiver with its squelch set: between
// transmissions the squelch is closed and the sound card hears next to
// nothing; a transmission opens it with the carrier's hiss, the first word
// follows after a while and begins softly, and when the carrier drops the
// squelch closes after a loud burst of noise (the squelch tail).
struct FmNetShape {
  int seed = 7;
  // The carrier's hiss alone before the first word.
  double carrierLeadMs[2] = {100, 600};
  // The hiss's rms below the speech's peaks as a peak meter shows them (the
  // rms of the loudest 10 ms).
  double hissBelowPeaksDb[2] = {25, 35};
  // The first syllable rises from the hiss's level to its full level.
  double firstRiseMs[2] = {30, 120};
  // The carrier after the last word, before it drops.
  double carrierHangMs[2] = {50, 200};
  double squelchTailMs[2] = {150, 300};
  // The squelch tail is the receiver's noise without a carrier: loud.
  double tailBelowPeaksDb = 12;
  // Closed squelch between transmissions.
  double closedS[2] = {6, 8};
  // The sound card's own noise, heard while the squelch is closed (rms, in
  // steps of the 8-bit scale, around the middle between 127 and 128).
  double closedNoiseLsb = 0.8;
  // The speech's highest samples on the 8-bit scale, as a transceiver's
  // compressor and a well-set input give them.
  double speechPeak = 121;
  // The transmitter's deviation limiter clips the syllables' peaks above
  // this quantile of them: a well-set microphone gain makes it clip only the
  // loudest; 1 clips none.
  double limiter = 0.9;
};

// Ground truth of one transmission, in samples of the net.
struct FmTransmission {
  std::size_t rise = 0;   // the squelch opens: the carrier's hiss begins
  std::size_t onset = 0;  // the first word begins, under the hiss
  std::size_t end = 0;    // the last word ends
  double hissRms = 0;     // on the 8-bit scale
};

struct FmNet {
  std::vector<std::uint8_t> samples;  // unsigned 8-bit mono at the net's rate
  std::vector<FmTransmission> transmissions;
};

// One transmission for each phrase. The speech is limited to 300-3000 Hz and
// compressed as a transmitter does, the hiss is FM noise after de-emphasis
// through the same band. Deterministic: the shape's seed fixes every draw,
// and the layout (leads, levels, pauses) is the same at every rate.
FmNet fmNet(const std::vector<PcmWave>& phrases, int rate, const FmNetShape& shape = {});

}  // namespace tv::bench
