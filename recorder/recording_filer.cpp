#include "recorder/recording_filer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/files.h"
#include "recorder/capture_name.h"

namespace tv {
namespace fs = std::filesystem;

namespace {

// How long the end waits for a command after a recording that is told to end (it gets a
// second before it is killed).
constexpr std::int64_t kCommandEndMs = 2000;
constexpr std::string_view kVanishedCause = "filing.vanished";
constexpr std::string_view kTreeCausePrefix = "filing.tree:";
constexpr std::string_view kKeptCausePrefix = "filing.kept:";
constexpr std::string_view kCapUnkeptCause = "archive.unkept";
constexpr std::string_view kLowOnSpaceCause = "archive.low";

std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::string normal(const std::string& path) {
  return fs::path(path).lexically_normal().string();
}

}  // namespace

RecordingFiler::RecordingFiler(Program& program) : afterRecording(program), p_(program) {}

RecordingFiler::~RecordingFiler() = default;

Worker& RecordingFiler::worker() {
  // Made on first use: the program is complete by then (a test's slow worker runs on its
  // timers).
  if (!worker_) worker_ = p_.makeWorker("filing");
  return *worker_;
}

std::string RecordingFiler::collectingFolder() const {
  return findCaseInsensitive(p_.recordingsFolder, "W");
}

void RecordingFiler::loadState() {
  if (stateLoaded_) return;
  stateLoaded_ = true;
  treeOwed_ = readLines(p_.programFolder + "/" + kTreeOwedFile);
  const auto last = readLines(p_.programFolder + "/" + kLastFilingFile);
  if (!last.empty()) lastFilingFolder_ = last.front();
}

void RecordingFiler::saveTreeOwed() {
  std::string text;
  for (const std::string& path : treeOwed_) text += path + "\n";
  const std::string file = p_.programFolder + "/" + kTreeOwedFile;
  std::error_code ec;
  if (treeOwed_.empty()) {
    fs::remove(file, ec);
  } else if (auto written = writeFileAtomically(file, text); !written) {
    p_.log.error("filing", file + ": " + written.error().message);
  }
}

void RecordingFiler::filedInto(const std::string& recordingsFolder) {
  if (normal(recordingsFolder) == normal(lastFilingFolder_)) return;
  lastFilingFolder_ = recordingsFolder;
  const std::string file = p_.programFolder + "/" + kLastFilingFile;
  if (auto written = writeFileAtomically(file, recordingsFolder + "\n"); !written) {
    p_.log.error("filing", file + ": " + written.error().message);
  }
}

bool RecordingFiler::folderVanished(const std::string& recordingsFolder) {
  loadState();
  return recordingsFolderGone(recordingsFolder,
                              normal(recordingsFolder) == normal(lastFilingFolder_))
      .has_value();
}

const std::vector<std::string>& RecordingFiler::treeOwed() {
  loadState();
  return treeOwed_;
}

bool RecordingFiler::treeCopyOwed(const std::string& path) {
  const std::string wanted = normal(path);
  const auto& owed = treeOwed();
  return std::any_of(owed.begin(), owed.end(),
                     [&](const std::string& p) { return normal(p) == wanted; });
}

bool RecordingFiler::nameInUse(const std::string& name) const {
  if (inFlight_.count(name) > 0) return true;
  const std::string stem = fs::path(name).stem().string();
  return recordingAt(stem) || recordingAt((fs::path(collectingFolder()) / stem).string()) ||
         treeCopyOf(name, p_.recordingsFolder);
}

FilingJob RecordingFiler::jobFor(const std::string& name) const {
  FilingJob job;
  job.name = name;
  std::error_code ec;
  job.workingFile = fs::absolute(name, ec).string();
  if (ec) job.workingFile = name;
  job.minimumSeconds = p_.minRecordTenths / 10;
  job.recordingsFolder = p_.recordingsFolder;
  job.hadCollectingFolder = normal(p_.recordingsFolder) == normal(lastFilingFolder_);
  job.logging = p_.loggingFlag == 1;
  job.languageIndex = p_.languageIndex;
  job.treeFormat = {p_.archiveFormat, p_.platform.archiveWriter};
  job.cap.capBytes = static_cast<std::uint64_t>(p_.archiveCapMb) * 1024 * 1024;
  job.cap.diskSpace = p_.platform.diskSpace;
  if (job.logging) job.treeOwed = treeOwed_;
  return job;
}

void RecordingFiler::submit(FilingJob job) {
  inFlight_.insert(job.name);
  auto shared = std::make_shared<FilingJob>(std::move(job));
  worker().run<FilingResult>([shared] { return performFiling(*shared); },
                             [this, shared](FilingResult result) { reported(*shared, result); });
}

void RecordingFiler::takeClosed(const std::string& name, Mci::ClosedTake closed) {
  loadState();
  // Leftovers first: they are older, and a folder that was gone may be back.
  if (closed.saved) fileLeftovers(false);
  FilingJob job = jobFor(name);
  job.take = std::move(closed.take);
  job.discard = !closed.saved;
  if (job.discard) job.treeOwed.clear();
  submit(std::move(job));
}

void RecordingFiler::fileLeftovers(bool atStartUp) {
  // A copy that does not hold the folder's lock would take the working files of the
  // copy that does, in the middle of their takes.
  if (ending_ || !p_.holdsFolderLock) return;
  loadState();
  std::error_code ec;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(".", ec)) {
    const std::string name = entry.path().filename().string();
    std::error_code typeError;
    if (entry.is_regular_file(typeError) && isCaptureName(name) && inFlight_.count(name) == 0)
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    FilingJob job = jobFor(name);
    job.leftover = true;
    job.minimumSeconds = -1;
    job.treeOwed.clear();
    if (atStartUp) {
      // Before the list is read, so that it is listed and counted with the others.
      FilingResult result = performFiling(job);
      reported(job, result);
    } else {
      submit(std::move(job));
    }
  }
}

