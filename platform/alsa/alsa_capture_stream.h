#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/alsa/alsa_options.h"
#include "platform/alsa/alsa_pcm.h"
#include "platform/alsa/pacer.h"
#include "platform/sound.h"

namespace tv {

// One open ALSA capture device. Its thread reads a period at a time and
// delivers every frame to the stream; overruns are recovered, and an error
// the device cannot recover from (unplugged) ends the thread and puts the
// stream into its error state.
class AlsaCaptureStream : public CaptureStream {
 public:
  static Result<std::shared_ptr<CaptureStream>> open(const std::string& pcmName, int sampleRate,
                                                     const Clock& clock,
                                                     const AlsaOptions& options);

  AlsaCaptureStream(PcmHandle pcm, std::size_t period, int sampleRate, const Clock& clock,
                    const AlsaOptions& options);
  ~AlsaCaptureStream() override;

 private:
  void run();
  bool waitUnlessStopping(std::chrono::milliseconds pause);

  PcmHandle pcm_;
  std::size_t period_;
  Pacer pacer_;
  std::int64_t openedAtMs_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tv
