#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tv::test {

// A sound file as libsndfile decodes it, whatever its format: what a test holds an
// archived copy against.
struct DecodedSound {
  int format = 0;  // libsndfile's major format and subtype
  int rate = 0;
  int channels = 0;
  // The samples as 32-bit integers (an 8-bit sample s is s << 24).
  std::vector<int> samples;

  double seconds() const {
    return rate > 0 && channels > 0 ? static_cast<double>(samples.size()) / channels / rate : 0;
  }
};

std::optional<DecodedSound> decodeSoundFile(const std::string& path);

// A 16-bit WAV file of `samples`, for sources wider than the recorder's 8 bits.
bool writeWave16(const std::string& path, int rate, const std::vector<short>& samples);

}  // namespace tv::test
