#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sound.h"

namespace tv {

struct MciLogEntry {
  std::string command;
  std::string reply;  // what sendString returned
  bool ok = false;
};

// The command-string interface the recorder and the player talk to: the
// waveaudio capture device "capture" and the playback device "waveplayfile",
// each with exactly the command strings the program sends, blanks included.
// A command that is not one of them, or names a device that is not open,
// returns an error text and changes nothing. Successful commands return an
// empty text, the status commands a decimal number. Everything runs on the
// calling (GUI) thread; the "wait" commands have finished when they return.
class Mci {
 public:
  explicit Mci(SoundSystem& sound, std::size_t logCapacity = 1024);
  ~Mci();
  Mci(const Mci&) = delete;
  Mci& operator=(const Mci&) = delete;

  // The stream the capture device records from: the one the level meter
  // reads, so the device is never opened twice. The owner may close the
  // stream at any time; a capture then keeps what arrived until then.
  void setInputStream(std::weak_ptr<CaptureStream> stream);

  std::string sendString(std::string_view command);

  // The newest commands with their replies, oldest first, at most
  // logCapacity of them.
  const std::deque<MciLogEntry>& log() const { return log_; }

 private:
  struct Reply;
  struct CaptureDevice;

  Reply dispatch(std::string_view command);
  Reply openCapture();
  Reply setCaptureFormat(std::string_view arguments);
  Reply recordCapture();
  Reply pauseCapture();
  Reply resumeCapture();
  Reply stopCapture();
  Reply saveCapture(std::string_view name);
  Reply closeCapture();
  Reply openPlayback(std::string_view path);
  Reply seekPlayback(std::string_view position);
  Reply playPlayback(std::string_view position);

  bool startTap();
  void collectTap();

  SoundSystem& sound_;
  std::size_t logCapacity_;
  std::deque<MciLogEntry> log_;
  std::weak_ptr<CaptureStream> input_;
  std::unique_ptr<CaptureDevice> capture_;
  std::unique_ptr<PlaybackStream> playback_;
};

}  // namespace tv
