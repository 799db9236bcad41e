#include "platform/log.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tv {

namespace fs = std::filesystem;

namespace {

// Lines kept while no file is open; a program that never gets one keeps the newest.
constexpr std::size_t kEarlyLines = 1000;

// One event, one line: a line break in a message would make the next reader take its
// second half for an event of its own.
std::string oneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      while (!line.empty() && line.back() == ' ') line.pop_back();
      if (!line.empty()) line += " / ";
      while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
    } else {
      line += c;
    }
  }
  while (!line.empty() && (line.back() == ' ' || line.back() == '/')) line.pop_back();
  return line;
}

}  // namespace

const char* logLevelName(LogLevel level) {
  switch (level) {
    case LogLevel::Info:
      return "INFO";
    case LogLevel::Warning:
      return "WARNING";
    case LogLevel::Error:
      return "ERROR";
  }
  return "INFO";
}

Log::Log(const Clock& clock) : clock_(clock) {}

Log::~Log() {
  if (file_) std::fclose(file_);
}

std::string Log::format(LogLevel level, std::string_view area, std::string_view text) const {
  const LocalDateTime t = clock_.localNow();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  std::string line = stamp;
  line += ' ';
  line += logLevelName(level);
  line += ' ';
  line += area;
  line += ": ";
  line += oneLine(text);
  return line;
}

bool Log::open(const std::string& folder, const std::string& fallbackFolder) {
  std::lock_guard lock(mutex_);
  bool opened = !folder.empty() && openFileLocked((fs::path(folder) / kFileName).string());
  if (!opened && !fallbackFolder.empty()) {
    std::error_code ec;
    fs::create_directories(fallbackFolder, ec);
    opened = openFileLocked((fs::path(fallbackFolder) / kFileName).string());
  }
  if (!opened) return false;
  std::vector<std::string> early;
  early.swap(early_);
  for (const std::string& line : early) {
    const bool echo = echo_;
    echo_ = false;  // already echoed when it was written
    writeLocked(line);
    echo_ = echo;
  }
  return true;
}

bool Log::openFileLocked(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "ae");
  if (!file) return false;
  if (file_) std::fclose(file_);
  file_ = file;
  path_ = path;
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  size_ = ec ? 0 : size;
  return true;
}

std::string Log::path() const {
  std::lock_guard lock(mutex_);
  return path_;
}

void Log::setEcho(bool on) {
  std::lock_guard lock(mutex_);
  echo_ = on;
}

void Log::write(LogLevel level, std::string_view area, std::string_view text) {
  const std::string line = format(level, area, text);
  std::lock_guard lock(mutex_);
  writeLocked(line);
}

void Log::writeLocked(const std::string& line) {
  if (echo_) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
  }
  if (observer) observer(line);
  if (!file_) {
    if (early_.size() >= kEarlyLines) early_.erase(early_.begin());
    early_.push_back(line);
    return;
  }
  if (size_ > 0 && size_ + line.size() + 1 > kMaxBytes) rotateLocked();
  if (!file_) return;
  // Flushed at once: the line that matters most is the last one before a crash.
  if (std::fprintf(file_, "%s\n", line.c_str()) > 0) size_ += line.size() + 1;
  std::fflush(file_);
}

void Log::rotateLocked() {
  std::fclose(file_);
  file_ = nullptr;
  std::error_code ec;
  for (int n = kFiles - 1; n >= 1; --n) {
    const std::string from = n == 1 ? path_ : path_ + "." + std::to_string(n - 1);
    const std::string to = path_ + "." + std::to_string(n);
    fs::rename(from, to, ec);
  }
  // A file that cannot be moved aside is started again rather than grown without bound.
  file_ = std::fopen(path_.c_str(), ec ? "we" : "ae");
  size_ = 0;
}

}  // namespace tv
