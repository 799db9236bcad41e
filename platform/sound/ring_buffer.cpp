#include "platform/sound/ring_buffer.h"

#include <algorithm>
#include <bit>

namespace tv {

RingBuffer::RingBuffer(std::size_t capacity)
    : mask_(std::bit_ceil(std::max<std::size_t>(capacity, 2)) - 1),
      slots_(new std::atomic<std::uint8_t>[mask_ + 1]) {
  for (std::size_t i = 0; i <= mask_; ++i) slots_[i].store(0, std::memory_order_relaxed);
}

void RingBuffer::write(std::span<const std::uint8_t> samples) {
  std::uint64_t position = written_.load(std::memory_order_relaxed);
  // Only the last capacity() samples of a long write can survive it.
  const std::size_t skip = samples.size() > capacity() ? samples.size() - capacity() : 0;
  claimed_.store(position + samples.size(), std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  std::uint64_t slot = position + skip;
  for (std::size_t i = skip; i < samples.size(); ++i, ++slot) {
    slots_[slot & mask_].store(samples[i], std::memory_order_relaxed);
  }
  written_.store(position + samples.size(), std::memory_order_release);
}

RingBuffer::ReadResult RingBuffer::read(std::uint64_t from, std::span<std::uint8_t> out) const {
  const std::uint64_t end = written();
  const std::uint64_t oldest = end > capacity() ? end - capacity() : 0;
  ReadResult result;
  result.first = std::max(from, oldest);
  if (result.first >= end) {
    result.first = std::max(from, end);
    return result;
  }
  const std::size_t count =
      static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), end - result.first));
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = slots_[(result.first + i) & mask_].load(std::memory_order_relaxed);
  }
  std::atomic_thread_fence(std::memory_order_acquire);
  // Whatever the producer reached meanwhile may have overwritten our front.
  const std::uint64_t endAfter = claimed_.load(std::memory_order_relaxed);
  const std::uint64_t oldestAfter = endAfter > capacity() ? endAfter - capacity() : 0;
  if (oldestAfter > result.first) {
    const std::size_t lost =
        static_cast<std::size_t>(std::min<std::uint64_t>(count, oldestAfter - result.first));
    std::copy(out.begin() + lost, out.begin() + count, out.begin());
    result.first += lost;
    result.count = count - lost;
  } else {
    result.count = count;
  }
  return result;
}

void RingBuffer::readNewest(std::span<std::uint8_t> out, std::uint8_t fill) const {
  const std::size_t wanted = std::min(out.size(), capacity());
  const std::uint64_t end = written();
  const std::uint64_t from = end > wanted ? end - wanted : 0;
  const std::size_t missing = out.size() - static_cast<std::size_t>(end - from);
  std::fill(out.begin(), out.begin() + missing, fill);
  const ReadResult got = read(from, out.subspan(missing));
  if (got.count < end - from) {
    // Overtaken while copying: the newest samples are newer still, but a
    // meter is content with what survived; keep the block full.
    const std::size_t gap = static_cast<std::size_t>(end - from) - got.count;
    std::copy_backward(out.begin() + missing, out.begin() + missing + got.count, out.end());
    std::fill(out.begin() + missing, out.begin() + missing + gap, fill);
  }
}

}  // namespace tv
