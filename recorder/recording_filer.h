#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/sound/mci.h"
#include "platform/worker.h"
#include "recorder/after_recording.h"
#include "recorder/filing_on_disk.h"

namespace tv {

class Program;

// Files what the recorder records: a copy into the collecting folder W, and with logging
// on one into the dated tree of its network. The disk work (completing the take, the
// copies, the folders) runs on the filing worker, so that a slow disk never holds up the
// capture; the results (the list entry, the totals, the deletion of the working file,
// the notices) follow here on the GUI thread, in the order the takes ended.
//
// A take is never lost quietly: a working file that could not be filed stays in the
// working directory and is filed again at the next filing, apply and start; a copy into
// the tree that failed is owed, kept on a list in the program folder and tried again at
// every filing and start, and its copy in W is spared by the clean-up meanwhile.
class RecordingFiler {
 public:
  explicit RecordingFiler(Program& program);
  ~RecordingFiler();

  // A take has been closed: a saved one is completed and filed (when it is long enough),
  // one that is not kept has its working file removed.
  void takeClosed(const std::string& name, Mci::ClosedTake closed);
  // The recorder writes a take under `name` now: no other filing may take it up.
  void claim(const std::string& name) { inFlight_.insert(name); }
  // A claim that came to nothing (the take never got a file).
  void release(const std::string& name) { inFlight_.erase(name); }

  // Files the recordings left in the working directory (a crash, a save that failed, a
  // folder that was gone). At start-up at once, before the list is read; later on the
  // worker.
  void fileLeftovers(bool atStartUp);
  // Tries the owed copies into the tree again.
  void retryTreeCopies();

  // The program is about to end: leftovers are no longer taken up.
  void programEnds() { ending_ = true; }
  // The end of the program: waits at most `limitMs` for the filings under way; those
  // not done by then stay in the working directory for the next start. The command
  // after a recording that still runs then is ended.
  void finish(std::int64_t limitMs);
  std::size_t filingsUnderWay() const { return inFlight_.size(); }

  // Whether a recording of `name` is anywhere already: in the working directory, in W,
  // in the dated tree (in any of the archive formats), or being written or filed.
  bool nameInUse(const std::string& name) const;

  // Whether `recordingsFolder` counts as gone: then nothing is made inside it.
  bool folderVanished(const std::string& recordingsFolder);
  // Copies in W whose copy into the dated tree is owed (paths as filed).
  const std::vector<std::string>& treeOwed();
  bool treeCopyOwed(const std::string& path);

  // The collecting folder of the recordings folder in force.
  std::string collectingFolder() const;

  // The command after each filed recording.
  AfterRecording afterRecording;

  static constexpr const char* kTreeOwedFile = "tree-owed.txt";
  static constexpr const char* kLastFilingFile = "last-filing.txt";

 private:
  FilingJob jobFor(const std::string& name) const;
  void submit(FilingJob job);
  void reported(const FilingJob& job, const FilingResult& result);
  void tellVanished(const FilingJob& job, FolderGone why);
  void keptUnderCap(const FilingJob& job, const CapOutcome& cap);
  void keepWorkingFile(const FilingJob& job, const FilingResult& result);
  void deleteWorkingFile(const std::string& name);
  void treeCopyFailed(const FilingJob& job, const FilingResult& result);
  void settleTreeCopies(const std::vector<std::string>& settled);
  void filedInto(const std::string& recordingsFolder);
  void loadState();
  void saveTreeOwed();
  Worker& worker();

  Program& p_;
  std::unique_ptr<Worker> worker_;
  // Names being written or filed: a leftover scan and a new name keep off them.
  std::set<std::string> inFlight_;
  bool stateLoaded_ = false;
  bool ending_ = false;
  std::vector<std::string> treeOwed_;
  // The recordings folder of the last filing into W, across runs.
  std::string lastFilingFolder_;
  // Failures told since the last copy that worked: into the tree, into W.
  std::set<std::string> treeCauses_;
  std::set<std::string> keptCauses_;
};

}  // namespace tv
