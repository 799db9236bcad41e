#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace tv {

// Writes `bytes` to `path` through a temporary file in the same folder and a rename,
// so that a failed write (disk full, no rights) leaves the previous file as it was.
Result<void> writeFileAtomically(const std::string& path, std::string_view bytes);

// Copies `from` to `to` through a temporary name beside `to` and a rename, so that `to`
// never holds half a file: it is there complete, with the source's length, or not at all
// (an earlier file of that name stays as it was).
Result<void> copyFileAtomically(const std::string& from, const std::string& to);

// Finds an existing entry of `folder` whose name differs from `name` only in case
// (folders copied from Windows keep their own spelling); returns folder/name when none.
std::string findCaseInsensitive(const std::string& folder, const std::string& name);

}  // namespace tv
