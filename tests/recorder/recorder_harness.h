#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file/file_sound_system.h"
#include "tests/support/test_program.h"

namespace tv::test {

// A whole program listening to a synthetic input through the file input,
// under the virtual clock. Stream position n is input sample n.
struct RecorderHarness {
  static constexpr int kRate = 11025;

  RecorderHarness();

  // Silence (level 0) or a loud, varied signal (level well above 67) for
  // `ms`; every sample of a burst is distinct enough to be found again.
  void silence(int ms);
  void burst(int ms);
  // A quiet, varied sound of ±`swing` around the zero line: far below the
  // threshold, as the first word of a phrase may be.
  void soft(int ms, int swing);
  // Transmissions from 0.2 to 5.2 s and from 20.2 to 25.2 s.
  void twoTransmissions();
  std::size_t at(int ms) const { return static_cast<std::size_t>(ms) * kRate / 1000; }

  // Writes the input and the settings and starts the program.
  Program& start();
  Program& p() { return t.p(); }

  // Where the samples of a file begin in the input, or -1 when they are not
  // one stretch of it.
  long long positionInInput(const std::vector<std::uint8_t>& samples) const;
  std::vector<std::uint8_t> samplesOf(const std::string& path) const;
  std::vector<std::string> captureCommands() const;
  std::vector<std::string> filesIn(const std::string& folder) const;

  TestProgram t;
  std::vector<std::string> lines;  // the settings file, changed before start()
  std::vector<std::uint8_t> input;
  std::unique_ptr<FileSoundSystem> sound;
};

}  // namespace tv::test
