#include "platform/posix/serial/port_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace tv {
namespace {

std::optional<std::string> readSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text(64, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

bool processAlive(long pid) {
  // EPERM: it exists, under another user.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

std::optional<unsigned long> numberIn(std::string_view text, int base) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  unsigned long value = 0;
  for (char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) return std::nullopt;
    value = value * static_cast<unsigned long>(base) + static_cast<unsigned long>(digit);
  }
  return value;
}

std::string systemMessage(int error) {
  return std::strerror(error);
}

// Who holds the device node by a lock in the kernel's table; nothing when no one does.
std::optional<std::string> kernelLockHolder(const std::string& device) {
  struct stat node {};
  if (::stat(device.c_str(), &node) != 0) return std::nullopt;
  std::ifstream in("/proc/locks");
  std::stringstream table;
  table << in.rdbuf();
  const auto pid = lockHolderIn(table.str(), major(node.st_dev), minor(node.st_dev), node.st_ino);
  if (!pid) return std::nullopt;
  if (*pid <= 0) return std::string("another program (a lock on the device)");
  return processName(*pid);
}

}  // namespace

std::string uucpLockName(std::string_view device) {
  constexpr std::string_view dev = "/dev/";
  if (device.substr(0, dev.size()) == dev) device.remove_prefix(dev.size());
  while (!device.empty() && device.front() == '/') device.remove_prefix(1);
  std::string name = "LCK..";
  for (char c : device) name += c == '/' ? '_' : c;
  return name;
}

std::optional<long> pidInLockFile(std::string_view content) {
  if (content.size() == 4) {
    // The old binary form: a native int. Four characters of text ("123\n") read as text.
    bool text = true;
    for (char c : content)
      if (!((c >= '0' && c <= '9') || c == ' ' || c == '\n')) text = false;
    if (!text) {
      int pid = 0;
      std::memcpy(&pid, content.data(), sizeof pid);
      if (pid > 0) return pid;
      return std::nullopt;
    }
  }
  std::size_t i = 0;
  while (i < content.size() && (content[i] == ' ' || content[i] == '\t')) ++i;
  std::size_t end = i;
  while (end < content.size() && content[end] >= '0' && content[end] <= '9') ++end;
  const auto number = numberIn(content.substr(i, end - i), 10);
  if (!number || *number == 0 || *number > 0x7fffffffUL) return std::nullopt;
  return static_cast<long>(*number);
}

std::optional<long> lockHolderIn(std::string_view procLocks, unsigned fsMajor, unsigned fsMinor,
                                 unsigned long inode) {
  std::istringstream lines{std::string(procLocks)};
  for (std::string line; std::getline(lines, line);) {
    // "1: FLOCK  ADVISORY  WRITE 4711 00:1a:4 0 EOF"; a waiter has "->" after the number.
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word && w.size() < 6;) w.push_back(word);
    if (w.size() < 6 || w[1] == "->") continue;
    if (w[1] != "FLOCK" && w[1] != "POSIX" && w[1] != "OFDLCK") continue;
    const std::string& id = w[5];
    const auto first = id.find(':');
    const auto second = id.find(':', first == std::string::npos ? first : first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    // The kernel writes the device numbers in hexadecimal, the inode in decimal.
    const auto maj = numberIn(std::string_view(id).substr(0, first), 16);
    const auto min = numberIn(std::string_view(id).substr(first + 1, second - first - 1), 16);
    const auto ino = numberIn(std::string_view(id).substr(second + 1), 10);
    if (!maj || !min || !ino || *maj != fsMajor || *min != fsMinor || *ino != inode) continue;
    if (w[4] == "-1") return -1;
    const auto pid = numberIn(w[4], 10);
    return pid ? static_cast<long>(*pid) : -1;
  }
  return std::nullopt;
}

std::string processName(long pid, std::string_view more) {
  std::string number = "PID " + std::to_string(pid);
  const std::string detail = more.empty() ? std::string() : ", " + std::string(more);
  auto name = readSmallFile("/proc/" + std::to_string(pid) + "/comm");
  while (name && !name->empty() && (name->back() == '\n' || name->back() == ' ')) name->pop_back();
  if (!name || name->empty())
    return more.empty() ? number : number + " (" + std::string(more) + ")";
  return *name + " (" + number + detail + ")";
}

PortLock::PortLock(std::string folder) : folder_(std::move(folder)) {}

PortLock::~PortLock() {
  release();
}

Result<void> PortLock::claim(const std::string& device) {
  release();
  remark_.clear();
  if (auto holder = kernelLockHolder(device)) return failure(*holder);
  const std::string path = folder_ + "/" + uucpLockName(device);
  // A lock file is made with O_EXCL, so that of two programs claiming at once one wins;
  // a stale file is removed and the claim tried again, a few times at most.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
      char text[16];
      const int length = std::snprintf(text, sizeof text, "%10ld\n", static_cast<long>(::getpid()));
      const bool written = ::write(fd, text, static_cast<std::size_t>(length)) == length;
      ::close(fd);
      if (!written) {
        ::unlink(path.c_str());
        remark_ = "Cannot write the lock file " + path + ".";
        return success();
      }
      owned_ = path;
      return success();
    }
    if (errno != EEXIST) {
      // No rights in the lock folder (the user is not in the group that owns it), or
      // no such folder: other programs cannot see our claim, but we may still key.
      remark_ = "Cannot write the lock file " + path + " (" + systemMessage(errno) + ").";
      return success();
    }
    const auto content = readSmallFile(path);
    if (!content) continue;  // removed in the meantime
    const auto pid = pidInLockFile(*content);
    if (!pid) return failure("an unknown program (lock file " + path + ")");
    if (processAlive(*pid)) return failure(processName(*pid, "lock file " + path));
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      remark_ = "Cannot remove the stale lock file " + path + " (" + systemMessage(errno) + ").";
      return success();
    }
  }
  remark_ = "Cannot claim the lock file " + path + ": it keeps coming back.";
  return success();
}

void PortLock::release() {
  if (owned_.empty()) return;
  // Only while it is still ours: a file someone replaced after we wrote it stays.
  if (const auto content = readSmallFile(owned_);
      content && pidInLockFile(*content) == static_cast<long>(::getpid()))
    ::unlink(owned_.c_str());
  owned_.clear();
}

}  // namespace tv
