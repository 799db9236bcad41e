#include "app/settings_file.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "app/ansi_text.h"
#include "app/numbers.h"
#include "app/program.h"
#include "platform/files.h"
#include "recorder/capture_name.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

// A value the settings controls cannot take: the file is corrupt.
struct Refused {};

std::string mid(const std::string& s, size_t first, size_t count = std::string::npos) {
  if (first >= s.size()) return {};
  return s.substr(first, count);
}

std::string firstCharacter(const std::string& s) { return s.empty() ? std::string() : s.substr(0, 1); }

// A line break inside a field would shift every following line of the file.
std::string oneLine(std::string s) {
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// A check box takes 0, 1 or 2 (greyed); the flag is what the box then holds.
int applyCheck(CheckBox& box, double number) {
  const long long v = roundHalfEven(number);
  if (v < 0 || v > 2) throw Refused{};
  box.setValue(static_cast<int>(v));
  return box.value();
}

std::string fileError(const std::error_code& ec) { return ec.message(); }

}  // namespace

int sendKeyLineForPin(char pin) {
  switch (pin) {
    case '1': return 1;
    case '6': return 3;
    case '8': return 4;
    case '9': return 2;
    default: return 0;
  }
}

int txTimeoutFromLine(const std::string& line) {
  constexpr int kDefault = 300;
  constexpr double kLongest = 86'400;
  const std::string text = trim(line);
  if (text.empty() || text.front() < '0' || text.front() > '9') return kDefault;
  return static_cast<int>(roundHalfEven(std::min(leadingNumber(text), kLongest)));
}

namespace {
// Quotes one argument of a desktop entry's Exec key.
std::string execArgument(const std::string& arg) {
  std::string quoted = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  // The desktop entry format reads backslashes itself once more, and takes a lone "%"
  // for a field code.
  std::string escaped;
  for (char c : quoted) {
    if (c == '\\' || c == '%') escaped += c;
    escaped += c;
  }
  return escaped;
}
}  // namespace

std::string autostartEntry(const std::string& executable, const std::string& folder,
                           const std::string& comment) {
  std::string text;
  text += "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Name=Tonvogel\n";
  text += "Comment=" + oneLine(comment) + "\n";
  text += "Exec=" + execArgument(executable) + " --program-folder " + execArgument(folder) + "\n";
  text += "Path=" + oneLine(folder) + "\n";
  text += "Terminal=false\n";
  text += "X-GNOME-Autostart-enabled=true\n";
  return text;
}

std::string SettingsFile::path() const {
  return findCaseInsensitive(p_.programFolder, "Tonvogel.ini");
}

