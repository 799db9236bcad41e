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
#include "platform/sound/take_writer.h"
#include "platform/take_file.h"

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
//
// A take is not held in memory: from "record capture " on it is written into its
// working file as it is heard (see TakeWriter). "save capture wait " completes that
// file, or copies it when the name differs; "close capture " removes it unless it was
// saved under its own name or a save of it failed (what was written is then kept).
class Mci {
 public:
  // Without `takeFiles` nothing can be recorded: "record capture " is refused.
  explicit Mci(SoundSystem& sound, TakeFiles* takeFiles = nullptr,
               TakeWriter::Mode writing = TakeWriter::Mode::whereDelivered,
               std::size_t logCapacity = 1024);
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

  // The working file of the take that the next "record capture " begins (a bare name
  // lands in the working directory); used once. Without one the take is written to a
  // scratch file of its own.
  void setCaptureFile(std::string path) { nextFile_ = std::move(path); }

  // The owner completes takes itself, off the calling thread, so that ending a take
  // never waits for the disk: "save capture wait " under the take's own working file
  // then only marks it saved, and "close capture " hands the take over (takeClosed())
  // instead of finishing or removing it here.
  void setHandOver(bool on) { handOver_ = on; }
  struct ClosedTake {
    std::shared_ptr<TakeWriter> take;
    // Saved under its own name: to be settled and kept. Otherwise a take to discard:
    // its working file is to go.
    bool saved = false;
  };
  // The take that the last "close capture " handed over, once.
  std::optional<ClosedTake> takeClosed();

  // Why the take in progress could no longer be written (a full disk): it then ends at
  // its last whole second. None while it is written, and when there is no take.
  std::optional<std::string> captureFault() const;
  // Samples of the take in progress on the medium, counted by its file's header.
  std::uint64_t captureDurable() const;

  // Stream positions of the samples the capture device holds (or held, once
  // closed): the first one and the one after the last. With a pause in the
  // take the samples between are not among them.
  struct CaptureSpan {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
  };
  std::optional<CaptureSpan> captureSpan() const;

  // True while "waveplayfile" is open on an output that keeps time without
  // sounding (no output device could be opened).
  bool playbackSilent() const;

  // The output "waveplayfile" sounds on (an output's name; empty: the desktop's
  // default). A sound that is open moves there at once, at its position and
  // playing or not as it was; when the output cannot be opened it stays where it
  // is, and the error says why.
  Result<void> setPlaybackOutput(const std::string& output);
  const std::string& playbackOutput() const { return playbackOutput_; }

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
  void collectTap();

  SoundSystem& sound_;
  TakeFiles* takeFiles_;
  TakeWriter::Mode writing_;
  std::size_t logCapacity_;
  std::deque<MciLogEntry> log_;
  std::weak_ptr<CaptureStream> input_;
  std::unique_ptr<CaptureDevice> capture_;
  std::unique_ptr<PlaybackStream> playback_;
  std::filesystem::path playbackFile_;
  std::string playbackOutput_;
  // The rate "set waveplayfile samplespersec" chose; 0: the file's own.
  int playbackRate_ = 0;
  std::optional<std::uint64_t> nextStart_;
  std::optional<std::string> nextFile_;
  bool handOver_ = false;
  std::optional<ClosedTake> closed_;
  std::optional<CaptureSpan> span_;
};

}  // namespace tv
