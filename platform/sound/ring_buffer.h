#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tv {

// Single-producer ring of unsigned 8-bit samples addressed by their stream
// position (0 = the first sample ever written). The producer never waits: it
// overwrites the oldest samples. The consumer reads by position and learns
// exactly which samples it lost, so no sample is ever dropped or doubled
// without the reader knowing. Slots are relaxed atomics, which makes a read
// that races with an overwrite well defined; the read then discards what the
// producer may have replaced during the copy.
class RingBuffer {
 public:
  // `capacity` is rounded up to a power of two.
  explicit RingBuffer(std::size_t capacity);

  std::size_t capacity() const { return mask_ + 1; }

  // Producer side.
  void write(std::span<const std::uint8_t> samples);

  // Consumer side: number of samples written so far.
  std::uint64_t written() const { return written_.load(std::memory_order_acquire); }

  struct ReadResult {
    std::uint64_t first = 0;  // stream position of out[0]; above `from` when samples were lost
    std::size_t count = 0;    // samples copied to the front of `out`
  };

  // Copies the samples from position `from` on that are still held, up to
  // out.size() of them and no further than what has been written.
  ReadResult read(std::uint64_t from, std::span<std::uint8_t> out) const;

  // The newest out.size() samples (at most capacity()), oldest first; the
  // front is filled with `fill` where fewer have been written.
  void readNewest(std::span<std::uint8_t> out, std::uint8_t fill) const;

 private:
  std::size_t mask_;
  std::unique_ptr<std::atomic<std::uint8_t>[]> slots_;
  std::atomic<std::uint64_t> written_{0};
  // Where the producer's current write will end; announced before any slot
  // is overwritten so that a reader can tell what it may have lost.
  std::atomic<std::uint64_t> claimed_{0};
};

}  // namespace tv
