#include "platform/alsa/alsa_pcm.h"

#include <algorithm>

namespace tv {

std::string alsaMessage(int error) {
  return snd_strerror(error);
}

Result<PcmHandle> openPcm(const std::string& name, snd_pcm_stream_t direction) {
  snd_pcm_t* raw = nullptr;
  if (int error = snd_pcm_open(&raw, name.c_str(), direction, SND_PCM_NONBLOCK); error < 0) {
    return failure("the sound device " + name + " cannot be opened: " + alsaMessage(error));
  }
  PcmHandle pcm(raw);
  if (int error = snd_pcm_nonblock(pcm.get(), 0); error < 0) {
    return failure("the sound device " + name + " cannot be used: " + alsaMessage(error));
  }
  return pcm;
}

Result<snd_pcm_uframes_t> configurePcm(snd_pcm_t* pcm, snd_pcm_format_t format, int channels,
                                       int rate, int periodMs) {
  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_alloca(&hw);
  const auto refuse = [&](const char* what, int error) -> Result<snd_pcm_uframes_t> {
    return failure(std::string("the sound device does not take ") + what + ": " +
                   alsaMessage(error));
  };
  int error = snd_pcm_hw_params_any(pcm, hw);
  if (error < 0) return refuse("any format", error);
  if ((error = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0) {
    return refuse("interleaved access", error);
  }
  if ((error = snd_pcm_hw_params_set_format(pcm, hw, format)) < 0) {
    return refuse(snd_pcm_format_name(format), error);
  }
  if ((error = snd_pcm_hw_params_set_channels(pcm, hw, static_cast<unsigned>(channels))) < 0) {
    return refuse(channels == 1 ? "mono" : "stereo", error);
  }
  snd_pcm_hw_params_set_rate_resample(pcm, hw, 1);
  if ((error = snd_pcm_hw_params_set_rate(pcm, hw, static_cast<unsigned>(rate), 0)) < 0) {
    return failure("the sound device does not take " + std::to_string(rate) +
                   " samples per second: " + alsaMessage(error));
  }
  snd_pcm_uframes_t period =
      std::max<snd_pcm_uframes_t>(static_cast<snd_pcm_uframes_t>(rate) * periodMs / 1000, 32);
  int direction = 0;
  snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, &direction);
  snd_pcm_uframes_t buffer = period * 8;
  snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &buffer);
  if ((error = snd_pcm_hw_params(pcm, hw)) < 0) return refuse("these settings", error);
  snd_pcm_hw_params_get_period_size(hw, &period, &direction);
  snd_pcm_uframes_t bufferSize = 0;
  snd_pcm_hw_params_get_buffer_size(hw, &bufferSize);
  // A read larger than the buffer may deliver nothing; a period always fits.
  return std::max<snd_pcm_uframes_t>(std::min(period, bufferSize), 1);
}

bool takesMeterCapture(const std::string& name) {
  snd_pcm_t* raw = nullptr;
  if (snd_pcm_open(&raw, name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0) return false;
  PcmHandle pcm(raw);
  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_alloca(&hw);
  return snd_pcm_hw_params_any(raw, hw) >= 0 &&
         snd_pcm_hw_params_set_access(raw, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
         snd_pcm_hw_params_set_format(raw, hw, SND_PCM_FORMAT_U8) >= 0 &&
         snd_pcm_hw_params_set_channels(raw, hw, 1) >= 0 &&
         snd_pcm_hw_params_test_rate(raw, hw, 11025, 0) >= 0;
}

}  // namespace tv
