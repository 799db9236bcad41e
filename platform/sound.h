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

// One entry of the input device list. `number` is the device's own number in
// the back end's full list, so it stays the same when devices before it are
// left out for lacking the capture format.
struct InputDevice {
  int number = 0;
  std::string description;
  std::string pcmName;
};

// Unsigned 8-bit mono samples; 127 is the zero line the level scale uses.
inline constexpr std::uint8_t kSilentSample = 127;
inline constexpr std::size_t kMeterBlockBytes = 2048;

struct CaptureTapRegistry;

// Every sample a stream delivers between openTap() and the tap's destruction,
// in order, nothing dropped however long the take and however slow the
// reader. Filled by the producer thread, drained by the consumer thread.
// Stays valid, and simply stops growing, when the stream goes away first.
class CaptureTap {
 public:
  explicit CaptureTap(std::shared_ptr<CaptureTapRegistry> registry);
  ~CaptureTap();
  CaptureTap(const CaptureTap&) = delete;
  CaptureTap& operator=(const CaptureTap&) = delete;

  // Stream position of the first sample of this tap.
  std::uint64_t startPosition() const { return startPosition_; }

  // Appends everything delivered since the last drain to `out`. Call the
  // stream's update() first while the stream is there, so that a lazy
  // producer has delivered what is due.
  void drainInto(std::vector<std::uint8_t>& out);

 private:
  friend class CaptureStream;
  std::shared_ptr<CaptureTapRegistry> registry_;
  std::vector<std::vector<std::uint8_t>> blocks_;  // guarded by the registry
  std::uint64_t startPosition_ = 0;
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

  std::unique_ptr<CaptureTap> openTap();
  // A tap that begins at the earlier stream position `from`: what the ring
  // still holds from there up to now comes first, then everything that
  // arrives. Where the ring no longer reaches back that far, the tap begins
  // at the oldest sample it holds (see startPosition()).
  std::unique_ptr<CaptureTap> openTapFrom(std::uint64_t from);

  // Ok while the device delivers; the error once it has failed (unplugged,
  // stopped by the system). A failed stream delivers nothing more.
  Result<void> status() const;

 protected:
  // Producer side, from one thread at a time.
  void deliver(std::span<const std::uint8_t> samples);
  void fail(std::string message);

  // Called on the consumer thread before every read; lazy producers deliver
  // the samples that are due here.
  virtual void pump() {}

 private:
  int sampleRate_;
  RingBuffer ring_;
  std::shared_ptr<CaptureTapRegistry> taps_;
  mutable std::mutex errorMutex_;
  std::optional<std::string> error_;
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
  virtual std::vector<InputDevice> inputDevices() = 0;

  // Opens device `deviceNumber` (an InputDevice::number) for unsigned 8-bit
  // mono capture at `sampleRate` and starts it. Shared so that the capture
  // device can follow the meter's stream without owning it.
  virtual Result<std::shared_ptr<CaptureStream>> openInput(int deviceNumber, int sampleRate) = 0;

  // Opens a sound file that openSoundFile can read for playback, stopped at position 0.
  // The file is read a block at a time while it plays, never held whole.
  virtual Result<std::unique_ptr<PlaybackStream>> openPlayback(
      const std::filesystem::path& file, const PlaybackOptions& options = {}) = 0;

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
