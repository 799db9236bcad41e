#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/result.h"
#include "platform/sound.h"
#include "platform/take_file.h"

namespace tv {

// Writes one take into its working file while it is heard: the 44-byte header first,
// the samples behind it as they arrive, and after every second of sound the header
// completed and the file synced, so that a crash or a power cut loses at most the last
// second. Memory stays the same however long the take: only what the disk has not yet
// taken is held.
//
// A write error (a full disk) stops the writing: the file is cut back to the last second
// the header counts and nothing more is written; progress() then names the fault.
class TakeWriter final : public CaptureSink {
 public:
  enum class Mode {
    // A thread of the writer's own does the disk work: the capture thread that delivers
    // never waits for the disk.
    ownThread,
    // Whoever delivers or settles does it: a test's input, delivered on the test's own
    // thread, then gives the same file at the same moment every run.
    whereDelivered,
  };

  // Makes the file at once (on the writer's thread, or here).
  TakeWriter(TakeFiles& files, std::string path, int sampleRate, Mode mode);
  // Stops writing; what has not been settled may be missing. The file stays.
  ~TakeWriter() override;
  TakeWriter(const TakeWriter&) = delete;
  TakeWriter& operator=(const TakeWriter&) = delete;

  const std::string& path() const { return path_; }
  int sampleRate() const { return rate_; }

  void receive(std::span<const std::uint8_t> samples) override;

  // Writes all that was received, completes the header and syncs; waits for the disk.
  // From any thread. Ok when the file is a complete WAV file of everything received, or,
  // after a fault, of the part up to the last whole second.
  Result<void> settle();

  struct Progress {
    std::uint64_t received = 0;  // samples handed to the writer
    std::uint64_t durable = 0;   // samples on the medium, counted by its header
    std::optional<std::string> fault;
  };
  Progress progress() const;

 private:
  void run();
  // The disk side, with diskMutex_ held. open() makes the file the first time only.
  void open();
  void writeQueued();
  void write(std::span<const std::uint8_t> samples);
  void checkpoint();
  void fail(const std::string& reason);

  TakeFiles& files_;
  const std::string path_;
  const int rate_;
  const Mode mode_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<std::uint8_t> queue_;  // received, not yet taken by the disk side
  std::uint64_t received_ = 0;
  std::uint64_t durable_ = 0;
  std::optional<std::string> fault_;
  bool stopping_ = false;

  std::mutex diskMutex_;
  bool opened_ = false;
  std::unique_ptr<TakeFile> file_;
  std::vector<std::uint8_t> batch_;
  std::uint64_t written_ = 0;  // samples in the file
  std::uint64_t counted_ = 0;  // samples the header on the medium counts
  bool broken_ = false;        // a fault stopped the writing
  bool cut_ = false;           // after the fault the file was cut back to counted_

  std::thread thread_;
};

}  // namespace tv
