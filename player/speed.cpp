#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/sound/sound_file.h"
#include "player/player.h"
#include "player/waveform.h"

namespace tv {
namespace {

// Positions in the frame run over 290 units; the picture is a few columns wider.
constexpr double kPositionUnits = 290;

// The sample-rate field of a header that the reader cannot use, as it stands.
std::optional<std::int32_t> headerRate(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::uint8_t b[28];
  if (!in.read(reinterpret_cast<char*>(b), sizeof b)) return std::nullopt;
  return static_cast<std::int32_t>(b[24] | (b[25] << 8) | (b[26] << 16) |
                                   (static_cast<std::uint32_t>(b[27]) << 24));
}

}  // namespace

void Player::ReadNormalRate() {
  const std::string path = trim(selectedFile);
  std::optional<std::int32_t> rate;
  if (auto sound = openSoundFile(path)) {
    rate = (*sound)->info().sampleRate;
  } else {
    rate = headerRate(path);
  }
  if (!rate) return;
  normalRate = *rate;
  headerFieldTable[8] = std::to_string(normalRate);
  speedFactor = 1.0;
  p_.frm_Oszi.lblSpeed.setCaption(speedCaption(normalRate, 1.0));
}

void Player::ApplySpeed() {
  // No earlier sound may stand in for one that cannot be read.
  speedSource.clear();
  speedRate = 0;
  const std::string path = trim(selectedFile);
  // Only the header is read: the file plays at the new rate as it is, without a copy.
  auto sound = openSoundFile(path);
  // A missing sound ends here without a word: "Play" falls back to the file as it is.
  if (!sound) return;
  // A sound opened from the playback window's own dialog came without its rate being
  // read; a rate of 0 would not play at all.
  if (normalRate <= 0) normalRate = (*sound)->info().sampleRate;
  speedRate = static_cast<std::int32_t>(roundHalfEven(normalRate * speedFactor));
  speedSource = path;
  lblFreq2_MouseUp(MouseButton::Left, 0, 0, 0);
  PlaybackForm& f = p_.frm_Oszi;
  f.lblSpeed.setCaption(speedCaption(normalRate, speedFactor));
  showPlayButtonOn();
  speedText = f.lblSpeed.caption();
}

void Player::lblFreq2_MouseUp(int, int, int, int) {
  selectedFile = speedSource;
  LoadSelectedWave();
  playPosition = resumePosition;
  StartPlayback();
  p_.frm_Oszi.slider.setValue(resumePosition);
}

void Player::lblFreq2_MouseDown(int, int, int, int) {
  p_.frm_Oszi.lblFreqNorm.setBorderStyle(Look::On);
  resumePosition = playPosition;
  p_.frm_Oszi.slider.setValue(resumePosition);
  StopPlayback();
  p_.frm_Oszi.tmrplaywave.setEnabled(false);
  p_.frm_DoKu.tmr_Focus.setEnabled(true);
}

void Player::LoadSelectedWave() {
  p_.frm_Oszi.tmrplaywave.setEnabled(false);
  if (!selectedFile.empty() && (selectedFile.back() == '\\' || selectedFile.back() == '/'))
    selectedFile.clear();
  p_.frm_Oszi.slider.setValue(resumePosition);
  LoadWave(selectedFile);
  p_.frm_DoKu.cmd_File_lö.setEnabled(false);
}

void Player::sli_Speed_Scroll() {
  speedFactor = p_.frm_Oszi.sli_Speed.value() / 10.0;
  p_.frm_Oszi.lblSpeed.setCaption(speedCaption(normalRate, speedFactor));
}

void Player::sli_Speed_MouseUp(int, int, int, int) {
  lblFreq2_MouseDown(MouseButton::Left, 0, 0, 0);
  ApplySpeed();
  lblFreqNorm_MouseDown(MouseButton::Left, 0, 0, 0);
  lblFreqNorm_MouseUp(MouseButton::Left, 0, 0, 0);
}

void Player::frx1_MouseDown(int button, double x) {
  PlaybackForm& f = p_.frm_Oszi;
  if (button == MouseButton::Right) {
    lblFreqNorm_MouseDown(0, 0, 0, 0);
    lblFreqNorm_MouseUp(0, 0, 0, 0);
  } else {
    speedFactor = 1.0;
    lblFreq2_MouseDown(button, 0, 0, 0);
    ApplySpeed();
    if (!speedSource.empty()) {
      f.lblSpeed.setCaption(speedText);
      lblFreq2_MouseDown(0, 0, 0, 0);
      lblFreq2_MouseUp(0, 0, 0, 0);
    } else {
      lblFreqNorm_MouseDown(0, 0, 0, 0);
      lblFreqNorm_MouseUp(0, 0, 0, 0);
    }
  }
  const std::int64_t millionths = static_cast<std::int64_t>(std::floor(x * 1e6 / kPositionUnits));
  if (playing && !f.cmd_Save.visible()) {
    const std::int64_t ms = roundHalfEven(static_cast<double>(millionths) * playLength / 1e6);
    playFrom(ms);
    cmd_Unterbrechen_MouseDown(button, 0, 0, 0);
  }
  f.slider.setValue(static_cast<int>(std::clamp<std::int64_t>(millionths, 0, 1'000'000)));
}

void Player::frx1_MouseUp(int button, double) {
  cmd_Unterbrechen_MouseUp(button, 0, 0, 0);
}

}  // namespace tv
