#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "platform/timer.h"

namespace tv {

class Program;

enum class MeterInput {
  opened,
  // The device named could not be opened: it is tried again every few seconds, and the
  // recorder is started when it opens.
  waiting,
  // There is no device to open at all.
  failed,
};

// The input level meter: the device lists, the meter input that the capture
// device shares, the level tick and the controls that mirror the threshold,
// the polling interval and the playback volume. All on the GUI thread.
class LevelMeter {
 public:
  explicit LevelMeter(Program& program);

  // Bar range and value; once, when the main window is loaded.
  void setUp();
  // Lists the input devices that take the capture format, and the outputs, by the
  // names the settings keep; the input box says so when there is none.
  void fillDeviceList();

  // Opens the device the settings window's box shows (the stored one unless the user
  // has chosen another since) at the configured rate and hands the stream to the
  // capture device. A device that does not open is not replaced by another: the meter
  // waits for it, with a notice that lasts until it opens. Failed only when there is no
  // device at all; the reason is then in failureText().
  MeterInput openMeterInput();
  // Closes the input, or ends the wait for it.
  void closeMeterInput();
  bool isOpen() const { return stream_ != nullptr; }
  // Whether the open input is the device and rate the settings now name.
  bool openedAsChosen() const;
  // The input the settings name: the box's choice or the stored name, else the first
  // offered; empty when there is none.
  std::string chosenName() const;
  // The capture rate of the settings; 0 when it is no usable number.
  int meterRate() const;
  bool waiting() const { return reopen_.enabled(); }
  const std::string& failureText() const { return failureText_; }
  // The open input has failed (unplugged, the sound server gone): it is closed, a notice
  // says why, and it is opened again as soon as it can be.
  void waitForInput(const std::string& reason);
  void tmrInputWait_Timer();

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
  // How many samples in [first, end) of the input stand for samples it lost.
  std::uint64_t lostBetween(std::uint64_t first, std::uint64_t end) const;

  // When a tick last saw the level above the threshold, and when the input was opened
  // (monotonic ms): what the busy-channel lockout reads while the recorder is on.
  std::int64_t lastSignalMs() const { return lastSignalMs_; }
  std::int64_t openedAtMs() const { return openedAtMs_; }

  // Kept for the life of the program, across switching off and on.
  float envelope = 0;
  int levelPercent = 0;

 private:
  // What a notice and the log call the device: its entry's text where it is offered.
  std::string deviceText(const std::string& name) const;
  void startWaiting(const std::string& name, const std::string& text);
  void useStream(std::shared_ptr<CaptureStream> stream);
  // Puts every overrun of the input not yet logged into the station log.
  void logOverruns();

  Program& p_;
  std::shared_ptr<CaptureStream> stream_;
  // The input open now, or last open; the input being waited for, empty while none is.
  std::string openedName_;
  std::string waitingFor_;
  int openedRate_ = 0;
  std::size_t overrunsLogged_ = 0;
  Timer reopen_;
  std::array<std::uint8_t, kMeterBlockBytes> block_{};
  std::uint64_t analysedBlockStart_ = 0;
  std::string failureText_;
  std::int64_t lastSignalMs_ = 0;
  std::int64_t openedAtMs_ = 0;
};

}  // namespace tv
