#pragma once

#include <string_view>

namespace tv {

// The format the archived copies of the recordings are written in.
enum class ArchiveFormat { Wav, Flac, Opus, Mp3 };

// The extension, with its dot, that a copy in `format` carries.
constexpr std::string_view archiveExtension(ArchiveFormat format) {
  switch (format) {
    case ArchiveFormat::Flac:
      return ".flac";
    case ArchiveFormat::Opus:
      return ".opus";
    case ArchiveFormat::Mp3:
      return ".mp3";
    case ArchiveFormat::Wav:
      break;
  }
  return ".wav";
}

}  // namespace tv
