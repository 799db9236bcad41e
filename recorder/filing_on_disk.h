#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/archive_writer.h"
#include "platform/sound/take_writer.h"
#include "recorder/archive_cap.h"

namespace tv {

// Why a recordings folder counts as gone (an unplugged or unmounted disk).
enum class FolderGone {
  missing,
  // It is there, but without the W folder it had: the empty mount point of a disk that
  // is not mounted.
  collectingFolderMissing,
};

// How the dated tree's copies are written.
struct TreeFormat {
  ArchiveFormat format = ArchiveFormat::Wav;
  // Writes the formats other than WAV; without one every copy is WAV.
  ArchiveWriter* writer = nullptr;

  ArchiveFormat inForce() const { return writer ? format : ArchiveFormat::Wav; }
};

// What one filing needs, fixed on the GUI thread when it is handed to the filing worker:
// the disk work must not read the program's state, which may change meanwhile.
struct FilingJob {
  // The capture name, which is also the working file's name.
  std::string name;
  std::string workingFile;  // absolute
  // A take still to be completed (its header, the last samples, the sync); none for a
  // working file already complete, or left by an earlier run.
  std::shared_ptr<TakeWriter> take;
  // A take that is not kept: its working file goes.
  bool discard = false;
  // Filed only when its playing time is above this; below 0 always (a leftover).
  double minimumSeconds = -1;
  bool leftover = false;
  std::string recordingsFolder;
  // Whether the recordings folder had its collecting folder W at the last filing: without
  // it now, it stands for an unmounted disk's empty mount point.
  bool hadCollectingFolder = false;
  bool logging = false;
  int languageIndex = 1;
  TreeFormat treeFormat;
  CapRule cap;
  // Copies in W whose copy into the dated tree is still owed.
  std::vector<std::string> treeOwed;
};

struct FilingResult {
  // A leftover's header was completed from its length, or the leftover held no sound and
  // was removed.
  bool repaired = false;
  bool emptyRemoved = false;
  std::optional<std::string> repairProblem;
  // The take could not be completed; what was written of it stays.
  std::optional<std::string> saveProblem;
  bool workingFileLeft = true;
  double seconds = 0;
  bool tooShort = false;
  // Why the recordings folder counts as gone; nothing was created or copied then.
  std::optional<FolderGone> vanished;
  bool collected = false;
  std::string collectedPath;
  std::optional<std::string> collectProblem;
  std::string collectReason;  // the reason alone
  // The copy into the dated tree failed: the whole text, and the reason alone (the
  // same for every recording that fails the same way).
  std::optional<std::string> treeProblem;
  std::string treeReason;
  bool treeCopied = false;
  std::string treePath;  // the copy made in the tree
  // What the archive cap deleted, and whether the disk keeps room.
  CapOutcome cap;
  // Owed tree copies that were made now, or whose copy in W has gone.
  std::vector<std::string> treeSettled;
};

// The disk work of one filing, in the order of the recorder's steps: the take is
// completed, its playing time read, and when it is long enough room is made for it under
// the archive cap, and it is copied into the dated tree (with logging on) and into W. Folders are
// made on first use, but never under a recordings folder that has vanished. Runs on the filing
// worker; touches nothing but the files.
FilingResult performFiling(FilingJob& job);

// Tries the owed copies into the tree again; returns those made now, and those whose copy
// in W has gone (deleted on purpose: nothing is owed any more).
// An owed copy whose recording is in the tree already, in any format, is made too.
std::vector<std::string> retryTreeCopies(const std::vector<std::string>& owed, int languageIndex,
                                         const TreeFormat& format);

// The copy of a recording in W into the dated tree of `recordingsFolder`, in `format`
// under the recording's name with that format's extension: none when it is made (its
// path in `made`), else what failed (and in `reason` the reason alone, the same for
// every recording that fails alike).
std::optional<std::string> copyIntoTree(const std::string& source, const std::string& name,
                                        const std::string& recordingsFolder, int languageIndex,
                                        const TreeFormat& format, std::string* reason = nullptr,
                                        std::string* made = nullptr);

// The file of a recording at `folderAndStem` (a path without extension) in any of the
// formats a recording is kept in, if there is one.
std::optional<std::string> recordingAt(const std::string& folderAndStem);

// A copy of the recording `captureName` in the dated tree of `recordingsFolder`, in any
// format and under any language's folders (a language changed keeps the older tree).
std::optional<std::string> treeCopyOf(const std::string& captureName,
                                      const std::string& recordingsFolder);

// Why `recordingsFolder` counts as gone, or none while it is there. The file system's
// device number is not compared: a disk plugged in again gets a new one.
std::optional<FolderGone> recordingsFolderGone(const std::string& recordingsFolder,
                                               bool hadCollectingFolder);

}  // namespace tv
