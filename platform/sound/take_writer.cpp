#include "platform/sound/take_writer.h"

#include <limits>

#include "platform/sound/wav_file.h"

namespace tv {
namespace {

constexpr std::uint64_t kMostSamples = std::numeric_limits<std::uint32_t>::max() - kWaveHeaderBytes;

}  // namespace

TakeWriter::TakeWriter(TakeFiles& files, std::string path, int sampleRate, Mode mode)
    : files_(files), path_(std::move(path)), rate_(sampleRate > 0 ? sampleRate : 1), mode_(mode) {
  if (mode_ == Mode::ownThread) {
    thread_ = std::thread([this] { run(); });
  } else {
    std::lock_guard disk(diskMutex_);
    open();
  }
}

TakeWriter::~TakeWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TakeWriter::receive(std::span<const std::uint8_t> samples) {
  if (mode_ == Mode::whereDelivered) {
    {
      std::lock_guard lock(mutex_);
      received_ += samples.size();
    }
    std::lock_guard disk(diskMutex_);
    write(samples);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    received_ += samples.size();
    if (fault_) return;
    queue_.insert(queue_.end(), samples.begin(), samples.end());
  }
  wake_.notify_one();
}

void TakeWriter::run() {
  {
    std::lock_guard disk(diskMutex_);
    open();
  }
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
    }
    std::lock_guard disk(diskMutex_);
    writeQueued();
  }
}

Result<void> TakeWriter::settle() {
  std::lock_guard disk(diskMutex_);
  // The thread may not have come round to making the file yet.
  open();
  writeQueued();
  if (!broken_) checkpoint();
  if (broken_ && !cut_) {
    std::lock_guard lock(mutex_);
    return failure(fault_.value_or(path_ + ": not written"));
  }
  return success();
}

TakeWriter::Progress TakeWriter::progress() const {
  std::lock_guard lock(mutex_);
  return {received_, durable_, fault_};
}

void TakeWriter::open() {
  if (opened_) return;
  opened_ = true;
  auto created = files_.create(path_);
  if (!created) return fail(created.error().message);
  file_ = std::move(*created);
  const auto header = monoU8WaveHeader(rate_, 0);
  if (auto written = file_->write(0, header); !written) fail(written.error().message);
}

void TakeWriter::writeQueued() {
  {
    std::lock_guard lock(mutex_);
    batch_.swap(queue_);
  }
  write(batch_);
  // Kept with its capacity: a steady take reuses the same two buffers.
  batch_.clear();
}

void TakeWriter::write(std::span<const std::uint8_t> samples) {
  if (broken_ || samples.empty()) return;
  if (written_ + samples.size() > kMostSamples) {
    return fail(path_ + ": the take is too long for a WAV file");
  }
  if (auto done = file_->write(kWaveHeaderBytes + written_, samples); !done) {
    return fail(done.error().message);
  }
  written_ += samples.size();
  if (written_ - counted_ >= static_cast<std::uint64_t>(rate_)) checkpoint();
}

void TakeWriter::checkpoint() {
  const auto header = monoU8WaveHeader(rate_, static_cast<std::uint32_t>(written_));
  if (auto done = file_->write(0, header); !done) return fail(done.error().message);
  if (auto done = file_->sync(); !done) return fail(done.error().message);
  counted_ = written_;
  std::lock_guard lock(mutex_);
  durable_ = counted_;
}

void TakeWriter::fail(const std::string& reason) {
  broken_ = true;
  {
    std::lock_guard lock(mutex_);
    if (!fault_) fault_ = reason;
    queue_.clear();
  }
  if (!file_) return;
  // The take ends at the last second the header counts; a partial write beyond it goes.
  const auto header = monoU8WaveHeader(rate_, static_cast<std::uint32_t>(counted_));
  cut_ = file_->truncate(kWaveHeaderBytes + counted_).ok() && file_->write(0, header).ok() &&
         file_->sync().ok();
}

}  // namespace tv
