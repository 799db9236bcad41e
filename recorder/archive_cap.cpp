#include "recorder/archive_cap.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <tuple>

#include "recorder/capture_name.h"

namespace tv {
namespace fs = std::filesystem;

namespace {

struct Recording {
  // Year, month, day, hour, minute, second of the name: the order of their times.
  std::string when;
  fs::path path;
  std::uint64_t bytes = 0;
};

bool isTreeFolder(const std::string& name) {
  if (name.size() < 3) return false;
  std::string prefix = name.substr(0, 3);
  std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return prefix == "FK_" || prefix == "RC_" || prefix == "RK_";
}

// The time of a recording's name as text that sorts in time order; empty for a file
// that is no recording.
std::string timeOfName(const fs::path& file) {
  const std::string name = file.stem().string() + ".wav";
  if (!isCaptureName(name)) return {};
  return name.substr(8, 4) + name.substr(2, 2) + name.substr(5, 2) + name.substr(13, 2) +
         name.substr(16, 2) + name.substr(19, 2);
}

// Removes the folders that `file`'s deletion left empty, up to the network folder.
void removeEmptied(const fs::path& file, const fs::path& root) {
  std::error_code ec;
  for (fs::path folder = file.parent_path();
       folder.has_parent_path() && folder.parent_path() != root && folder != root;
       folder = folder.parent_path()) {
    if (!fs::is_empty(folder, ec) || ec || !fs::remove(folder, ec)) return;
  }
}

}  // namespace

CapOutcome keepArchiveUnderCap(const std::string& recordingsFolder, const CapRule& rule,
                               std::uint64_t comingBytes, const std::string& spare) {
  CapOutcome outcome;
  const fs::path root = fs::path(recordingsFolder).lexically_normal();
  const std::string spareStem = fs::path(spare).stem().string();
  std::vector<Recording> recordings;
  std::error_code ec;
  for (const auto& network : fs::directory_iterator(root, ec)) {
    std::error_code typeError;
    if (!network.is_directory(typeError) || !isTreeFolder(network.path().filename().string()))
      continue;
    for (auto it = fs::recursive_directory_iterator(network.path(), ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_regular_file(typeError)) continue;
      const std::uint64_t bytes = it->file_size(typeError);
      if (typeError) continue;
      outcome.treeBytes += bytes;
      std::string when = timeOfName(it->path());
      if (!when.empty() && it->path().stem() != spareStem)
        recordings.push_back({std::move(when), it->path(), bytes});
    }
  }
  std::sort(recordings.begin(), recordings.end(), [](const Recording& a, const Recording& b) {
    return std::tie(a.when, a.path) < std::tie(b.when, b.path);
  });

  const std::optional<std::uint64_t> told =
      rule.diskSpace ? rule.diskSpace->freeBytes(root.string()) : std::nullopt;
  const bool knowFree = told.has_value();
  const std::uint64_t free = told.value_or(0);
  std::uint64_t freed = 0;
  const auto overCap = [&] {
    return rule.capBytes > 0 && outcome.treeBytes + comingBytes > rule.capBytes;
  };
  const auto low = [&] {
    return knowFree && free + freed < CapRule::kLeastFreeBytes + comingBytes;
  };
  for (const Recording& oldest : recordings) {
    if (rule.capBytes == 0 || !(overCap() || low())) break;
    std::error_code removeError;
    if (!fs::remove(oldest.path, removeError) || removeError) {
      outcome.problems.push_back(oldest.path.string() + ": " +
                                 (removeError ? removeError.message() : "gone already"));
      continue;
    }
    outcome.deleted.push_back(oldest.path.string());
    outcome.treeBytes -= oldest.bytes;
    freed += oldest.bytes;
    removeEmptied(oldest.path, root);
  }
  outcome.lowOnSpace = low();
  outcome.freeBytes = free + freed;
  outcome.unkept = rule.capBytes > 0 && (overCap() || outcome.lowOnSpace);
  return outcome;
}

}  // namespace tv