void RecordingFiler::retryTreeCopies() {
  loadState();
  if (p_.loggingFlag != 1 || treeOwed_.empty()) return;
  const std::vector<std::string> owed = treeOwed_;
  const int language = p_.languageIndex;
  const TreeFormat format{p_.archiveFormat, p_.platform.archiveWriter};
  worker().run<std::vector<std::string>>(
      [owed, language, format] { return tv::retryTreeCopies(owed, language, format); },
      [this](std::vector<std::string> settled) { settleTreeCopies(settled); });
}

void RecordingFiler::finish(std::int64_t limitMs) {
  if (worker_ && !worker_->finish(limitMs)) {
    p_.log.warning("filing", std::to_string(worker_->pending()) +
                                 " filings not done in time: their recordings stay in the "
                                 "working directory for the next start");
  }
  afterRecording.programEnds();
  afterRecording.finish(kCommandEndMs);
}

void RecordingFiler::reported(const FilingJob& job, const FilingResult& result) {
  inFlight_.erase(job.name);
  if (job.discard) return;
  if (result.repaired)
    p_.log.info("filing", job.name + ": header completed from the file's length");
  if (result.emptyRemoved) p_.log.info("filing", job.name + ": empty working file removed");
  if (result.repairProblem) p_.log.warning("filing", *result.repairProblem);
  if (result.emptyRemoved) return;
  if (result.saveProblem) {
    if (result.workingFileLeft) {
      p_.notice("recorder", p_.ownMessage(OwnText::RecordingSaveKept,
                                          {job.name, *result.saveProblem,
                                           fs::path(job.workingFile).parent_path().string()}));
    } else {
      p_.notice("recorder",
                p_.ownMessage(OwnText::RecordingSaveFailed, {job.name, *result.saveProblem}));
    }
    return;
  }
  if (result.tooShort) {
    deleteWorkingFile(job.workingFile);
    return;
  }
  if (result.vanished) {
    tellVanished(job, *result.vanished);
    return;
  }
  p_.notices.clear(kVanishedCause);

  keptUnderCap(job, result.cap);
  if (result.treeProblem) {
    treeCopyFailed(job, result);
  } else if (result.treeCopied) {
    for (const std::string& cause : treeCauses_) p_.notices.clear(cause);
    treeCauses_.clear();
  }
  settleTreeCopies(result.treeSettled);

  if (!result.collected) {
    keepWorkingFile(job, result);
    return;
  }
  for (const std::string& cause : keptCauses_) p_.notices.clear(cause);
  keptCauses_.clear();
  filedInto(job.recordingsFolder);
  p_.soundFileCount += 1;
  p_.frm_DoKu.sb.setPanelText(2, numberText(p_.soundFileCount));
  p_.recorder.fileRecorded(result.collectedPath, result.seconds);
  deleteWorkingFile(job.workingFile);
  std::error_code ec;
  const std::string collected = fs::absolute(result.collectedPath, ec).string();
  afterRecording.recordingFiled(
      {result.treeCopied ? fs::absolute(result.treePath, ec).string() : collected, collected,
       fs::path(job.name).stem().string(), result.seconds});
  p_.log.info("filing",
              job.name + " filed in " + fs::path(result.collectedPath).parent_path().string());
  if (job.leftover) p_.notice("filing", p_.ownMessage(OwnText::LeftoverFiled, {job.name}));
}

