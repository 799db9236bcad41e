#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/alsa/alsa_options.h"
#include "platform/alsa/alsa_pcm.h"
#include "platform/alsa/pacer.h"
#include "platform/result.h"

namespace tv {

// Silence on an output, from its opening until it is destroyed or `limitMs` have
// passed: a sound server resumes a sink it suspended when a stream starts on it, and
// a sink that is already running when the transmission's sound begins loses none of
// it. Its thread owns the device and closes it when the time is up, so that the
// output is free again for others.
class OutputWaker {
 public:
  static Result<std::unique_ptr<OutputWaker>> open(const std::string& pcmName, const Clock& clock,
                                                   const AlsaOptions& options,
                                                   std::int64_t limitMs);

  OutputWaker(PcmHandle pcm, std::size_t period, std::string pcmName, const Clock& clock,
              std::int64_t limitMs);
  ~OutputWaker();
  OutputWaker(const OutputWaker&) = delete;
  OutputWaker& operator=(const OutputWaker&) = delete;

  const std::string& pcmName() const { return pcmName_; }

 private:
  void run();

  PcmHandle pcm_;
  std::size_t period_;
  std::string pcmName_;
  Pacer pacer_;
  std::int64_t openedAtMs_;
  std::int64_t limitMs_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tv
