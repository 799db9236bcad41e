#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace tv {

// Writes `bytes` to `path` through a temporary file in the same folder and a rename,
// so that a failed write (disk full, no rights) leaves the previous file as it was.
Result<void> writeFileAtomically(const std::string& path, std::string_view bytes);

// Finds an existing entry of `folder` whose name differs from `name` only in case
// (folders copied from Windows keep their own spelling); returns folder/name when none.
std::string findCaseInsensitive(const std::string& folder, const std::string& name);

}  // namespace tv
