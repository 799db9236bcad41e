#include "platform/alsa/alsa_capture_stream.h"

#include <algorithm>
#include <vector>

namespace tv {

Result<std::shared_ptr<CaptureStream>> AlsaCaptureStream::open(const std::string& pcmName,
                                                               int sampleRate, const Clock& clock,
                                                               const AlsaOptions& options) {
  auto pcm = openPcm(pcmName, SND_PCM_STREAM_CAPTURE);
  if (!pcm) return pcm.error();
  auto period =
      configurePcm(pcm->get(), SND_PCM_FORMAT_U8, 1, sampleRate, std::max(options.periodMs, 1));
  if (!period) return failure(pcmName + ": " + period.error().message);
  if (int error = snd_pcm_start(pcm->get()); error < 0) {
    return failure("the sound input " + pcmName + " does not start: " + alsaMessage(error));
  }
  return std::shared_ptr<CaptureStream>(std::make_shared<AlsaCaptureStream>(
      std::move(*pcm), static_cast<std::size_t>(*period), sampleRate, clock, options));
}

AlsaCaptureStream::AlsaCaptureStream(PcmHandle pcm, std::size_t period, int sampleRate,
                                     const Clock& clock, const AlsaOptions& options)
    : CaptureStream(sampleRate),
      pcm_(std::move(pcm)),
      period_(period),
      pacer_(clock, sampleRate, options.paceTolerance, options.paceSlackMs),
      openedAtMs_(pacer_.now()),
      thread_([this] { run(); }) {}

AlsaCaptureStream::~AlsaCaptureStream() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool AlsaCaptureStream::waitUnlessStopping(std::chrono::milliseconds pause) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, pause, [this] { return stopping_; });
}

void AlsaCaptureStream::run() {
  std::vector<std::uint8_t> buffer(period_);
  std::uint64_t done = 0;
  while (waitUnlessStopping(std::chrono::milliseconds(0))) {
    const std::uint64_t allowed = pacer_.allowance(openedAtMs_, done);
    if (allowed == 0) {
      waitUnlessStopping(std::chrono::milliseconds(2));
      continue;
    }
    // Waiting with a timeout keeps the thread responsive to the stop request
    // even when the device delivers nothing.
    int ready = snd_pcm_wait(pcm_.get(), 100);
    if (ready == 0) continue;
    const auto frames = static_cast<snd_pcm_uframes_t>(std::min<std::uint64_t>(period_, allowed));
    snd_pcm_sframes_t got = 0;
    if (ready > 0) {
      // Some devices report a full count without writing every frame
      // (a file input at its end): those frames are then silence.
      std::fill(buffer.begin(), buffer.end(), kSilentSample);
      got = snd_pcm_readi(pcm_.get(), buffer.data(), frames);
    } else {
      got = ready;
    }
    if (got == -EAGAIN) continue;
    if (got < 0) {
      if (int error = snd_pcm_recover(pcm_.get(), static_cast<int>(got), 1); error < 0) {
        fail("the sound input stopped: " + alsaMessage(error));
        return;
      }
      snd_pcm_start(pcm_.get());
      continue;
    }
    deliver(std::span(buffer.data(), static_cast<std::size_t>(got)));
    done += static_cast<std::uint64_t>(got);
  }
}

}  // namespace tv
