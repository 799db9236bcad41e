#include "player/editing.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/files.h"
#include "platform/sound/wav_file.h"

namespace tv {
namespace {

constexpr std::int64_t kPositionUnits = 290;
constexpr int kTwipsPerPixel = 15;
constexpr std::size_t kBlockFrames = 1 << 14;

std::string twoDigits(int v) {
  return (v < 10 ? "0" : "") + std::to_string(v);
}

// Copies frames [from, to) of `sound` to `out`, a block at a time.
Result<void> copyFrames(SoundFileReader& sound, std::uint64_t from, std::uint64_t to,
                        WavWriter& out) {
  const auto frameBytes = static_cast<std::size_t>(sound.info().bytesPerFrame());
  std::vector<std::uint8_t> block(kBlockFrames * frameBytes);
  while (from < to) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockFrames, to - from));
    const Result<std::size_t> read = sound.read(from, std::span(block).first(n * frameBytes));
    if (!read) return read.error();
    if (*read == 0) return failure("the sound ends early");
    if (auto written = out.append(std::span(block).first(*read * frameBytes)); !written)
      return written;
    from += *read;
  }
  return success();
}

}  // namespace

std::int64_t bytesPerUnit(const SoundFileInfo& info) {
  return static_cast<std::int64_t>(info.dataBytes()) / kPositionUnits;
}

std::optional<Stretch> stretchOf(const SoundFileInfo& info, std::int64_t markStart,
                                 std::int64_t markEnd, std::int64_t endTrim) {
  const std::int64_t perUnit = bytesPerUnit(info);
  const std::int64_t block = std::max(1, info.bytesPerFrame());
  const auto length = static_cast<std::int64_t>(info.dataBytes());
  auto onFrame = [&](std::int64_t offset) {
    offset = std::clamp<std::int64_t>(offset, 0, length);
    return offset - offset % block;
  };
  const std::int64_t start = perUnit * markStart;
  const std::int64_t end = perUnit * markEnd - endTrim;
  if (start > end) return std::nullopt;
  return Stretch{onFrame(start), onFrame(end)};
}

Result<void> writeEdited(SoundFileReader& sound, const Stretch& s, Keep keep,
                         const std::string& path, int rate) {
  const SoundFileInfo& info = sound.info();
  const auto frameBytes = static_cast<std::uint64_t>(info.bytesPerFrame());
  const std::uint64_t start = static_cast<std::uint64_t>(s.start) / frameBytes;
  const std::uint64_t end = static_cast<std::uint64_t>(s.end) / frameBytes;
  auto out =
      WavWriter::create(path, info.channels, info.bitsPerSample, rate > 0 ? rate : info.sampleRate);
  if (!out) return out.error();
  if (keep == Keep::stretch) {
    if (auto copied = copyFrames(sound, start, end, **out); !copied) return copied;
  } else {
    if (auto copied = copyFrames(sound, 0, start, **out); !copied) return copied;
    if (auto copied = copyFrames(sound, end, info.frames, **out); !copied) return copied;
  }
  return (*out)->finish();
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
  Player& player = p_.player;
  // The sound as it plays in the window: the file at the speed slider's rate. Before
  // anything played, the chosen file at its own rate.
  const bool applied = !player.speedSource.empty();
  const std::string source = applied ? player.speedSource : trim(player.chosenFile);
  const int rate = applied ? player.speedRate : 0;
  std::optional<std::string> written;
  if (markStart > 0) {
    player.cmdStop_Click();
    player.cmdStop_MouseDown(MouseButton::Left, 0, 0, 0);
    player.cmdStop_MouseUp(MouseButton::Left, 0, 0, 0);
    auto sound = openSoundFile(source);
    if (!sound) {
      p_.tellUser(p_.ownMessage(OwnText::EditReadFailed, {source, sound.error().message}));
      return std::nullopt;
    }
    const SoundFileInfo& info = (*sound)->info();
    // The CQ piece ends 290 bytes before the end mark.
    const auto stretch = stretchOf(info, markStart, markEnd, cut ? 0 : kPositionUnits);
    if (!stretch) return std::nullopt;
    if (cut) {
      // The list's clean-up deletes a recording not longer than the minimum time, so
      // such a rest would vanish as soon as it was written: it is not cut at all.
      const double keptSeconds = static_cast<double>(static_cast<std::int64_t>(info.dataBytes()) -
                                                     (stretch->end - stretch->start)) /
                                 info.bytesPerFrame() /
                                 std::max(1, rate > 0 ? rate : info.sampleRate);
      if (keptSeconds * 10 <= p_.minRecordTenths) {
        p_.tellUser(p_.ownMessage(OwnText::EditRestTooShort,
                                  {numberText(std::floor(keptSeconds * 10) / 10),
                                   numberText(p_.minRecordTenths / 10)}));
        return std::nullopt;
      }
    }
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
    const auto ok = writeEdited(**sound, *stretch, cut ? Keep::rest : Keep::stretch, path, rate);
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
