#include "player/editing.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/files.h"
#include "player/waveform.h"

namespace tv {
namespace {

constexpr std::int64_t kPositionUnits = 290;
constexpr int kTwipsPerPixel = 15;

void put16(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = static_cast<char>(v & 0xff);
  s[at + 1] = static_cast<char>((v >> 8) & 0xff);
}
void put32(std::string& s, std::size_t at, std::uint32_t v) {
  put16(s, at, v);
  put16(s, at + 2, v >> 16);
}

std::string twoDigits(int v) {
  return (v < 10 ? "0" : "") + std::to_string(v);
}

std::string_view bytesOf(std::span<const std::uint8_t> b, std::int64_t from, std::int64_t to) {
  return {reinterpret_cast<const char*>(b.data()) + from, static_cast<std::size_t>(to - from)};
}

}  // namespace

std::string pcmHeader(const WaveInfo& f, std::uint32_t dataSize) {
  std::string h = "RIFF....WAVEfmt ....................data....";
  put32(h, 4, dataSize + 36);
  put32(h, 16, 16);
  put16(h, 20, static_cast<std::uint16_t>(f.formatTag));
  put16(h, 22, static_cast<std::uint16_t>(f.channelCount));
  put32(h, 24, static_cast<std::uint32_t>(f.sampleRate));
  put32(h, 28, static_cast<std::uint32_t>(f.byteRate));
  put16(h, 32, static_cast<std::uint16_t>(f.blockAlign));
  put16(h, 34, static_cast<std::uint16_t>(f.bitsPerSample));
  put32(h, 40, dataSize);
  return h;
}

std::int64_t bytesPerUnit(const WaveInfo& info) {
  return info.dataLength / kPositionUnits;
}

std::optional<Stretch> stretchOf(const WaveInfo& info, std::int64_t markStart, std::int64_t markEnd,
                                 std::int64_t endTrim) {
  const std::int64_t perUnit = bytesPerUnit(info);
  const std::int64_t block = std::max<std::int64_t>(1, info.blockAlign);
  auto onFrame = [&](std::int64_t offset) {
    offset = std::clamp<std::int64_t>(offset, 0, info.dataLength);
    return offset - offset % block;
  };
  const std::int64_t start = perUnit * markStart;
  const std::int64_t end = perUnit * markEnd - endTrim;
  if (start > end) return std::nullopt;
  return Stretch{onFrame(start), onFrame(end)};
}

std::optional<std::string> pieceFile(std::span<const std::uint8_t> file, const Stretch& s) {
  const LoadedWave w = LoadWave(file);
  if (!w.usable()) return std::nullopt;
  const std::int64_t d = w.info.dataStart;
  std::string out = pcmHeader(w.info, static_cast<std::uint32_t>(s.end - s.start));
  out += bytesOf(file, d + s.start, d + s.end);
  return out;
}

std::optional<std::string> withoutStretchFile(std::span<const std::uint8_t> file,
                                              const Stretch& s) {
  const LoadedWave w = LoadWave(file);
  if (!w.usable()) return std::nullopt;
  const std::int64_t d = w.info.dataStart;
  const std::int64_t kept = w.info.dataLength - (s.end - s.start);
  std::string out = pcmHeader(w.info, static_cast<std::uint32_t>(kept));
  out += bytesOf(file, d, d + s.start);
  out += bytesOf(file, d + s.end, d + w.info.dataLength);
  return out;
}

Editing::Editing(Program& program) : p_(program) {
  MainForm& main = p_.frm_DoKu;
  PlaybackForm& f = p_.frm_Oszi;
  main.cmd_file_neu.mouseDown = [this](int b, int s, int x, int y) {
    cmd_file_neu_MouseDown(b, s, x, y);
  };
  main.cmd_file_neu.mouseUp = [this](int b, int s, int x, int y) {
    cmd_file_neu_MouseUp(b, s, x, y);
  };
  main.cmd_file_neu.click = [this] { cmd_file_neu_Click(); };
  f.frx1.mouseDown = [this](int b, int s, int x, int y) { frx1_MouseDown(b, s, x, y); };
  f.frx1.mouseUp = [this](int b, int s, int x, int y) { frx1_MouseUp(b, s, x, y); };
  f.cmd_Save.mouseDown = [this](int b, int s, int x, int y) { cmd_Save_MouseDown(b, s, x, y); };
  f.cmd_Kill.mouseDown = [this](int b, int s, int x, int y) { cmd_Kill_MouseDown(b, s, x, y); };
  f.cmd_Save.mouseUp = [this](int b, int s, int x, int y) { cmd_Save_MouseUp(b, s, x, y); };
  f.cmd_Kill.mouseUp = [this](int b, int s, int x, int y) { cmd_Save_MouseUp(b, s, x, y); };
  f.cmd_Ret.mouseUp = [this](int b, int s, int x, int y) { cmd_Ret_MouseUp(b, s, x, y); };
}

bool Editing::cutMode() const {
  return p_.frm_Oszi.cmd_Ret.visible();
}

std::string Editing::iconPath(const char* name) const {
  return p_.programFolder + "/icon/" + name;
}

std::string Editing::newRecordingName() const {
  const LocalDateTime t = p_.platform.clock.localNow();
  return trim(p_.frm_Einstellungen.ed_FK.text()) + "_" + twoDigits(t.month) + "-" +
         twoDigits(t.day) + "-" + std::to_string(t.year) + "_" + twoDigits(t.hour) + "-" +
         twoDigits(t.minute) + "-" + twoDigits(t.second) + ".wav";
}

void Editing::cmd_file_neu_MouseDown(int, int, int, int) {
  p_.frm_Oszi.frx1.setMouseIcon(iconPath("cut.ico"));
}

void Editing::cmd_file_neu_MouseUp(int, int, int, int) {
  PlaybackForm& f = p_.frm_Oszi;
  const std::string caption = p_.frm_DoKu.cmd_file_neu.caption();
  f.lbl_Schneiden.setCaption(caption);
  f.lbl_Schneiden.setWidth(6 * static_cast<int>(trim(caption).size()) * kTwipsPerPixel);
  f.lbl_Schneiden.setVisible(true);
  f.show();
  p_.frm_DoKu.hide();
  f.cmd_Save.setVisible(true);
  f.cmd_Save.setEnabled(false);
  f.cmd_Kill.setVisible(true);
  f.cmd_Kill.setEnabled(false);
  f.cmd_Ret.setVisible(true);
  // A release outside cut mode leaves an end mark behind, which would keep the first
  // selection from completing: every cut mode starts without marks.
  markStart = 0;
  markEnd = 0;
  f.lbl_Mark1.setVisible(false);
  f.lbl_Mark2.setVisible(false);
}

void Editing::cmd_file_neu_Click() {
  cutButtonOn_ = !cutButtonOn_;
  p_.frm_DoKu.cmd_file_neu.setBorderStyle(cutButtonOn_ ? 1 : 0);
  if (!cutButtonOn_) p_.frm_DoKu.show();
}

double Editing::frameUnits(int twips) const {
  const DrawingFrame& frame = p_.frm_Oszi.frx1;
  if (frame.scaleWidth() > 0 && frame.width() > 0)
    return twips * frame.scaleWidth() / frame.width();
  return static_cast<double>(twips) / kTwipsPerPixel;
}

void Editing::placeMark(Label& mark, int x) {
  // The mark sits in the frame, where the press or release was.
  mark.setLeft(x);
  mark.setVisible(true);
}

void Editing::frx1_MouseDown(int button, int, int x, int) {
  PlaybackForm& f = p_.frm_Oszi;
  const double units = frameUnits(x);
  if (markStart > 0 && markEnd > 0) {
    markStart = 0;
    markEnd = 0;
    f.lbl_Mark1.setVisible(false);
    f.lbl_Mark2.setVisible(false);
  }
  if (button == MouseButton::Left && markStart == 0 && cutMode()) {
    markStart = static_cast<std::int32_t>(roundHalfEven(units));
    placeMark(f.lbl_Mark1, x);
  }
  p_.player.frx1_MouseDown(button, units);
}

void Editing::frx1_MouseUp(int button, int, int x, int) {
  PlaybackForm& f = p_.frm_Oszi;
  const double units = frameUnits(x);
  if (button == MouseButton::Left && markStart > 0 && markEnd == 0 && cutMode()) {
    placeMark(f.lbl_Mark2, x);
    f.cmd_Save.setEnabled(true);
    f.cmd_Kill.setEnabled(true);
  }
  markEnd = static_cast<std::int32_t>(roundHalfEven(units));
  if (markStart > markEnd) std::swap(markStart, markEnd);
  p_.player.frx1_MouseUp(button, units);
}

void Editing::leaveCutMode() {
  PlaybackForm& f = p_.frm_Oszi;
  f.lbl_Mark2.setVisible(false);
  f.lbl_Mark1.setVisible(false);
  p_.frm_DoKu.show();
  f.cmd_Save.setVisible(false);
  f.cmd_Kill.setVisible(false);
  f.cmd_Ret.setVisible(false);
  p_.frm_DoKu.cmd_file_neu.setVisible(false);
}

void Editing::cmd_Save_MouseDown(int, int, int, int) {
  p_.frm_Oszi.lbl_Schneiden.setVisible(false);
  (void)SaveSelectionAsCq();
  leaveCutMode();
}

void Editing::cmd_Kill_MouseDown(int, int, int, int) {
  (void)CutSelection();
  p_.frm_Oszi.lbl_Schneiden.setVisible(false);
  leaveCutMode();
}

void Editing::cmd_Save_MouseUp(int, int, int, int) {
  ListBox& list = p_.frm_DoKu.lb_Sounds;
  if (list.listCount() == 0) return;
  list.setListIndex(list.listCount() - 1);
  if (list.mouseDown) list.mouseDown(MouseButton::Left, 0, 0, 0);
  if (list.mouseUp) list.mouseUp(MouseButton::Left, 0, 0, 0);
}

void Editing::cmd_Ret_MouseUp(int, int, int, int) {
  p_.frm_Oszi.lbl_Schneiden.setVisible(false);
  leaveCutMode();
}

std::optional<std::string> Editing::SaveSelectionAsCq() {
  return save(false);
}

std::optional<std::string> Editing::CutSelection() {
  auto written = save(true);
  ListBox& list = p_.frm_DoKu.lb_Sounds;
  if (written && list.listCount() > 0) list.setListIndex(list.listCount() - 1);
  return written;
}

std::optional<std::string> Editing::save(bool cut) {
  const std::string name = newRecordingName();
  const std::string source = p_.player.speedCopyPath();
  std::optional<std::string> written;
  if (markStart > 0) {
    Player& player = p_.player;
    player.cmdStop_Click();
    player.cmdStop_MouseDown(MouseButton::Left, 0, 0, 0);
    player.cmdStop_MouseUp(MouseButton::Left, 0, 0, 0);
    const auto file = readWholeFile(source);
    const LoadedWave wave = file ? LoadWave(std::span<const std::uint8_t>(*file)) : LoadedWave{};
    if (!wave.usable()) {
      p_.tellUser(p_.ownMessage(OwnText::EditReadFailed, {source, "no usable WAV file"}));
      return std::nullopt;
    }
    // The CQ piece ends 290 bytes before the end mark.
    const auto stretch = stretchOf(wave.info, markStart, markEnd, cut ? 0 : kPositionUnits);
    if (!stretch) return std::nullopt;
    if (cut) {
      // The list's clean-up deletes a recording not longer than the minimum time, so
      // such a rest would vanish as soon as it was written: it is not cut at all.
      const double keptSeconds = static_cast<double>(wave.info.dataLength -
                                                     (stretch->end - stretch->start)) /
                                 std::max<std::int32_t>(1, wave.info.byteRate);
      if (keptSeconds * 10 <= p_.minRecordTenths) {
        p_.tellUser(p_.ownMessage(OwnText::EditRestTooShort,
                                  {numberText(std::floor(keptSeconds * 10) / 10),
                                   numberText(p_.minRecordTenths / 10)}));
        return std::nullopt;
      }
    }
    const std::span<const std::uint8_t> bytes(*file);
    const auto out = cut ? withoutStretchFile(bytes, *stretch) : pieceFile(bytes, *stretch);
    if (!out) return std::nullopt;
    // A recordings folder that has gone (an unplugged disk) is not made anew, and no
    // recording or CQ call is written over.
    if (p_.recorder.filer.folderVanished(p_.recordingsFolder)) {
      p_.tellUser(p_.ownMessage(OwnText::EditFolderGone, {p_.recordingsFolder}));
      return std::nullopt;
    }
    const std::string folder = findCaseInsensitive(p_.recordingsFolder, cut ? "W" : "CQFiles");
    const std::string path = findCaseInsensitive(folder, cut ? name : "X" + name.substr(1));
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
      p_.tellUser(p_.ownMessage(OwnText::EditNameTaken, {path}));
      return std::nullopt;
    }
    std::filesystem::create_directories(folder, ec);
    const auto ok = writeFileAtomically(path, *out);
    if (!ok) {
      p_.tellUser(p_.ownMessage(OwnText::EditSaveFailed, {path, ok.error().message}));
      return std::nullopt;
    }
    written = path;
    p_.recordingIndex.rebuildSoundList();
  }
  if (markStart > 0 && markEnd > 0) {
    markStart = 0;
    markEnd = 0;
  }
  p_.frm_Oszi.frx1.setMouseIcon(iconPath("hand.ico"));
  return written;
}

}  // namespace tv
