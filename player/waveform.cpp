#include "player/waveform.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/files.h"
#include "player/player.h"

namespace tv {
namespace {

constexpr Colour kPlayOn = rgb(128, 255, 0);
// Positions in the frame run over 290 units; the picture is a few columns wider.
constexpr double kPositionUnits = 290;
// Long sounds leave the peak bar at rest: their table would take too long to build.
constexpr double kLongestPeakSeconds = 700;

std::int32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                                   (static_cast<std::uint32_t>(b[at + 3]) << 24));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

void drawWaveform(DrawingFrame& frame, std::span<const std::uint8_t> file, const WaveInfo& info,
                  int width, int height) {
  int y0 = static_cast<int>(roundHalfEven(height / 2.0));
  double scale = info.bitsPerSample == 16 ? height / 65535.0 : height / 300.0;
  const bool stereo = info.channelCount == 2;
  if (stereo) {
    y0 /= 2;
    scale /= 2;
  }
  const int y1 = height - y0;
  std::int64_t step = roundHalfEven(static_cast<double>(info.dataLength) / width);
  step -= step % 4;
  frame.line(0, y0, width, y0, kWaveColour);
  if (stereo) frame.line(0, y1, width, y1, kWaveColour);
  if (step <= 0) return;

  const bool eightBit = info.bitsPerSample == 8;
  const std::size_t sampleBytes = eightBit ? 1 : 2;
  const std::size_t need = sampleBytes * (stereo ? 2 : 1);
  auto amplitude = [&](std::size_t at) -> int {
    if (eightBit) return file[at] - 128;
    const auto v = static_cast<std::int16_t>(file[at] | (file[at + 1] << 8));
    return std::abs(static_cast<int>(v));
  };
  const auto length = static_cast<std::int64_t>(file.size());
  int x = 1;
  for (std::int64_t pos = info.dataStart; pos >= 0 && pos < length; pos += step, ++x) {
    // A sample cut off by the end of the file ends the picture.
    if (static_cast<std::size_t>(pos) + need > file.size()) break;
    const auto at = static_cast<std::size_t>(pos);
    const double h = static_cast<double>(roundHalfEven(scale * amplitude(at)));
    frame.line(x, y0 - h, x, y0 + h, kWaveColour);
    if (stereo) {
      const double h2 = static_cast<double>(roundHalfEven(scale * amplitude(at + sampleBytes)));
      frame.line(x, y1 - h2, x, y1 + h2, kWaveColour);
    }
  }
}

PeakTable buildPeakTable(std::span<const std::uint8_t> file) {
  PeakTable table;
  const std::size_t n = file.size() / 8;
  table.entries.assign(n + 1, 0);
  if (n == 0) return table;
  const std::size_t step = std::max<std::size_t>(1, 8'000'000 / n);
  for (std::size_t i = 1; i <= file.size(); i += step) {
    if (static_cast<std::size_t>(table.count) >= n) break;
    // The word at 1-based position i - 1; the first one for i = 1.
    const std::size_t at = i == 1 ? 0 : i - 2;
    if (at + 1 >= file.size()) break;
    const int v = file[at] | (file[at + 1] << 8);
    table.entries[static_cast<std::size_t>(++table.count)] = std::abs(v - 32'750);
  }
  return table;
}

std::optional<std::vector<std::uint8_t>> withSampleRate(std::span<const std::uint8_t> file,
                                                        std::int32_t rate) {
  if (file.size() < 28) return std::nullopt;
  std::vector<std::uint8_t> image(file.begin(), file.end());
  const auto r = static_cast<std::uint32_t>(rate);
  for (int i = 0; i < 4; ++i) image[24 + i] = static_cast<std::uint8_t>(r >> (8 * i));
  return image;
}

std::string speedCaption(std::int32_t normalRate, double speedFactor) {
  char factor[32];
  std::snprintf(factor, sizeof factor, " %.3f", speedFactor + 0.001);
  return " " + std::to_string(normalRate) + "  x " + std::string(factor).substr(0, 4);
}

std::string Player::speedCopyPath() const {
  return p_.programFolder + "/rx.wav";
}

void Player::DrawWaveform() {
  DrawingFrame& frame = p_.frm_Oszi.frx1;
  frame.setScale(0, 0, displayWidth, displayHeight);
  const auto file = readWholeFile(trim(currentWave));
  const WaveInfo info = file ? tv::LoadWave(*file).info : WaveInfo{};
  drawWaveform(frame, file ? std::span<const std::uint8_t>(*file) : std::span<const std::uint8_t>{},
               info, displayWidth, displayHeight);
}

void Player::BuildPeakTable() {
  p_.frm_DoKu.tmr_Play.setEnabled(false);
  const std::string path = trim(currentWave).empty() ? selectedFile : currentWave;
  std::error_code ec;
  const auto size = std::filesystem::file_size(trim(path), ec);
  peakCount = 0;
  if (leadingNumber(durationText) >= kLongestPeakSeconds) {
    peakTable.assign(ec ? 10'001 : size / 8 + 10'001, 0);
    return;
  }
  const auto file = readWholeFile(trim(path));
  PeakTable table =
      buildPeakTable(file ? std::span<const std::uint8_t>(*file) : std::span<const std::uint8_t>{});
  peakTable = std::move(table.entries);
  peakCount = table.count;
}

void Player::ShowPeak() {
  const std::int64_t i =
      static_cast<std::int64_t>(p_.frm_Oszi.slider.value()) * peakCount / 1'000'000;
  if (i < 0 || i >= static_cast<std::int64_t>(peakTable.size())) return;
  const double v = peakTable[static_cast<std::size_t>(i)];
  if (v > peakHold) {
    peakHold = v;
  } else if (peakHold > 0) {
    peakHold *= 0.89;
    p_.frm_Oszi.pro1.setValue(static_cast<int>(peakHold));
  }
}

void Player::ReadNormalRate() {
  const auto file = readWholeFile(trim(selectedFile));
  if (!file || file->size() < 28) return;
  normalRate = le32(*file, 24);
  headerFieldTable[8] = std::to_string(normalRate);
  speedFactor = 1.0;
  p_.frm_Oszi.lblSpeed.setCaption(speedCaption(normalRate, 1.0));
}

void Player::ApplySpeed() {
  // No image of an earlier sound may stand in for one that cannot be read.
  speedImage.clear();
  const auto file = readWholeFile(trim(selectedFile));
  // A missing sound ends here without a word: "Play" falls back to the file as it is.
  if (!file || file->size() < 28) return;
  // A sound opened from the playback window's own dialog came without its rate being
  // read; a copy with rate 0 would not play at all.
  if (normalRate <= 0) normalRate = le32(*file, 24);
  const auto rate = static_cast<std::int32_t>(roundHalfEven(normalRate * speedFactor));
  auto image = withSampleRate(*file, rate);
  if (!image) return;
  speedImage = std::move(*image);
  if (!writeSpeedCopy()) return;
  lblFreq2_MouseUp(MouseButton::Left, 0, 0, 0);
  PlaybackForm& f = p_.frm_Oszi;
  f.lblSpeed.setCaption(speedCaption(normalRate, speedFactor));
  showPlayButtonOn();
  speedText = f.lblSpeed.caption();
}

bool Player::writeSpeedCopy() {
  const std::string path = speedCopyPath();
  const auto written = writeFileAtomically(
      path, std::string_view(reinterpret_cast<const char*>(speedImage.data()), speedImage.size()));
  if (written) return true;
  speedImage.clear();
  p_.tellUser(p_.ownMessage(OwnText::SpeedCopyFailed, {path, written.error().message}));
  return false;
}

void Player::lblFreq2_MouseUp(int, int, int, int) {
  selectedFile = speedCopyPath();
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
    if (speedImage.size() > 1) {
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
