#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"
#include "platform/sound/ring_buffer.h"

namespace tv {

// One device of an input or output list. `name` is what the settings keep and what
// openInput and openPlayback take: it stays the same across restarts and re-plugging
// (never a card number), so a device is remembered by it.
struct SoundDevice {
  enum class Kind {
    device,           // a card, a sound server, or one of the server's sinks and sources
    desktopDefault,   // `default` where a sound server provides it
    firstCardDefault  // `default` without a sound server: the first card
  };
  std::string name;
  // How the back end describes it ("USB Audio Device", "Monitor of Receiver"); the words
  // for the two defaults are the program's own, in its language.
  std::string description;
  Kind kind = Kind::device;
};

// Unsigned 8-bit mono samples; 127 is the zero line the level scale uses.
inline constexpr std::uint8_t kSilentSample = 127;
inline constexpr std::size_t kMeterBlockBytes = 2048;

struct CaptureTapRegistry;

// Takes the samples of a tap as they are delivered, in place of the tap's own queue.
class CaptureSink {
 public:
  virtual ~CaptureSink() = default;
  // On the producer's thread, with the stream's tap lock held: must not wait for the
  // consumer thread nor call back into the stream.
  virtual void receive(std::span<const std::uint8_t> samples) = 0;
};

// Every sample a stream delivers between openTap() and the tap's destruction,
// in order, nothing dropped however long the take and however slow the
// reader. Filled by the producer thread, drained by the consumer thread, or
// handed straight to a sink. Stays valid, and simply stops growing, when the
// stream goes away first.
class CaptureTap {
 public:
  explicit CaptureTap(std::shared_ptr<CaptureTapRegistry> registry);
  ~CaptureTap();
  CaptureTap(const CaptureTap&) = delete;
  CaptureTap& operator=(const CaptureTap&) = delete;

  // Stream position of the first sample of this tap.
  std::uint64_t startPosition() const { return startPosition_; }
  // Stream position after the last sample delivered to the tap so far.
  std::uint64_t endPosition() const;

  // Appends everything delivered since the last drain to `out`. Call the
  // stream's update() first while the stream is there, so that a lazy
  // producer has delivered what is due.
  void drainInto(std::vector<std::uint8_t>& out);

 private:
  friend class CaptureStream;
  std::shared_ptr<CaptureTapRegistry> registry_;
  std::vector<std::vector<std::uint8_t>> blocks_;  // guarded by the registry
  CaptureSink* sink_ = nullptr;
  std::uint64_t startPosition_ = 0;
  std::uint64_t delivered_ = 0;  // guarded by the registry
};

// An open input device: one producer (a capture thread, or a lazy producer
// that computes what is due whenever it is asked) feeds the meter's view, a
// positional reader and any number of taps from the same sample sequence.
// Consumers call from one thread (the GUI thread).
class CaptureStream {
 public:
  CaptureStream(int sampleRate, std::size_t ringCapacity = kDefaultRingCapacity);
  virtual ~CaptureStream();
  CaptureStream(const CaptureStream&) = delete;
  CaptureStream& operator=(const CaptureStream&) = delete;

  static constexpr std::size_t kDefaultRingCapacity = std::size_t{1} << 17;

  int sampleRate() const { return sampleRate_; }

  // Lets a lazy producer deliver what is due by now. The other calls do it
  // themselves; a tap's owner calls it before draining.
  void update() { pump(); }

  // Number of samples delivered since the stream was opened.
  std::uint64_t produced();

  // The newest kMeterBlockBytes samples, oldest first; the zero line where
  // fewer have arrived.
  void newestBlock(std::span<std::uint8_t, kMeterBlockBytes> out);

  // Copies samples from stream position `from` on, as far as `out` reaches
  // and they have arrived. Samples older than the ring holds are lost:
  // `first` then lies beyond `from`.
  RingBuffer::ReadResult read(std::uint64_t from, std::span<std::uint8_t> out);

  // A tap whose samples go to `sink`, when one is given, for as long as the tap
  // lives; the sink must outlive the tap.
  std::unique_ptr<CaptureTap> openTap(CaptureSink* sink = nullptr);
  // A tap that begins at the earlier stream position `from`: what the ring
  // still holds from there up to now comes first, then everything that
  // arrives. Where the ring no longer reaches back that far, the tap begins
  // at the oldest sample it holds (see startPosition()).
  std::unique_ptr<CaptureTap> openTapFrom(std::uint64_t from, CaptureSink* sink = nullptr);

  // Ok while the device delivers; the error once it has failed (unplugged,
  // stopped by the system). A failed stream delivers nothing more.
  Result<void> status() const;

  // Samples the device lost (an overrun: the machine did not read in time), which
  // the stream holds as silence so that its count of samples stays true to the time.
  struct Gap {
    std::uint64_t position = 0;  // of the first silent sample
    std::uint64_t samples = 0;
  };
  std::vector<Gap> gaps() const;
  std::size_t gapCount() const;
  // How many of the samples in [first, end) stand for lost ones.
  std::uint64_t lostBetween(std::uint64_t first, std::uint64_t end) const;

