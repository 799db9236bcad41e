#pragma once

#include "platform/archive_writer.h"

namespace tv {

// FLAC, Ogg Opus and MP3 through libsndfile. FLAC keeps the samples as they are (8-bit
// unsigned becomes 8-bit signed: the same values less 128); Opus takes only 8, 12, 16,
// 24 and 48 kHz, so other rates are resampled to the next higher of them.
class SndfileArchiveWriter : public ArchiveWriter {
 public:
  Result<void> write(const std::string& source, const std::string& target,
                     ArchiveFormat format) override;
};

// The rate an Opus copy of a recording at `rate` is written at.
int opusRate(int rate);

}  // namespace tv
