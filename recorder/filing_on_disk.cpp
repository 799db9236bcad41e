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

std::optional<std::string> recordingAt(const std::string& folderAndStem) {
  std::error_code ec;
  for (ArchiveFormat format :
       {ArchiveFormat::Wav, ArchiveFormat::Flac, ArchiveFormat::Opus, ArchiveFormat::Mp3}) {
    const std::string path = folderAndStem + std::string(archiveExtension(format));
    if (fs::exists(path, ec)) return path;
  }
  // Ogg Opus as other programs name it.
  if (fs::exists(folderAndStem + ".ogg", ec)) return folderAndStem + ".ogg";
  return std::nullopt;
}

std::optional<std::string> treeCopyOf(const std::string& captureName,
                                      const std::string& recordingsFolder) {
  const std::string stem = fs::path(captureName).stem().string();
  for (int language : {1, 2, 3}) {
    const auto folders = documentationFolders(captureName, language);
    if (!folders) return std::nullopt;
    fs::path at(recordingsFolder);
    for (const std::string& folder : *folders) at /= folder;
    if (auto found = recordingAt((at / stem).string())) return found;
  }
  return std::nullopt;
}

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
                                        const TreeFormat& format, std::string* reason,
                                        std::string* made) {
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
    const ArchiveFormat inForce = format.inForce();
    const std::string target =
        *at + "/" + fs::path(name).stem().string() + std::string(archiveExtension(inForce));
    const Result<void> copied = inForce == ArchiveFormat::Wav
                                    ? copyFileAtomically(source, target)
                                    : format.writer->write(source, target, inForce);
    if (!copied) {
      problem = {copied.error().message, reasonAlone(copied.error().message)};
    } else {
      if (made) *made = target;
      return std::nullopt;
    }
  }
  if (reason) *reason = problem.reason;
  return problem.text;
}

std::vector<std::string> retryTreeCopies(const std::vector<std::string>& owed, int languageIndex,
                                         const TreeFormat& format) {
  std::vector<std::string> settled;
  for (const std::string& path : owed) {
    const fs::path copy(path);
    const std::string name = copy.filename().string();
    const std::string recordingsFolder = copy.parent_path().parent_path().string();
    std::error_code ec;
    if (!fs::is_regular_file(copy, ec) || treeCopyOf(name, recordingsFolder) ||
        !copyIntoTree(path, name, recordingsFolder, languageIndex, format)) {
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

  // Room for the tree's copy, as large as the wave at most, and then for what it
  // really took: a compressed size is known only once written.
  const std::uintmax_t waveBytes = fs::file_size(job.workingFile, ec);
  result.cap = keepArchiveUnderCap(job.recordingsFolder, job.cap,
                                   job.logging && !ec ? waveBytes : 0, job.name);
  if (job.logging) {
    result.treeProblem =
        copyIntoTree(job.workingFile, job.name, job.recordingsFolder, job.languageIndex,
                     job.treeFormat, &result.treeReason, &result.treePath);
    result.treeCopied = !result.treeProblem;
    if (result.treeCopied && job.cap.capBytes > 0) {
      CapOutcome settled = keepArchiveUnderCap(job.recordingsFolder, job.cap, 0, job.name);
      settled.deleted.insert(settled.deleted.begin(), result.cap.deleted.begin(),
                             result.cap.deleted.end());
      settled.problems.insert(settled.problems.begin(), result.cap.problems.begin(),
                              result.cap.problems.end());
      result.cap = std::move(settled);
    }
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

  if (job.logging)
    result.treeSettled = retryTreeCopies(job.treeOwed, job.languageIndex, job.treeFormat);
  return result;
}

}  // namespace tv
