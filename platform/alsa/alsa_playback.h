#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/alsa/alsa_options.h"
#include "platform/alsa/alsa_pcm.h"
#include "platform/alsa/pacer.h"
#include "platform/sound.h"
#include "platform/sound/sound_file.h"

namespace tv {

// One sound file on an ALSA output. The caller's thread only records what it
// wants (play from/to, stop, seek); the playback thread owns every ALSA call and
// the file's reader, reads and writes a period at a time with the volume applied
// as a gain per channel, and reports the position it has reached (written frames
// less the device's delay).
class AlsaPlayback : public PlaybackStream {
 public:
  // Plays the sound of `reader` at `rate` frames per second (its own when 0).
  static Result<std::unique_ptr<PlaybackStream>> open(
      const std::string& pcmName, std::unique_ptr<SoundFileReader> reader, int rate,
      std::shared_ptr<const OutputVolume> volume, const Clock& clock, const AlsaOptions& options);

  AlsaPlayback(PcmHandle pcm, std::size_t period, std::unique_ptr<SoundFileReader> reader, int rate,
               std::shared_ptr<const OutputVolume> volume, const Clock& clock,
               const AlsaOptions& options);
  ~AlsaPlayback() override;

  std::int64_t lengthMs() const override { return info_.lengthMs(rate_); }
  std::int64_t positionMs() override;
  PlaybackState state() override;
  Result<void> play(std::int64_t fromMs, std::optional<std::int64_t> toMs) override;
  Result<void> seek(std::int64_t ms) override;
  void stop() override;
  Result<void> status() override;

 private:
  void run();
  // Plays frames [from, to) for request `generation`; false when a newer
  // request or the end of the stream cut it short.
  bool playSpan(std::uint64_t generation, std::uint64_t from, std::uint64_t to,
                std::int64_t startMs);
  // After the last frame of [from, to) has been written: follows the position until
  // the device has sounded it all; false when a newer request cut it short.
  bool soundOut(std::uint64_t generation, std::uint64_t from, std::uint64_t to);
  // Reads `frames` frames from `frame` on into chunk_ with the gain applied; false when
  // the file cannot be read (error_ then says why).
  bool fillWithGain(std::uint64_t generation, std::uint64_t frame, std::size_t frames);
  bool current(std::uint64_t generation);
  void report(std::uint64_t generation, std::uint64_t frame);
  std::uint64_t framesOf(std::int64_t ms) const;
  std::int64_t msOf(std::uint64_t frames) const;

  PcmHandle pcm_;
  std::size_t period_;
  std::unique_ptr<SoundFileReader> reader_;
  SoundFileInfo info_;
  int rate_;
  std::shared_ptr<const OutputVolume> volume_;
  Pacer pacer_;
  std::vector<std::uint8_t> source_;
  std::vector<std::uint8_t> chunk_;

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::uint64_t generation_ = 0;  // every request counts it up
  bool wantPlaying_ = false;
  std::uint64_t fromFrame_ = 0;
  std::uint64_t toFrame_ = 0;
  std::int64_t requestedAtMs_ = 0;
  PlaybackState state_ = PlaybackState::stopped;
  std::uint64_t positionFrame_ = 0;
  std::optional<std::string> error_;
  std::thread thread_;
};

}  // namespace tv
