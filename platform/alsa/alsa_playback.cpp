#include "platform/alsa/alsa_playback.h"

#include <algorithm>
#include <cmath>

#include "platform/sound/silent_playback.h"

namespace tv {

Result<std::unique_ptr<PlaybackStream>> AlsaPlayback::open(
    const std::string& pcmName, std::unique_ptr<SoundFileReader> reader, int rate,
    std::shared_ptr<const OutputVolume> volume, const Clock& clock, const AlsaOptions& options) {
  const SoundFileInfo info = reader->info();
  if (rate <= 0) rate = info.sampleRate;
  auto pcm = openPcm(pcmName, SND_PCM_STREAM_PLAYBACK);
  if (!pcm) return pcm.error();
  const snd_pcm_format_t format =
      info.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
  auto period =
      configurePcm(pcm->get(), format, info.channels, rate, std::max(options.periodMs, 1));
  if (!period && rate != info.sampleRate) {
    // The output refuses the rate a speed asks for (ALSA's plug layer takes none below
    // 4000 Hz): the program turns the sound into frames at the file's own rate instead,
    // which plays just as long and as high. A card without a mixer takes one stream at
    // a time: the refused one is closed first.
    pcm->reset();
    pcm = openPcm(pcmName, SND_PCM_STREAM_PLAYBACK);
    if (!pcm) return pcm.error();
    period = configurePcm(pcm->get(), format, info.channels, info.sampleRate,
                          std::max(options.periodMs, 1));
    if (period) {
      reader = playedAt(std::move(reader), rate, info.sampleRate);
      rate = info.sampleRate;
    }
  }
  if (!period) return failure(pcmName + ": " + period.error().message);
  return std::unique_ptr<PlaybackStream>(
      std::make_unique<AlsaPlayback>(std::move(*pcm), static_cast<std::size_t>(*period),
                                     std::move(reader), rate, std::move(volume), clock, options));
}

AlsaPlayback::AlsaPlayback(PcmHandle pcm, std::size_t period,
                           std::unique_ptr<SoundFileReader> reader, int rate,
                           std::shared_ptr<const OutputVolume> volume, const Clock& clock,
                           const AlsaOptions& options)
    : pcm_(std::move(pcm)),
      period_(period),
      reader_(std::move(reader)),
      info_(reader_->info()),
      rate_(rate > 0 ? rate : info_.sampleRate),
      volume_(std::move(volume)),
      pacer_(clock, rate_, options.paceTolerance, options.paceSlackMs),
      source_(period_ * static_cast<std::size_t>(info_.bytesPerFrame())),
      chunk_(source_.size()),
      thread_([this] { run(); }) {}

AlsaPlayback::~AlsaPlayback() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

std::uint64_t AlsaPlayback::framesOf(std::int64_t ms) const {
  return static_cast<std::uint64_t>(ms) * static_cast<std::uint64_t>(rate_) / 1000;
}

std::int64_t AlsaPlayback::msOf(std::uint64_t frames) const {
  return static_cast<std::int64_t>(frames * 1000 / static_cast<std::uint64_t>(rate_));
}

std::int64_t AlsaPlayback::positionMs() {
  std::lock_guard lock(mutex_);
  return msOf(positionFrame_);
}

PlaybackState AlsaPlayback::state() {
  std::lock_guard lock(mutex_);
  return state_;
}

Result<void> AlsaPlayback::status() {
  std::lock_guard lock(mutex_);
  if (error_) return failure(*error_);
  return success();
}

Result<void> AlsaPlayback::play(std::int64_t fromMs, std::optional<std::int64_t> toMs) {
  if (auto checked = checkPlayRange(lengthMs(), fromMs, toMs); !checked) return checked;
  {
    std::lock_guard lock(mutex_);
    if (error_) return failure(*error_);
    ++generation_;
    wantPlaying_ = true;
    fromFrame_ = positionFrame_ = framesOf(fromMs);
    toFrame_ = toMs ? std::min(framesOf(*toMs), info_.frames) : info_.frames;
    requestedAtMs_ = pacer_.now();
    state_ = PlaybackState::playing;
  }
  wake_.notify_all();
  return success();
}

Result<void> AlsaPlayback::seek(std::int64_t ms) {
  if (auto checked = checkPlayRange(lengthMs(), ms, {}); !checked) return checked;
  {
    std::lock_guard lock(mutex_);
    ++generation_;
    wantPlaying_ = false;
    positionFrame_ = framesOf(ms);
    state_ = PlaybackState::stopped;
  }
  wake_.notify_all();
  return success();
}

void AlsaPlayback::stop() {
  {
    std::lock_guard lock(mutex_);
    if (state_ != PlaybackState::playing) return;
    ++generation_;
    wantPlaying_ = false;
    state_ = PlaybackState::stopped;
  }
  wake_.notify_all();
}

bool AlsaPlayback::current(std::uint64_t generation) {
  std::lock_guard lock(mutex_);
  return generation == generation_ && !stopping_;
}

void AlsaPlayback::report(std::uint64_t generation, std::uint64_t frame) {
  std::lock_guard lock(mutex_);
  if (generation == generation_) positionFrame_ = frame;
}

bool AlsaPlayback::fillWithGain(std::uint64_t generation, std::uint64_t frame, std::size_t frames) {
  const auto bytes = frames * static_cast<std::size_t>(info_.bytesPerFrame());
  const Result<std::size_t> read = reader_->read(frame, std::span(source_).first(bytes));
  if (!read || *read < frames) {
    std::lock_guard lock(mutex_);
    error_ = "the sound file cannot be read: " +
             (read ? std::string("it has become shorter") : read.error().message);
    if (generation == generation_) state_ = PlaybackState::stopped;
    return false;
  }
  const double gains[2] = {volume_->left() / 65535.0, volume_->right() / 65535.0};
  const std::uint8_t* source = source_.data();
  const std::size_t samples = frames * static_cast<std::size_t>(info_.channels);
  for (std::size_t i = 0; i < samples; ++i) {
    const double gain = gains[i % static_cast<std::size_t>(info_.channels)];
    if (info_.bitsPerSample == 8) {
      const double value = 128.0 + (source[i] - 128.0) * gain;
      chunk_[i] = static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
    } else {
      const auto sample = static_cast<std::int16_t>(source[2 * i] | (source[2 * i + 1] << 8));
      const auto scaled =
          static_cast<std::int16_t>(std::clamp(std::lround(sample * gain), -32768L, 32767L));
      chunk_[2 * i] = static_cast<std::uint8_t>(scaled & 0xFF);
      chunk_[2 * i + 1] = static_cast<std::uint8_t>((scaled >> 8) & 0xFF);
    }
  }
  return true;
}

bool AlsaPlayback::playSpan(std::uint64_t generation, std::uint64_t from, std::uint64_t to,
                            std::int64_t startMs) {
  snd_pcm_t* pcm = pcm_.get();
  std::uint64_t frame = from;
  while (frame < to) {
    if (!current(generation)) return false;
    const std::uint64_t allowed = pacer_.allowance(startMs, frame - from);
    if (allowed == 0) {
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(2));
      continue;
    }
    if (snd_pcm_wait(pcm, 50) == 0) continue;
    const std::size_t frames =
        static_cast<std::size_t>(std::min<std::uint64_t>({period_, to - frame, allowed}));
    if (!fillWithGain(generation, frame, frames)) return false;
    snd_pcm_sframes_t written = snd_pcm_writei(pcm, chunk_.data(), frames);
    if (written == -EAGAIN) continue;
    if (written < 0) {
      if (int error = snd_pcm_recover(pcm, static_cast<int>(written), 1); error < 0) {
        std::lock_guard lock(mutex_);
        error_ = "the sound output stopped: " + alsaMessage(error);
        if (generation == generation_) state_ = PlaybackState::stopped;
        return false;
      }
      continue;
    }
    frame += static_cast<std::uint64_t>(written);
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm, &delay) < 0 || delay < 0) delay = 0;
    report(generation, std::max(from, frame - std::min<std::uint64_t>(frame, delay)));
  }
  return soundOut(generation, from, to);
}

