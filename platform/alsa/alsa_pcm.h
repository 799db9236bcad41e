#pragma once

#include <alsa/asoundlib.h>

#include <memory>
#include <string>

#include "platform/result.h"

namespace tv {

struct PcmCloser {
  void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using PcmHandle = std::unique_ptr<snd_pcm_t, PcmCloser>;

// Opens without waiting for a busy device, then switches to blocking I/O.
Result<PcmHandle> openPcm(const std::string& name, snd_pcm_stream_t direction);

// Interleaved access at exactly `rate` (resampling allowed); returns the
// period size in frames.
Result<snd_pcm_uframes_t> configurePcm(snd_pcm_t* pcm, snd_pcm_format_t format, int channels,
                                       int rate, int periodMs);

// Whether the device takes 11,025 Hz mono unsigned 8-bit capture.
bool takesMeterCapture(const std::string& name);

std::string alsaMessage(int error);

}  // namespace tv
