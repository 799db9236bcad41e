#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/timer.h"

namespace tv {

class Program;
class CaptureStream;

// The busy-channel lockout: before an automatic sender keys, the receiver's level must
// have stayed at or below the start threshold for the last 500 ms, and the sender waits
// for that at most the busy-channel wait (settings line 40; 0 = off).
//
// While the recorder is on the meter's own level is the measure, and a channel that has
// been quiet needs no wait at all. While it is off the input is opened for the wait and
// closed again, so a clear channel costs the 500 ms of listening. Without an input the
// lockout is off (told once). One wait at a time; GUI thread only.
class ChannelWatch {
 public:
  explicit ChannelWatch(Program& program);
  ~ChannelWatch();
  ChannelWatch(const ChannelWatch&) = delete;
  ChannelWatch& operator=(const ChannelWatch&) = delete;

  static constexpr std::int64_t kClearMs = 500;

  // Calls `clear` once the channel is clear (at once when the lockout is off, before
  // this returns), or `busy` when the wait has run out first.
  void await(std::function<void()> clear, std::function<void()> busy);
  void cancel();
  bool waiting() const { return timer_.enabled(); }

 private:
  void poll();
  // The monotonic time from which the channel has been quiet; -1 while nothing can tell.
  std::int64_t quietSince();
  // Reads what the own input delivered since the last look.
  void listen();
  void closeInput();
  void finish(bool clear);

  Program& p_;
  Timer timer_;
  std::function<void()> clear_;
  std::function<void()> busy_;
  std::int64_t startMs_ = 0;
  std::shared_ptr<CaptureStream> input_;
  std::uint64_t readFrom_ = 0;
  float envelope_ = 0;
  std::int64_t openedMs_ = 0;
  std::int64_t lastSignalMs_ = 0;
};

}  // namespace tv