bool AlsaPlayback::soundOut(std::uint64_t generation, std::uint64_t from, std::uint64_t to) {
  snd_pcm_t* pcm = pcm_.get();
  // What the device holds when the last frame has been handed over runs out in that
  // many milliseconds. A sound server's own figure cannot be waited for: once its
  // stream has run dry it may keep reporting the last few milliseconds for ever. So
  // the clock says when the queue is out, the device's figure counts only where it
  // is lower (a card that has already played more), and the drain then has the
  // device confirm that the last frame has sounded. The drain cannot be cut short
  // (ALSA's pulse plugin blocks in it even in non-blocking mode), so it comes only
  // once the queue should be out, and a stop or a close meanwhile is seen at once.
  snd_pcm_sframes_t queued = 0;
  if (snd_pcm_delay(pcm, &queued) < 0 || queued < 0) queued = 0;
  const std::int64_t handedOverMs = pacer_.now();
  const std::int64_t queuedMs = msOf(static_cast<std::uint64_t>(queued));
  for (;;) {
    if (!current(generation)) return false;
    const std::int64_t leftMs = queuedMs - (pacer_.now() - handedOverMs);
    if (leftMs <= 0) break;
    std::uint64_t left = std::min(framesOf(leftMs), to - from);
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm, &delay) == 0 && delay >= 0)
      left = std::min(left, static_cast<std::uint64_t>(delay));
    if (left == 0) break;
    report(generation, to - left);
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(10));
  }
  if (!current(generation)) return false;
  snd_pcm_drain(pcm);
  return true;
}

void AlsaPlayback::run() {
  std::uint64_t handled = 0;
  for (;;) {
    std::uint64_t generation = 0;
    bool playing = false;
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::int64_t startMs = 0;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || generation_ != handled; });
      if (stopping_) break;
      generation = handled = generation_;
      playing = wantPlaying_;
      from = fromFrame_;
      to = toFrame_;
      startMs = requestedAtMs_;
    }
    // Whatever was sounding stops at once: a seek, a stop or a new start.
    snd_pcm_drop(pcm_.get());
    snd_pcm_prepare(pcm_.get());
    if (!playing) continue;
    if (playSpan(generation, from, to, startMs)) {
      std::lock_guard lock(mutex_);
      if (generation == generation_) {
        positionFrame_ = to;
        state_ = PlaybackState::finished;
      }
    }
  }
  snd_pcm_drop(pcm_.get());
}

}  // namespace tv
