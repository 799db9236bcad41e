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
// returns an error text and changes nothing. "set waveplayfile samplespersec N" plays
// the open file at N frames per second instead of its own rate (a speed change without
// a copy of the file). Successful commands return an
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

  // Where the next "record capture " that begins a take starts in the input
  // stream: at stream position `position`, which may lie before the command
  // (the samples the stream still holds from there are recorded first), or
  // at the command itself when none is set. Used once, by that command.
  void setCaptureStart(std::uint64_t position) { nextStart_ = position; }

  // Stream positions of the samples the capture device holds (or held, once
  // closed): the first one and the one after the last. With a pause in the
  // take the samples between are not among them.
  struct CaptureSpan {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
  };
  std::optional<CaptureSpan> captureSpan() const { return span_; }

  // True while "waveplayfile" is open on an output that keeps time without
  // sounding (no output device could be opened).
  bool playbackSilent() const;

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
  Reply setPlaybackRate(std::string_view rate);
  Reply seekPlayback(std::string_view position);
  Reply playPlayback(std::string_view position);

  bool startTap(std::optional<std::uint64_t> from = std::nullopt);
  void drainTap();
  void collectTap();

  SoundSystem& sound_;
  std::size_t logCapacity_;
  std::deque<MciLogEntry> log_;
  std::weak_ptr<CaptureStream> input_;
  std::unique_ptr<CaptureDevice> capture_;
  std::unique_ptr<PlaybackStream> playback_;
  std::string playbackFile_;
  std::optional<std::uint64_t> nextStart_;
  std::optional<CaptureSpan> span_;
};

}  // namespace tv
