#pragma once

#include <optional>
#include <string>

namespace tv {

// Desktop entries that start the program in its program folder: the start-at-login entry
// in the autostart folder and the launcher on the desktop. Each program folder has entries
// of its own, named after the folder, so that what one folder does with its entries never
// touches another's (a try-out folder beside a station's).

// "tonvogel-<folder hash>.desktop".
std::string folderEntryName(const std::string& programFolder);
// The one name every folder's entries had before they were named after their folder.
inline constexpr const char* kSharedEntryName = "tonvogel.desktop";

// The contents of a start-at-login desktop entry that starts `executable` in `folder`.
std::string autostartEntry(const std::string& executable, const std::string& folder,
                           const std::string& comment);

// What an entry's Exec line starts: the program file, and the folder after
// --program-folder (empty when there is none). Empty when the entry has no Exec line.
struct EntryCommand {
  std::string executable;
  std::string programFolder;
};
std::optional<EntryCommand> entryCommand(const std::string& entryText);

// A step on an entry that failed: the entry and why.
struct EntryFailure {
  std::string path;
  std::string reason;
};

// Makes `entriesFolder` (ending in "/") hold the folder's own entry with `contents`. With
// `keepWorking`, an entry already there whose program file exists is kept as it is (the
// user may have changed it); one whose program file has gone (the program was moved) is
// written anew. An entry of the shared name that starts this folder is replaced: it is
// removed once the folder's own entry is there.
std::optional<EntryFailure> placeFolderEntry(const std::string& entriesFolder,
                                             const std::string& programFolder,
                                             const std::string& contents, bool keepWorking);

// Removes the folder's own entry and an entry of the shared name that starts this folder;
// the entries of other folders stay.
std::optional<EntryFailure> removeFolderEntries(const std::string& entriesFolder,
                                                const std::string& programFolder);

}  // namespace tv
