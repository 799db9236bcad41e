#include "platform/alsa/output_waker.h"

#include <algorithm>
#include <vector>

namespace tv {
namespace {

// Any format does; the program's own is the one every output here takes.
constexpr int kRate = 11025;
constexpr std::uint8_t kSilence = 128;
constexpr std::int64_t kAheadMs = 100;

}  // namespace

Result<std::unique_ptr<OutputWaker>> OutputWaker::open(const std::string& pcmName,
                                                       const Clock& clock,
                                                       const AlsaOptions& options,
                                                       std::int64_t limitMs) {
  auto pcm = openPcm(pcmName, SND_PCM_STREAM_PLAYBACK);
  if (!pcm) return pcm.error();
  auto period =
      configurePcm(pcm->get(), SND_PCM_FORMAT_U8, 1, kRate, std::max(options.periodMs, 1));
  if (!period) return failure(pcmName + ": " + period.error().message);
  return std::make_unique<OutputWaker>(std::move(*pcm), static_cast<std::size_t>(*period), pcmName,
                                       clock, limitMs);
}

OutputWaker::OutputWaker(PcmHandle pcm, std::size_t period, std::string pcmName, const Clock& clock,
                         std::int64_t limitMs)
    : pcm_(std::move(pcm)),
      period_(period),
      pcmName_(std::move(pcmName)),
      // A little ahead of time, so the device never runs dry; what it holds is dropped
      // when the playback takes over.
      pacer_(clock, kRate, 0, kAheadMs),
      openedAtMs_(pacer_.now()),
      limitMs_(limitMs),
      thread_([this] { run(); }) {}

OutputWaker::~OutputWaker() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void OutputWaker::run() {
  const std::vector<std::uint8_t> silence(period_, kSilence);
  std::uint64_t written = 0;
  for (;;) {
    std::uint64_t allowed = 0;
    {
      std::unique_lock lock(mutex_);
      if (stopping_ || pacer_.now() - openedAtMs_ >= limitMs_) break;
      allowed = pacer_.allowance(openedAtMs_, written);
      if (allowed == 0) {
        wake_.wait_for(lock, std::chrono::milliseconds(5));
        continue;
      }
    }
    if (snd_pcm_wait(pcm_.get(), 50) == 0) continue;
    const auto frames = static_cast<snd_pcm_uframes_t>(std::min<std::uint64_t>(period_, allowed));
    const snd_pcm_sframes_t done = snd_pcm_writei(pcm_.get(), silence.data(), frames);
    if (done == -EAGAIN) continue;
    if (done < 0) {
      if (snd_pcm_recover(pcm_.get(), static_cast<int>(done), 1) < 0) break;
      continue;
    }
    written += static_cast<std::uint64_t>(done);
  }
  snd_pcm_drop(pcm_.get());
  pcm_.reset();
}

}  // namespace tv
