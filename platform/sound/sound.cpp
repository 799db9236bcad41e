#include "platform/sound.h"

#include <algorithm>

namespace tv {

struct CaptureTapRegistry {
  std::mutex mutex;
  std::vector<CaptureTap*> taps;
  std::uint64_t delivered = 0;
};

CaptureTap::CaptureTap(std::shared_ptr<CaptureTapRegistry> registry)
    : registry_(std::move(registry)) {}

CaptureTap::~CaptureTap() {
  std::lock_guard lock(registry_->mutex);
  std::erase(registry_->taps, this);
}

std::uint64_t CaptureTap::endPosition() const {
  std::lock_guard lock(registry_->mutex);
  return startPosition_ + delivered_;
}

void CaptureTap::drainInto(std::vector<std::uint8_t>& out) {
  std::vector<std::vector<std::uint8_t>> blocks;
  {
    std::lock_guard lock(registry_->mutex);
    blocks.swap(blocks_);
  }
  for (const auto& block : blocks) out.insert(out.end(), block.begin(), block.end());
}

CaptureStream::CaptureStream(int sampleRate, std::size_t ringCapacity)
    : sampleRate_(sampleRate),
      ring_(std::max(ringCapacity, kMeterBlockBytes)),
      taps_(std::make_shared<CaptureTapRegistry>()) {}

CaptureStream::~CaptureStream() = default;

std::uint64_t CaptureStream::produced() {
  pump();
  return ring_.written();
}

void CaptureStream::newestBlock(std::span<std::uint8_t, kMeterBlockBytes> out) {
  pump();
  ring_.readNewest(out, kSilentSample);
}

RingBuffer::ReadResult CaptureStream::read(std::uint64_t from, std::span<std::uint8_t> out) {
  pump();
  return ring_.read(from, out);
}

std::unique_ptr<CaptureTap> CaptureStream::openTap(CaptureSink* sink) {
  pump();
  auto tap = std::make_unique<CaptureTap>(taps_);
  tap->sink_ = sink;
  std::lock_guard lock(taps_->mutex);
  tap->startPosition_ = taps_->delivered;
  taps_->taps.push_back(tap.get());
  return tap;
}

std::unique_ptr<CaptureTap> CaptureStream::openTapFrom(std::uint64_t from, CaptureSink* sink) {
  pump();
  auto tap = std::make_unique<CaptureTap>(taps_);
  tap->sink_ = sink;
  std::lock_guard lock(taps_->mutex);
  const std::uint64_t now = taps_->delivered;
  tap->startPosition_ = now;
  if (from < now) {
    // The ring is written before a delivery reaches the taps, so it holds
    // everything up to `now`; the earlier samples join the tap seamlessly.
    std::vector<std::uint8_t> earlier(static_cast<std::size_t>(now - from));
    const RingBuffer::ReadResult got = ring_.read(from, earlier);
    if (got.count > 0 && got.first < now) {
      const auto kept = static_cast<std::size_t>(
          std::min<std::uint64_t>(got.count, now - got.first));
      if (got.first + kept == now) {
        earlier.resize(kept);
        tap->startPosition_ = got.first;
        tap->delivered_ = kept;
        if (sink) {
          sink->receive(earlier);
        } else {
          tap->blocks_.push_back(std::move(earlier));
        }
      }
    }
  }
  taps_->taps.push_back(tap.get());
  return tap;
}

Result<void> CaptureStream::status() const {
  std::lock_guard lock(stateMutex_);
  if (error_) return failure(*error_);
  return success();
}

void CaptureStream::deliver(std::span<const std::uint8_t> samples) {
  if (samples.empty()) return;
  ring_.write(samples);
  std::lock_guard lock(taps_->mutex);
  for (CaptureTap* tap : taps_->taps) {
    if (tap->sink_) {
      tap->sink_->receive(samples);
    } else {
      tap->blocks_.emplace_back(samples.begin(), samples.end());
    }
    tap->delivered_ += samples.size();
  }
  taps_->delivered += samples.size();
}

void CaptureStream::deliverLost(std::uint64_t count) {
  if (count == 0) return;
  const std::uint64_t position = ring_.written();
  // In pieces, so that a long gap needs no buffer of its length.
  const std::vector<std::uint8_t> silence(
      static_cast<std::size_t>(std::min<std::uint64_t>(count, 4096)), kSilentSample);
  for (std::uint64_t left = count; left > 0;) {
    const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, silence.size()));
    deliver(std::span(silence).first(piece));
    left -= piece;
  }
  std::lock_guard lock(stateMutex_);
  gaps_.push_back({position, count});
}

std::vector<CaptureStream::Gap> CaptureStream::gaps() const {
  std::lock_guard lock(stateMutex_);
  return gaps_;
}

std::size_t CaptureStream::gapCount() const {
  std::lock_guard lock(stateMutex_);
  return gaps_.size();
}

std::uint64_t CaptureStream::lostBetween(std::uint64_t first, std::uint64_t end) const {
  std::lock_guard lock(stateMutex_);
  std::uint64_t lost = 0;
  for (const Gap& gap : gaps_) {
    const std::uint64_t from = std::max(first, gap.position);
    const std::uint64_t to = std::min(end, gap.position + gap.samples);
    if (from < to) lost += to - from;
  }
  return lost;
}

void CaptureStream::fail(std::string message) {
  std::lock_guard lock(stateMutex_);
  if (!error_) error_ = std::move(message);
}

void OutputVolume::set(std::uint16_t left, std::uint16_t right) {
  word_.store(static_cast<std::uint32_t>(left) | (static_cast<std::uint32_t>(right) << 16));
}

SoundSystem::SoundSystem() : volume_(std::make_shared<OutputVolume>()) {}

SoundSystem::SoundSystem(std::shared_ptr<OutputVolume> volume) : volume_(std::move(volume)) {}

void SoundSystem::setOutputVolume(std::uint16_t left, std::uint16_t right) {
  volume_->set(left, right);
}

Result<void> SoundSystem::playClick(const std::filesystem::path& file) {
  click_.reset();
  auto opened = openPlayback(file);
  if (!opened) return opened.error();
  if (auto played = (*opened)->play(0); !played) return played.error();
  click_ = std::move(*opened);
  return success();
}

}  // namespace tv
