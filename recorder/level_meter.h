#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/sound.h"

namespace tv {

class Program;

// The input level meter: the device list, the meter input that the capture
// device shares, the level tick and the controls that mirror the threshold,
// the polling interval and the playback volume. All on the GUI thread.
class LevelMeter {
 public:
  explicit LevelMeter(Program& program);

  // Bar range and value; once, when the main window is loaded.
  void setUp();
  // Lists the input devices that take the capture format, each with its own
  // device number; the box says so when there is none.
  void fillDeviceList();
  // The devices the list offers, in its order, as the sound system described them.
  const std::vector<InputDevice>& offeredDevices() const { return offered_; }

  // Opens the selected device at the configured rate and hands the stream to
  // the capture device. False when it failed; the reason is in failureText().
  bool openMeterInput();
  void closeMeterInput();
  bool isOpen() const { return stream_ != nullptr; }
  // Whether the open input is the device and rate the settings now name.
  bool openedAsChosen() const;
  const std::string& failureText() const { return failureText_; }

  void tmrPegel_Timer();
  void sli_Schwelle_Scroll();
  void Progressbar1_MouseDown(int button, int shift, int x, int y);
  void ed_Interval_Click();
  void sli_Lautst_Scroll();

  // Puts the polling interval of ed_Interval back into force; the interval
  // now in force.
  int restoreInterval();

  // Stream position of the oldest sample the running (or last) tick
  // analysed: where a capture that this tick's trigger starts may begin.
  std::uint64_t analysedBlockStart() const { return analysedBlockStart_; }

  // Copies the input's samples from stream position `from` on that the
  // stream still holds (see CaptureStream::read); nothing when it is closed.
  RingBuffer::ReadResult readInput(std::uint64_t from, std::span<std::uint8_t> out);

  // When a tick last saw the level above the threshold, and when the input was opened
  // (monotonic ms): what the busy-channel lockout reads while the recorder is on.
  std::int64_t lastSignalMs() const { return lastSignalMs_; }
  std::int64_t openedAtMs() const { return openedAtMs_; }

  // Kept for the life of the program, across switching off and on.
  float envelope = 0;
  int levelPercent = 0;

 private:
  // The device selected in the settings window and the rate of the settings.
  struct InputChoice {
    std::optional<int> device;  // none when nothing in the list is selected
    std::string name;
    int rate = 0;
  };
  InputChoice chosenInput() const;

  Program& p_;
  std::shared_ptr<CaptureStream> stream_;
  std::vector<InputDevice> offered_;
  InputChoice opened_;
  std::array<std::uint8_t, kMeterBlockBytes> block_{};
  std::uint64_t analysedBlockStart_ = 0;
  std::string failureText_;
  std::int64_t lastSignalMs_ = 0;
  std::int64_t openedAtMs_ = 0;
};

}  // namespace tv
