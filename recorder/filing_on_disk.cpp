#include "recorder/filing_on_disk.h"

#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/sound/wav_file.h"
#include "player/wav/wav_reader.h"
#include "recorder/capture_name.h"

namespace tv {
namespace fs = std::filesystem;

namespace {

struct FolderProblem {
  std::string text;    // with the folder's path
  std::string reason;  // the reason alone
};

// Makes `name` inside `folder` unless a folder of that name exists already, in whatever
// case it was written.
std::optional<std::string> folderIn(const std::string& folder, const std::string& name,
                                    FolderProblem& problem) {
  const std::string path = findCaseInsensitive(folder, name);
  std::error_code ec;
  if (fs::is_directory(path, ec)) return path;
  fs::create_directory(path, ec);
  if (!ec && !fs::is_directory(path, ec)) ec = std::make_error_code(std::errc::not_a_directory);
  if (ec) {
    problem = {path + ": " + ec.message(), ec.message()};
    return std::nullopt;
  }
  return path;
}

// The reason of a "path: reason" message, so that every recording failing alike is one
// cause.
std::string reasonAlone(const std::string& message) {
  const std::string::size_type colon = message.rfind(": ");
  return colon == std::string::npos ? message : message.substr(colon + 2);
}

}  // namespace

std::optional<FolderGone> recordingsFolderGone(const std::string& recordingsFolder,
                                               bool hadCollectingFolder) {
  std::error_code ec;
  if (recordingsFolder.empty() || !fs::is_directory(recordingsFolder, ec)) {
    return FolderGone::missing;
  }
  if (hadCollectingFolder && !fs::is_directory(findCaseInsensitive(recordingsFolder, "W"), ec)) {
    return FolderGone::collectingFolderMissing;
  }
  return std::nullopt;
}

std::optional<std::string> copyIntoTree(const std::string& source, const std::string& name,
                                        const std::string& recordingsFolder, int languageIndex,
                                        std::string* reason) {
  const auto folders = documentationFolders(name, languageIndex);
  if (!folders) {
    if (reason) *reason = "no folder names for language " + std::to_string(languageIndex);
    return name + ": no folder names for language " + std::to_string(languageIndex);
  }
  FolderProblem problem;
  std::optional<std::string> at = recordingsFolder;
  for (std::size_t i = 0; at && i < folders->size(); ++i)
    at = folderIn(*at, (*folders)[i], problem);
  if (at) {
    if (auto copied = copyFileAtomically(source, *at + "/" + name); !copied) {
      problem = {copied.error().message, reasonAlone(copied.error().message)};
    } else {
      return std::nullopt;
    }
  }
  if (reason) *reason = problem.reason;
  return problem.text;
}

std::vector<std::string> retryTreeCopies(const std::vector<std::string>& owed, int languageIndex) {
  std::vector<std::string> settled;
  for (const std::string& path : owed) {
    const fs::path copy(path);
    std::error_code ec;
    if (!fs::is_regular_file(copy, ec) ||
        !copyIntoTree(path, copy.filename().string(), copy.parent_path().parent_path().string(),
                      languageIndex)) {
      settled.push_back(path);
    }
  }
  return settled;
}

FilingResult performFiling(FilingJob& job) {
  FilingResult result;
  std::error_code ec;
  if (job.take) {
    const Result<void> settled = job.take->settle();
    // Closes the file before it is copied.
    job.take.reset();
    if (!settled) {
      result.saveProblem = settled.error().message;
      result.workingFileLeft = fs::is_regular_file(job.workingFile, ec);
      return result;
    }
  }
  if (job.discard) {
    fs::remove(job.workingFile, ec);
    result.workingFileLeft = false;
    return result;
  }
  if (job.leftover) {
    // A take cut short by a crash or a power cut has a header that counts only the
    // seconds synced before it; its sound runs to the end of the file.
    const Result<bool> repaired = completeWaveHeader(job.workingFile);
    if (repaired) {
      result.repaired = *repaired;
    } else if (fs::file_size(job.workingFile, ec) <= kWaveHeaderBytes && !ec) {
      // Made, but nothing written into it: there is no sound to keep.
      fs::remove(job.workingFile, ec);
      result.emptyRemoved = true;
      result.workingFileLeft = false;
      return result;
    } else {
      // Not a header this program writes: filed as it is.
      result.repairProblem = repaired.error().message;
    }
  }

  HeaderFieldTable fields;
  result.seconds = ReadHeaderFields(job.workingFile, fields);
  if (job.minimumSeconds >= 0 && !(result.seconds > job.minimumSeconds)) {
    result.tooShort = true;
    return result;
  }

  result.vanished = recordingsFolderGone(job.recordingsFolder, job.hadCollectingFolder);
  if (result.vanished) return result;

  if (job.logging) {
    result.treeProblem = copyIntoTree(job.workingFile, job.name, job.recordingsFolder,
                                      job.languageIndex, &result.treeReason);
    result.treeCopied = !result.treeProblem;
  }

  FolderProblem problem;
  if (const auto collecting = folderIn(job.recordingsFolder, "W", problem)) {
    const std::string target = *collecting + "/" + job.name;
    if (auto copied = copyFileAtomically(job.workingFile, target); copied) {
      result.collected = true;
      result.collectedPath = target;
    } else {
      result.collectProblem = copied.error().message;
      result.collectReason = reasonAlone(copied.error().message);
    }
  } else {
    result.collectProblem = problem.text;
    result.collectReason = problem.reason;
  }

  if (job.logging) result.treeSettled = retryTreeCopies(job.treeOwed, job.languageIndex);
  return result;
}

}  // namespace tv
