#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"

namespace tv {

enum class LogLevel { Info, Warning, Error };

// The station log: one line per event, "YYYY-MM-DD hh:mm:ss LEVEL area: text" in local
// time, in `tonvogel.log`, rotated at kMaxBytes into `.1` and `.2`, so that a station left
// alone for months keeps the last few megabytes of its history. Lines written before the
// file is opened are kept and written once it is. May be written from any thread.
class Log {
 public:
  explicit Log(const Clock& clock);
  ~Log();
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;

  static constexpr std::uintmax_t kMaxBytes = 1'000'000;
  static constexpr int kFiles = 3;
  static constexpr const char* kFileName = "tonvogel.log";

  // Opens the log in `folder`, or in `fallbackFolder` (created) when `folder` cannot be
  // written. Returns false when neither can; the log then lives on in memory and on
  // standard error only.
  bool open(const std::string& folder, const std::string& fallbackFolder);
  // The file written to; empty while none is open.
  std::string path() const;

  // A copy of every line goes to standard error (for a program without windows, whose
  // standard error is the journal).
  void setEcho(bool on);

  void write(LogLevel level, std::string_view area, std::string_view text);
  void info(std::string_view area, std::string_view text) { write(LogLevel::Info, area, text); }
  void warning(std::string_view area, std::string_view text) {
    write(LogLevel::Warning, area, text);
  }
  void error(std::string_view area, std::string_view text) { write(LogLevel::Error, area, text); }

  // The line as it is written, without its line end; for tests and the notice history.
  std::string format(LogLevel level, std::string_view area, std::string_view text) const;

  // Told of every line written (with the lock held: must not write to the log).
  std::function<void(const std::string& line)> observer;

 private:
  void writeLocked(const std::string& line);
  bool openFileLocked(const std::string& path);
  void rotateLocked();

  const Clock& clock_;
  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::string path_;
  std::uintmax_t size_ = 0;
  bool echo_ = false;
  std::vector<std::string> early_;  // lines before open()
};

const char* logLevelName(LogLevel level);

}  // namespace tv
