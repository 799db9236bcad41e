#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace tv {

class FileSync;

// Writes `bytes` to `path` through a temporary file in the same folder and a rename,
// so that a failed write (disk full, no rights) leaves the previous file as it was.
Result<void> writeFileAtomically(const std::string& path, std::string_view bytes);

// As writeFileAtomically, for a small file that must survive a power cut: the temporary
// file is synced before it replaces `path`, and the folder after the rename, so that
// after a cut the name holds either the old contents or the new, never an empty file.
// Without `sync` nothing is synced.
Result<void> writeFileDurably(const std::string& path, std::string_view bytes, FileSync* sync);

// Whether a file can be written at `path` now: creates it and removes it again. For a
// check before anything depends on it; a file already there is left alone.
Result<void> checkWritable(const std::string& path);

// A short name for a folder, the same in every run: eight hexadecimal digits of a hash
// of its path. Per-folder files of the user's (start-at-login entries, the lock of the
// running copy) carry it.
std::string folderHash(const std::string& folder);

// The whole contents of a file; empty when it cannot be read.
std::string readFileBytes(const std::string& path);
// Copies `from` to `to` through a temporary name beside `to` and a rename, so that `to`
// never holds half a file: it is there complete, with the source's length, or not at all
// (an earlier file of that name stays as it was).
Result<void> copyFileAtomically(const std::string& from, const std::string& to);

// Finds an existing entry of `folder` whose name differs from `name` only in case
// (folders copied from Windows keep their own spelling); returns folder/name when none.
std::string findCaseInsensitive(const std::string& folder, const std::string& name);

}  // namespace tv
