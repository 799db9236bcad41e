#pragma once

#include <string>

#include "platform/archive_format.h"
#include "platform/result.h"

namespace tv {

// Writes the compressed copies of the recordings. Called on the filing worker, so an
// implementation keeps no state between calls.
class ArchiveWriter {
 public:
  virtual ~ArchiveWriter() = default;

  // Writes the sound of the WAV file `source` into `target` in `format` (any but Wav,
  // which is a plain copy). The file appears under `target` complete and synced, or not
  // at all: it is written under a temporary name beside it and renamed.
  virtual Result<void> write(const std::string& source, const std::string& target,
                             ArchiveFormat format) = 0;
};

}  // namespace tv