void RecordingFiler::keptUnderCap(const FilingJob& job, const CapOutcome& cap) {
  for (const std::string& path : cap.deleted)
    p_.log.info("archive", path + " deleted to keep the archive under its cap");
  for (const std::string& problem : cap.problems) p_.log.warning("archive", problem);
  const std::string freeMb = std::to_string(cap.freeBytes / (1024 * 1024));
  const std::string capMb = std::to_string(job.cap.capBytes / (1024 * 1024));
  // A cap that can no longer be kept says more than a disk low on space: one of them.
  if (cap.unkept) {
    p_.notices.tellOnce(
        kCapUnkeptCause, "archive",
        p_.ownMessage(OwnText::ArchiveCapUnkept, {job.recordingsFolder, freeMb, capMb}));
  } else {
    p_.notices.clear(kCapUnkeptCause);
  }
  if (cap.lowOnSpace && !cap.unkept) {
    p_.notices.tellOnce(kLowOnSpaceCause, "archive",
                        p_.ownMessage(OwnText::DiskLowOnSpace, {job.recordingsFolder, freeMb}));
  } else if (!cap.lowOnSpace) {
    p_.notices.clear(kLowOnSpaceCause);
  }
}

void RecordingFiler::tellVanished(const FilingJob& job, FolderGone why) {
  const OwnText text = why == FolderGone::missing ? OwnText::RecordingsFolderMissing
                                                  : OwnText::RecordingsFolderEmpty;
  const std::string where = fs::path(job.workingFile).parent_path().string();
  // One notice while the folder stays away; each recording kept is in the log.
  if (!p_.notices.tellOnce(kVanishedCause, "filing",
                           p_.ownMessage(text, {job.recordingsFolder, job.name, where}))) {
    p_.log.warning("filing",
                   job.name + " kept in " + where + ": " + job.recordingsFolder + " is not there");
  }
}

void RecordingFiler::keepWorkingFile(const FilingJob& job, const FilingResult& result) {
  // Kept recordings are offered again at every filing: a W that stays unusable is told
  // once, and each recording kept is in the log.
  const std::string reason = result.collectProblem.value_or("?");
  const std::string cause = std::string(kKeptCausePrefix) + result.collectReason;
  keptCauses_.insert(cause);
  if (!p_.notices.tellOnce(
          cause, "filing",
          p_.ownMessage(OwnText::RecordingKept,
                        {job.name, fs::path(job.workingFile).parent_path().string(), reason}))) {
    p_.log.warning("filing", job.name + " kept: " + reason);
  }
}

void RecordingFiler::deleteWorkingFile(const std::string& path) {
  std::error_code ec;
  fs::remove(path, ec);
  if (ec) p_.log.warning("filing", path + ": " + ec.message());
}

void RecordingFiler::treeCopyFailed(const FilingJob& job, const FilingResult& result) {
  const std::string owedFile = p_.programFolder + "/" + kTreeOwedFile;
  if (result.collected && !treeCopyOwed(result.collectedPath)) {
    treeOwed_.push_back(result.collectedPath);
    saveTreeOwed();
  }
  const std::string cause = std::string(kTreeCausePrefix) + result.treeReason;
  treeCauses_.insert(cause);
  if (!p_.notices.tellOnce(
          cause, "filing",
          p_.ownMessage(OwnText::TreeCopyFailed, {job.name, *result.treeProblem, owedFile}))) {
    p_.log.warning("filing", job.name + ": " + *result.treeProblem);
  }
}

void RecordingFiler::settleTreeCopies(const std::vector<std::string>& settled) {
  if (settled.empty()) return;
  const auto before = treeOwed_.size();
  std::erase_if(treeOwed_, [&](const std::string& path) {
    return std::find(settled.begin(), settled.end(), path) != settled.end();
  });
  if (treeOwed_.size() == before) return;
  saveTreeOwed();
  for (const std::string& cause : treeCauses_) p_.notices.clear(cause);
  treeCauses_.clear();
}

}  // namespace tv
