#include "platform/posix/serial/serial_catalog.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

namespace tv {
namespace {

namespace fs = std::filesystem;

// Names in a directory, without ever throwing: a missing or unreadable directory is
// simply empty.
std::vector<std::string> entryNames(const fs::path& directory) {
  std::vector<std::string> names;
  std::error_code error;
  fs::directory_iterator it(directory, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  return names;
}

// The number after `prefix` when `name` is exactly the prefix and digits.
std::optional<long> numberAfter(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
    return std::nullopt;
  }
  std::string_view digits = name.substr(prefix.size());
  if (digits.size() > 9) return std::nullopt;
  long number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  return number;
}

std::string firstWordOf(const fs::path& file) {
  std::ifstream in(file);
  std::string word;
  in >> word;
  return word;
}

std::set<std::string> consoleNames(const fs::path& root) {
  std::ifstream in(root / "sys/class/tty/console/active");
  std::set<std::string> names;
  for (std::string name; in >> name;) names.insert(name);
  return names;
}

bool existsQuietly(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

}  // namespace

PosixSerialPortCatalog::PosixSerialPortCatalog(std::string root) : root_(std::move(root)) {}

std::vector<std::string> PosixSerialPortCatalog::availablePorts() const {
  const fs::path root(root_);
  const fs::path dev = root / "dev";
  std::vector<std::string> ports;

  std::vector<std::string> stableNames = entryNames(dev / "serial/by-id");
  std::sort(stableNames.begin(), stableNames.end());
  for (const auto& name : stableNames) {
    // udev removes these links with the device, but a stale one must not be offered.
    if (existsQuietly(dev / "serial/by-id" / name)) ports.push_back("/dev/serial/by-id/" + name);
  }

  const std::set<std::string> consoles = consoleNames(root);
  const std::vector<std::string> devNames = entryNames(dev);
  const auto addNumbered = [&](std::string_view prefix, const auto& isPort) {
    std::vector<std::pair<long, std::string>> found;
    for (const auto& name : devNames) {
      if (auto number = numberAfter(name, prefix);
          number && !consoles.count(name) && isPort(name)) {
        found.emplace_back(*number, name);
      }
    }
    std::sort(found.begin(), found.end());
    for (const auto& entry : found) ports.push_back("/dev/" + entry.second);
  };

  const auto always = [](const std::string&) { return true; };
  addNumbered("ttyUSB", always);
  addNumbered("ttyACM", always);
  // The kernel makes a ttyS node for every UART slot it reserves; sysfs tells which
  // have hardware behind them (type 0 is "unknown", i.e. none), without opening the
  // device, which on a slot without hardware, or on a console, is not harmless.
  addNumbered("ttyS", [&](const std::string& name) {
    const std::string type = firstWordOf(root / "sys/class/tty" / name / "type");
    return !type.empty() && type != "0";
  });
  return ports;
}

}  // namespace tv
