#pragma once

#include <atomic>
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

namespace tv {

// What a capture device's status says at an overrun and after it: the moment it
// stopped or started again, in microseconds of its own clock (absent where it keeps
// no time stamps), and how many frames had come in since the last read.
struct CaptureStatus {
  std::optional<std::int64_t> triggerUs;
  std::uint64_t available = 0;
};

// The calls the capture thread makes on its device, as alsa-lib's: an ALSA PCM, or a
// test's stand-in that overruns when it is told to.
class CapturePcm {
 public:
  virtual ~CapturePcm() = default;
  // Positive when frames can be read, 0 after `timeoutMs` without, negative on an error.
  virtual int wait(int timeoutMs) = 0;
  // Frames read, or a negative error (-EPIPE: an overrun).
  virtual snd_pcm_sframes_t read(std::uint8_t* buffer, snd_pcm_uframes_t frames) = 0;
  virtual CaptureStatus status() = 0;
  // Makes the device capture again after `error`; negative when it cannot.
  virtual int restart(int error) = 0;
};

// One open ALSA capture device. Its thread reads a period at a time and delivers every
// frame to the stream. An overrun loses what the device held and what came while it
// stood: that many samples of silence take their place (from the overrun's time stamp
// to the restart's, times the rate, plus the frames it held), so the stream's count of
// samples stays true to the time it covers. An error the device cannot recover from
// (unplugged) ends the thread and puts the stream into its error state.
class AlsaCaptureStream : public CaptureStream {
 public:
  static Result<std::shared_ptr<CaptureStream>> open(const std::string& pcmName, int sampleRate,
                                                     const Clock& clock,
                                                     const AlsaOptions& options);

  AlsaCaptureStream(std::unique_ptr<CapturePcm> pcm, std::size_t period, int sampleRate,
                    const Clock& clock, const AlsaOptions& options);
  ~AlsaCaptureStream() override;

 private:
  void run();
  bool waitUnlessStopping(std::chrono::milliseconds pause);
  // Restarts after an overrun and delivers the samples lost as silence; false when the
  // device does not start again.
  bool recoverOverrun(std::uint64_t& done);

  std::unique_ptr<CapturePcm> pcm_;
  std::size_t period_;
  Pacer pacer_;
  std::int64_t openedAtMs_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tv
