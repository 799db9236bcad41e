#pragma once

namespace tv {

// The format the archived copies of the recordings are written in.
enum class ArchiveFormat { Wav, Flac, Opus, Mp3 };

}  // namespace tv