 protected:
  // Producer side, from one thread at a time.
  void deliver(std::span<const std::uint8_t> samples);
  // `count` samples the device lost: delivered as the zero line and noted as a gap.
  void deliverLost(std::uint64_t count);
  void fail(std::string message);

  // Called on the consumer thread before every read; lazy producers deliver
  // the samples that are due here.
  virtual void pump() {}

 private:
  int sampleRate_;
  RingBuffer ring_;
  std::shared_ptr<CaptureTapRegistry> taps_;
  mutable std::mutex stateMutex_;
  std::optional<std::string> error_;
  std::vector<Gap> gaps_;  // guarded by stateMutex_
};

enum class PlaybackState {
  stopped,  // opened, paused or seeked: not sounding
  playing,
  finished,  // played to its end point; position is that end
};

// One opened sound file on the output. Positions and lengths are whole
// milliseconds. Calls come from one thread.
class PlaybackStream {
 public:
  virtual ~PlaybackStream() = default;

  virtual std::int64_t lengthMs() const = 0;
  virtual std::int64_t positionMs() = 0;
  virtual PlaybackState state() = 0;

  // Sounds from `fromMs` to `toMs` (the end when absent) and returns at once.
  virtual Result<void> play(std::int64_t fromMs, std::optional<std::int64_t> toMs = {}) = 0;
  // Stops sounding and moves to `ms`.
  virtual Result<void> seek(std::int64_t ms) = 0;
  // Stops sounding; the position stays where it was.
  virtual void stop() = 0;

  // Ok, or why the output failed while playing.
  virtual Result<void> status() = 0;

  // False for an output that only keeps time because no device could be
  // opened: the program must not let the user believe the sound is heard.
  virtual bool audible() const { return true; }
};

// How a sound file is to be played.
struct PlaybackOptions {
  // Frames per second to play it at; 0: the rate its header names. Pitch and tempo change
  // together, and the stream's positions and length are those of the sound at this rate.
  int rate = 0;
  // The output's name; empty: the desktop's default output.
  std::string output;
};

// The output volume, shared by the sound system and its playback streams so
// that a change reaches a sound that is already playing. 0..65535 per channel.
class OutputVolume {
 public:
  void set(std::uint16_t left, std::uint16_t right);
  std::uint16_t left() const { return static_cast<std::uint16_t>(word_.load() & 0xFFFF); }
  std::uint16_t right() const { return static_cast<std::uint16_t>(word_.load() >> 16); }

 private:
  std::atomic<std::uint32_t> word_{0xFFFFFFFFu};
};

class SoundSystem {
 public:
  SoundSystem();
  virtual ~SoundSystem() = default;

  // Devices that take 11,025 Hz mono unsigned 8-bit capture, the system's
  // default device first where there is one.
  virtual std::vector<SoundDevice> inputDevices() = 0;
  // Devices sound can be played on, the system's default first.
  virtual std::vector<SoundDevice> outputDevices() { return {}; }

  // Opens the input called `name` (a SoundDevice::name, or a name the back end
  // takes as it stands) for unsigned 8-bit mono capture at `sampleRate` and
  // starts it. Shared so that the capture device can follow the meter's stream
  // without owning it.
  virtual Result<std::shared_ptr<CaptureStream>> openInput(const std::string& name,
                                                           int sampleRate) = 0;

  // Opens a sound file that openSoundFile can read for playback on the options'
  // output, stopped at position 0. The file is read a block at a time while it plays,
  // never held whole.
  virtual Result<std::unique_ptr<PlaybackStream>> openPlayback(
      const std::filesystem::path& file, const PlaybackOptions& options = {}) = 0;

  // Opens `output` and feeds it silence until a playback on it takes over (or a
  // few seconds have passed), so that a sound server that suspended the idle
  // sink has it running again before a transmitter is keyed. Fails, saying why,
  // when the output cannot be opened: it is gone, or another program holds it.
  virtual Result<void> wakeOutput(const std::string& output) {
    (void)output;
    return success();
  }

  // The sound server's name for the card a device name stands for, where a server has
  // the card (pulse:alsa_input...): the way to the card while the server holds it.
  virtual std::optional<std::string> serverNameFor(const std::string& name, bool input) {
    (void)name;
    (void)input;
    return std::nullopt;
  }

  // Volume of every playback, present and future.
  void setOutputVolume(std::uint16_t left, std::uint16_t right);
  const std::shared_ptr<OutputVolume>& outputVolume() const { return volume_; }

 protected:
  // For a system that hands playback to another and must share its volume.
  explicit SoundSystem(std::shared_ptr<OutputVolume> volume);

 public:
  // Plays a short sound without waiting; a new click replaces one still
  // sounding. Fails only when the file cannot be played.
  Result<void> playClick(const std::filesystem::path& file);

 private:
  std::shared_ptr<OutputVolume> volume_;
  std::unique_ptr<PlaybackStream> click_;
};

}  // namespace tv
