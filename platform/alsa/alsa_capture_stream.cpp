#include "platform/alsa/alsa_capture_stream.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tv {
namespace {

class AlsaCapturePcm : public CapturePcm {
 public:
  explicit AlsaCapturePcm(PcmHandle pcm) : pcm_(std::move(pcm)) {}

  int wait(int timeoutMs) override { return snd_pcm_wait(pcm_.get(), timeoutMs); }

  snd_pcm_sframes_t read(std::uint8_t* buffer, snd_pcm_uframes_t frames) override {
    return snd_pcm_readi(pcm_.get(), buffer, frames);
  }

  CaptureStatus status() override {
    snd_pcm_status_t* raw = nullptr;
    snd_pcm_status_alloca(&raw);
    CaptureStatus status;
    if (snd_pcm_status(pcm_.get(), raw) < 0) return status;
    snd_htimestamp_t trigger{};
    snd_pcm_status_get_trigger_htstamp(raw, &trigger);
    if (trigger.tv_sec != 0 || trigger.tv_nsec != 0)
      status.triggerUs = std::int64_t{trigger.tv_sec} * 1'000'000 + trigger.tv_nsec / 1000;
    status.available = snd_pcm_status_get_avail(raw);
    return status;
  }

  int restart(int error) override {
    if (int recovered = snd_pcm_recover(pcm_.get(), error, 1); recovered < 0) return recovered;
    // A device that starts on its own with the next read may refuse this: no matter.
    snd_pcm_start(pcm_.get());
    return 0;
  }

 private:
  PcmHandle pcm_;
};

}  // namespace

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
      std::make_unique<AlsaCapturePcm>(std::move(*pcm)), static_cast<std::size_t>(*period),
      sampleRate, clock, options));
}

AlsaCaptureStream::AlsaCaptureStream(std::unique_ptr<CapturePcm> pcm, std::size_t period,
                                     int sampleRate, const Clock& clock, const AlsaOptions& options)
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

bool AlsaCaptureStream::recoverOverrun(std::uint64_t& done) {
  const CaptureStatus stopped = pcm_->status();
  const std::int64_t seenMs = pacer_.now();
  if (int error = pcm_->restart(-EPIPE); error < 0) {
    fail(alsaMessage(error));
    return false;
  }
  const CaptureStatus started = pcm_->status();
  // The device's own time stamps say how long it stood; without them the time from
  // seeing the overrun to the restart is what is known, which may fall short.
  std::int64_t stoodUs = (pacer_.now() - seenMs) * 1000;
  if (stopped.triggerUs && started.triggerUs && *started.triggerUs >= *stopped.triggerUs)
    stoodUs = *started.triggerUs - *stopped.triggerUs;
  const auto stood =
      static_cast<std::uint64_t>(std::llround(static_cast<double>(stoodUs) * sampleRate() / 1e6));
  const std::uint64_t lost = stopped.available + stood;
  deliverLost(lost);
  done += lost;
  return true;
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
    int ready = pcm_->wait(100);
    if (ready == 0) continue;
    const auto frames = static_cast<snd_pcm_uframes_t>(std::min<std::uint64_t>(period_, allowed));
    snd_pcm_sframes_t got = 0;
    if (ready > 0) {
      // Some devices report a full count without writing every frame
      // (a file input at its end): those frames are then silence.
      std::fill(buffer.begin(), buffer.end(), kSilentSample);
      got = pcm_->read(buffer.data(), frames);
    } else {
      got = ready;
    }
    if (got == -EAGAIN) continue;
    if (got == -EPIPE) {
      if (!recoverOverrun(done)) return;
      continue;
    }
    if (got < 0) {
      if (int error = pcm_->restart(static_cast<int>(got)); error < 0) {
        fail(alsaMessage(error));
        return;
      }
      continue;
    }
    deliver(std::span(buffer.data(), static_cast<std::size_t>(got)));
    done += static_cast<std::uint64_t>(got);
  }
}

}  // namespace tv