std::string SettingsFile::stamp(const char* separator) const {
  const LocalDateTime t = p_.platform.clock.localNow();
  return p_.programFolder + "/Tonvogel.ini created " + twoDigits(t.day) + "." +
         twoDigits(t.month) + "." + std::to_string(t.year) + separator + twoDigits(t.hour) +
         ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

std::vector<std::string> SettingsFile::defaultLines() const {
  return {stamp(", "),
          p_.programFolder,
          "QQ0QQ",
          "11025",
          p_.languageCode == "GB" ? "2" : "1",
          "1",
          "2",
          std::string("71+689") + kPinLineComment,
          "67",
          "10",
          "180",
          "8",
          "5",
          "3",
          "50",
          "1",
          "0",
          "0",
          "1",
          "0",
          "0",
          "10",
          "1",
          "1",
          "0",
          "6",
          "15        15",
          "15",
          "15",
          "6760",
          "5325",
          "15",
          "0",
          "300"};
}

bool SettingsFile::write(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += lineForFile(line) + "\r\n";
  const std::string target = path();
  const Result<void> written = writeFileAtomically(target, bytes);
  if (!written) {
    p_.report("settings",
              p_.ownMessage(OwnText::SettingsWriteFailed, {target, written.error().message}));
    return false;
  }
  return true;
}

void SettingsFile::create() {
  std::error_code ec;
  if (fs::exists(path(), ec)) return;
  p_.installationCheck();
  if (p_.ended()) return;
  write(defaultLines());
}

bool SettingsFile::save() {
  std::error_code ec;
  if (!fs::exists(path(), ec)) return true;
  SettingsForm& f = p_.frm_Einstellungen;
  MainForm& main = p_.frm_DoKu;
  PlaybackForm& oszi = p_.frm_Oszi;

  if (leadingNumber(f.ed_PauseStille.text()) < 4) f.ed_PauseStille.setText("4");
  f.cb_Lang.setText(p_.languageIndex >= 0 && p_.languageIndex < 6
                        ? p_.languageCodes[static_cast<size_t>(p_.languageIndex)]
                        : std::string());
  for (Form* w : {static_cast<Form*>(&main), static_cast<Form*>(&f)}) {
    if (w->left() < 15) w->setLeft(15);
    if (w->top() < 15) w->setTop(15);
  }

  // An empty pin box is written as "0", which reads back as no pin at all.
  auto pin = [](const ComboBox& box) {
    const std::string c = firstCharacter(box.text());
    return c.empty() || c == " " ? std::string("0") : c;
  };
  const std::string pinLine = pin(f.cb_TX) + pin(f.cb_TX_off) + (p_.pttInverted == "1" ? "-" : "+") +
                              pin(f.cb_Rog2) + pin(f.cb_Rog1) + pin(f.cb_CQ) + kPinLineComment;
  auto check = [](const CheckBox& box) { return std::to_string(box.value()); };

  std::vector<std::string> lines = {
      stamp(" - "),
      f.ed_PfadDoku.text(),
      f.ed_FunkName.text(),
      f.cb_Sample.text(),
      std::to_string(p_.languageIndex),
      f.ed_FK.text(),
      f.cb_Com.text(),
      pinLine,
      f.ed_StartPegel.text(),
      f.ed_AufnZeitMin.text(),
      f.ed_AufnZeitMax.text(),
      f.ed_PauseStille.text(),
      f.ed_PauseSignal.text(),
      f.ed_FilesLöschen.text(),
      f.ed_PlayPegel.text(),
      check(f.chk_StartAuto),
      check(f.chk_Sichtbar),
      check(f.chk_Log_Anz),
      check(f.chk_AufnDoku),
      check(f.chk_TX),
      numberText(p_.soundFileCount),
      f.ed_Interval.text(),
      check(f.chk_Sichtbar2),
      check(f.chkFortlaufend),
      f.chkPapagei.value() == 1 ? "1" : "0",
      f.ed_CQ.text(),
      padLeft(main.left(), 8) + "  " + padLeft(p_.mainWindowHeight, 8),
      std::to_string(main.top()),
      std::to_string(f.left()),
      std::to_string(f.top()),
      std::to_string(oszi.left()),
      std::to_string(oszi.top()),
      std::to_string(p_.autostartFlag),
      f.ed_TxTimeout.text()};
  for (std::string& line : lines) line = oneLine(std::move(line));
  const bool written = write(lines);
  main.lblrsp.setVisible(false);
  return written;
}

void SettingsFile::apply() {
  std::error_code ec;
  if (!fs::exists(path(), ec)) {
    // The last save at program end found no file (deleted meanwhile): nothing to read,
    // and no installation window to show on the way out.
    if (p_.shuttingDown()) return;
    createAndApply();
    return;
  }

  std::vector<std::string> lines;
  {
    std::ifstream in(path(), std::ios::binary);
    std::string line;
    while (lines.size() < kTxTimeoutLine && std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(lineFromFile(line));
    }
  }
  std::vector<std::string> warnings;
  if (!applyLines(lines, warnings)) {
    handleCorruptFile();
    return;
  }
  // The last apply of the shutdown has no one to tell; report() only logs then.
  for (const std::string& w : warnings) p_.report("settings", w);
}

bool SettingsFile::applyLines(const std::vector<std::string>& lines,
                              std::vector<std::string>& warnings) {
  try {
    for (int n = 2; n <= kLineCount; ++n) {
      if (static_cast<size_t>(n) > lines.size()) throw Refused{};
      applyLine(n, lines[static_cast<size_t>(n - 1)], warnings);
    }
    applyLine(kTxTimeoutLine,
              lines.size() >= static_cast<size_t>(kTxTimeoutLine) ? lines[kTxTimeoutLine - 1]
                                                                  : std::string(),
              warnings);
  } catch (const Refused&) {
    return false;
  }
  for (Form* w : {static_cast<Form*>(&p_.frm_DoKu), static_cast<Form*>(&p_.frm_Einstellungen),
                  static_cast<Form*>(&p_.frm_Oszi)}) {
    if (w->left() < 15) w->setLeft(15);
    if (w->top() < 15) w->setTop(15);
  }
  applyStartWithLogin(warnings);
  p_.frm_DoKu.progressbar4.setMax(std::max(1, static_cast<int>(p_.minRecordTenths)));
  return true;
}

void SettingsFile::applyLine(int n, const std::string& L, std::vector<std::string>& warnings) {
  SettingsForm& f = p_.frm_Einstellungen;
  MainForm& main = p_.frm_DoKu;
  const double number = leadingNumber(L);
  switch (n) {
    case 2: {
      f.ed_PfadDoku.setText(L);
      p_.recordingsFolder = trim(f.ed_PfadDoku.text());
      const std::string cq = findCaseInsensitive(p_.recordingsFolder, "CQFiles");
      std::error_code ec;
      // Only the one folder, and not in a recordings folder that has gone (an unplugged
      // disk, or its empty mount point): that is not quietly made anew.
      if (!fs::is_directory(cq, ec) && !p_.recorder.filer.folderVanished(p_.recordingsFolder)) {
        fs::create_directory(cq, ec);
        if (ec || !fs::is_directory(cq))
          warnings.push_back(p_.ownMessage(OwnText::CqFolderFailed,
                                           {cq, ec ? fileError(ec) : "not a folder"}));
      }
      break;
    }
    case 3:
      f.ed_FunkName.setText(L);
      p_.networkName = trim(f.ed_FunkName.text());
      main.lbl_LoadWave.setCaption(f.ed_FunkName.text() + " " + p_.messageTexts.items[5]);
      break;
    case 4:
      f.cb_Sample.setText(L);
      p_.sampleRate = f.cb_Sample.text();
      break;
    case 5: {
      const long long index = roundHalfEven(number);
      if (index < 0 || index > 5) throw Refused{};
      p_.languageIndex = static_cast<int>(index);
      p_.languageCode = p_.languageCodes[static_cast<size_t>(index)];
      f.cb_Lang.setText(p_.languageCode);
      break;
    }
    case 6:
      // Recording names and their folders have room for one digit: another number is
      // refused and the last usable one stays.
      if (networkNumberUsable(L)) {
        f.ed_FK.setText(L);
        p_.networkNumber = leadingNumber(f.ed_FK.text());
      } else {
        warnings.push_back(p_.ownMessage(OwnText::NetworkNumberRefused,
                                         {trim(L), numberText(p_.networkNumber)}));
        f.ed_FK.setText(numberText(p_.networkNumber));
      }
      break;
    case 7:
      f.cb_Com.setText(trim(L));
      p_.comPortName = trim("COM" + f.cb_Com.text());
      break;
    case 8: {
      f.cb_TX.setText(mid(L, 0, 1));
      f.cb_TX_off.setText(mid(L, 1, 1));
      f.cb_Rog2.setText(mid(L, 3, 1));
      f.cb_Rog1.setText(mid(L, 4, 1));
      f.cb_CQ.setText(mid(L, 5, 1));
      p_.pttPin = leadingNumber(mid(L, 0, 1));
      p_.sendKeyLine = L.size() > 1 ? sendKeyLineForPin(L[1]) : 0;
      p_.pttInverted = mid(L, 2, 1) == "+" ? "0" : "1";
      p_.roger2Pin = leadingNumber(mid(L, 3, 1));
      p_.roger1Pin = leadingNumber(mid(L, 4, 1));
      p_.autoCqPin = leadingNumber(mid(L, 5, 1));
      break;
    }
    case 9:
      f.ed_StartPegel.setText(L);
      main.lbl_Schwelle.setCaption(numberText(number));
      p_.startLevel = number;
      // A threshold typed beyond the slider's range is shown at its end; the value
      // itself stands as typed.
      main.sli_Schwelle.setValue(static_cast<int>(
          std::clamp<long long>(roundHalfEven(p_.startLevel), main.sli_Schwelle.min(),
                                main.sli_Schwelle.max())));
      break;
    case 10:
      f.ed_AufnZeitMin.setText(L);
      p_.minRecordTenths = number * 10;
      break;
    case 11:
      f.ed_AufnZeitMax.setText(L);
      p_.maxRecordTenths = std::floor(number * 10);
      main.progressbar3.setMax(std::max(1, static_cast<int>(p_.maxRecordTenths)));
      break;
    case 12:
      // Below 4 s the silence count ends takes in the middle of speech. The settings
      // window never saves less; a file edited by hand gets what the window would give.
      f.ed_PauseStille.setText(number < 4 ? std::string("4") : L);
      p_.pauseAfterSilence = std::max(number, 4.0);
      break;
    case 13:
      f.ed_PauseSignal.setText(L);
      p_.pauseAtSignal = number;
      break;
    case 14:
      f.ed_FilesLöschen.setText(L);
      p_.deleteAfterDays = number;
      break;
    case 15: {
      f.ed_PlayPegel.setText(L);
      const long long position =
          std::llabs(static_cast<long long>(std::floor(number * 65535 / 100)) - 65535);
      Slider& volume = p_.frm_Oszi.sli_Lautst;
      volume.setValue(static_cast<int>(std::clamp<long long>(position, 0, 65535)));
      const std::uint32_t half = static_cast<std::uint32_t>(volume.value()) & 0xFFFF;
      p_.playVolume = half | (half << 16);
      break;
    }
    case 16:
      p_.autoRecordFlag = applyCheck(f.chk_StartAuto, number);
      break;
    case 17:
      p_.startMinimizedFlag = applyCheck(f.chk_Sichtbar, number);
      break;
    case 18:
      p_.logMeterFlag = applyCheck(f.chk_Log_Anz, number);
      break;
    case 19:
      p_.loggingFlag = applyCheck(f.chk_AufnDoku, number);
      break;
    case 20: {
      p_.txViaComFlag = applyCheck(f.chk_TX, number);
      const bool tx = p_.txViaComFlag != 0;
      p_.frm_Oszi.cmdPap2.setVisible(tx);
      p_.frm_Oszi.lbl_TX.setVisible(tx);
      p_.frm_Oszi.lbl_Pl_tx.setVisible(tx);
      break;
    }
    case 21:
      p_.soundFileCount = number;
      break;
    case 22: {
      // A polling interval of 0 would stop the meter and with it every recording
      // without a word; such a value falls back to the usual 10 ms.
      long long interval = roundHalfEven(number);
      if (interval < 1 || interval > 65535) interval = 10;
      main.tmrPegel.setInterval(static_cast<int>(interval));
      f.ed_Interval.setText(std::to_string(main.tmrPegel.interval()));
      break;
    }
    case 23:
      p_.settingsVisibleFlag = applyCheck(f.chk_Sichtbar2, number);
      break;
    case 24:
      p_.playAllFlag = applyCheck(f.chkFortlaufend, number);
      break;
    case 25:
      if (number == 1) {
        p_.parrotFlag = 1;
        main.lblCQ.setVisible(true);
        f.chkPapagei.setValue(1);
        f.chkFortlaufend.setValue(0);
        p_.playAllFlag = 0;
        main.cmd_PAPA.setVisible(true);
        p_.frm_Oszi.cmdPap2.setVisible(true);
      } else {
        p_.parrotFlag = 0;
        main.lblCQ.setVisible(false);
        main.lblCQ.setBorderStyle(Look::Off);
        f.chkPapagei.setValue(0);
        main.cmd_PAPA.setVisible(false);
        p_.frm_Oszi.cmdPap2.setVisible(false);
        if (number != 0) {
          main.lblCQ.setEnabled(false);
          main.cmd_PAPA.setEnabled(false);
          f.ed_CQ.setEnabled(false);
          f.chkPapagei.setEnabled(false);
          f.lbl2.setEnabled(false);
        }
      }
      break;
    case 26:
      f.ed_CQ.setText(L);
      main.tmrCQ_PAUSE.setInterval(
          static_cast<int>(std::clamp<long long>(roundHalfEven(number * 1000), 0, 86'400'000)));
      break;
    case 27:
      main.setLeft(static_cast<int>(roundHalfEven(leadingNumber(mid(L, 0, 10)))));
      p_.mainWindowHeight = static_cast<int>(roundHalfEven(leadingNumber(mid(L, 10, 10))));
      p_.mainWindowLeft = main.left();
      break;
    case 28:
      main.setTop(static_cast<int>(roundHalfEven(number)));
      break;
    case 29:
      f.setLeft(static_cast<int>(roundHalfEven(number)));
      break;
    case 30:
      f.setTop(static_cast<int>(roundHalfEven(number)));
      break;
    case 31:
      p_.frm_Oszi.setLeft(static_cast<int>(roundHalfEven(number)));
      break;
    case 32:
      p_.frm_Oszi.setTop(static_cast<int>(roundHalfEven(number)));
      break;
    case 33:
      p_.autostartFlag = static_cast<int>(roundHalfEven(number));
      break;
    case kTxTimeoutLine:
      p_.txTimeoutSeconds = txTimeoutFromLine(L);
      f.ed_TxTimeout.setText(std::to_string(p_.txTimeoutSeconds));
      break;
    default:
      break;
  }
}

void SettingsFile::applyStartWithLogin(std::vector<std::string>& warnings) {
  CheckBox& box = p_.frm_Einstellungen.chkAutoStart;
  if (p_.autostartFolder.empty()) return;
  const std::string entry = p_.autostartFolder + "tonvogel.desktop";
  std::error_code ec;
  if (p_.autostartFlag == 1) {
    box.setValue(1);
    if (fs::exists(entry, ec)) return;  // an existing entry is never rewritten
    fs::create_directories(p_.autostartFolder, ec);
    std::string comment = p_.messageTexts.items[6];
    if (comment.rfind("Echo ", 0) == 0) comment.erase(0, 5);
    const Result<void> written = writeFileAtomically(
        entry, autostartEntry(p_.executablePath, p_.programFolder, comment));
    if (!written)
      warnings.push_back(
          p_.ownMessage(OwnText::AutostartWriteFailed, {entry, written.error().message}));
  } else {
    box.setValue(0);
    if (!fs::exists(entry, ec)) return;
    fs::remove(entry, ec);
    if (ec) warnings.push_back(p_.ownMessage(OwnText::AutostartDeleteFailed, {entry, fileError(ec)}));
  }
}

void SettingsFile::handleCorruptFile() {
  const std::string file = path();
  const auto& m = p_.messageTexts.items;
  const std::string cr = "\r";
  p_.messageBox("     " + m[7] + " " + cr + "     [" + p_.programFolder + "/Tonvogel.ini]" + cr +
                "     " + m[8] + " " + cr + cr + m[9]);
  // The bad file is kept beside the new one, so that nothing the user set is lost
  // without trace.
  const std::string bad = file + ".bad";
  std::error_code ec;
  fs::remove(bad, ec);
  fs::rename(file, bad, ec);
  if (ec) {
    fs::remove(file, ec);
  } else {
    p_.setWaitText(p_.ownMessage(OwnText::SettingsKeptAsBad, {bad}));
  }
  p_.installationCheck();
  if (p_.ended()) return;
  createAndApply();
}

void SettingsFile::createAndApply() {
  create();
  if (p_.ended()) return;
  std::error_code ec;
  if (fs::exists(path(), ec)) {
    p_.applySettings();
  } else {
    // The defaults could not be written (the failure has been told): run on them from
    // memory rather than trying again and again.
    std::vector<std::string> warnings;
    applyLines(defaultLines(), warnings);
  }
}

}  // namespace tv
