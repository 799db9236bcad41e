#include "app/settings_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/ansi_text.h"
#include "app/desktop_entries.h"
#include "app/numbers.h"
#include "app/program.h"
#include "app/settings_values.h"
#include "platform/files.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// No window starts off screen.
void raiseEdges(std::initializer_list<Form*> windows) {
  for (Form* w : windows) {
    if (w->left() < 15) w->setLeft(15);
    if (w->top() < 15) w->setTop(15);
  }
}

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

std::string SettingsFile::path() const {
  return findCaseInsensitive(p_.programFolder, "Tonvogel.ini");
}

std::string SettingsFile::stamp(const char* separator) const {
  const LocalDateTime t = p_.platform.clock.localNow();
  return p_.programFolder + "/Tonvogel.ini created " + twoDigits(t.day) + "." +
         twoDigits(t.month) + "." + std::to_string(t.year) + separator + twoDigits(t.hour) +
         ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

SettingsFile::SettingsFile(Program& program) : p_(program), table_(makeTable()) {}

std::vector<std::string> SettingsFile::defaultLines() const {
  std::vector<std::string> lines;
  lines.reserve(table_.size());
  for (const SettingsLine& entry : table_) lines.push_back(entry.fresh());
  return lines;
}

std::string SettingsFile::backupPath() const {
  return path() + ".bak";
}

namespace {

// The lines of a settings file without their ends, at most `most` of them; a last line
// without a line end is a line like any other.
std::vector<std::string> readLines(const std::string& file, std::size_t most) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (lines.size() < most && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(lineFromFile(line));
  }
  return lines;
}

}  // namespace

std::string SettingsFile::storedLanguageCode() const {
  constexpr std::size_t kLanguageLine = 5;
  const std::vector<std::string> lines = readLines(path(), kLanguageLine);
  if (lines.size() < kLanguageLine) return {};
  const long long index = roundHalfEven(leadingNumber(lines[kLanguageLine - 1]));
  return index == 1 ? "DL" : index == 2 ? "GB" : "";
}

void SettingsFile::checkFolder() {
  // The name a save writes first: a folder that cannot take it cannot take the file.
  const Result<void> writable = checkWritable(path() + ".tmp");
  unwritableReason_ = writable ? std::string() : writable.error().message;
  // The start-up's own notice says it; every later save need not.
  if (!writable) writeFailureTold_ = true;
}

void SettingsFile::tellUnwritableFolder() {
  if (unwritableReason_.empty()) return;
  p_.notices.tellOnce(
      "program-folder-unwritable", "settings",
      p_.ownMessage(OwnText::ProgramFolderUnwritable, {p_.programFolder, unwritableReason_}));
}

void SettingsFile::keepPrevious(const std::string& file) {
  std::error_code ec;
  if (!fs::exists(file, ec)) return;
  // A file a power cut has damaged must not replace a good backup.
  if (readLines(file, kLineCount).size() < static_cast<std::size_t>(kLineCount)) return;
  const Result<void> kept =
      writeFileDurably(backupPath(), readFileBytes(file), p_.platform.fileSync);
  if (!kept) p_.log.warning("settings", "no backup " + backupPath() + ": " + kept.error().message);
}

bool SettingsFile::write(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += lineForFile(line) + "\r\n";
  const std::string target = path();
  keepPrevious(target);
  const Result<void> written = writeFileDurably(target, bytes, p_.platform.fileSync);
  if (written) {
    inForce_.reset();
    writeFailureTold_ = false;
    return true;
  }
  inForce_ = lines;
  const std::string text =
      p_.ownMessage(OwnText::SettingsWriteFailed, {target, written.error().message});
  if (writeFailureTold_) {
    p_.log.warning("settings", text);
  } else {
    writeFailureTold_ = true;
    p_.report("settings", text);
  }
  return false;
}

void SettingsFile::create() {
  std::error_code ec;
  if (fs::exists(path(), ec)) return;
  p_.installationCheck();
  if (p_.ended()) return;
  write(defaultLines());
}

void SettingsFile::save() {
  std::error_code ec;
  if (!inForce_ && !fs::exists(path(), ec)) return;
  raiseEdges({&p_.frm_DoKu, &p_.frm_Einstellungen});
  std::vector<std::string> lines;
  lines.reserve(table_.size());
  for (const SettingsLine& entry : table_) lines.push_back(oneLine(entry.save()));
  write(lines);
  p_.frm_DoKu.lblrsp.setVisible(false);
}

void SettingsFile::apply() {
  if (inForce_) {
    applyInForce();
    return;
  }
  std::error_code ec;
  if (!fs::exists(path(), ec)) {
    // The last save at program end found no file (deleted meanwhile): nothing to read,
    // and no installation window to show on the way out.
    if (p_.shuttingDown()) return;
    createAndApply();
    return;
  }

  const std::vector<std::string> lines = readLines(path(), table_.size());
  if (lines.size() < static_cast<std::size_t>(kLineCount) && recoverFromBackup(lines.size()))
    return;
  std::vector<std::string> warnings;
  if (!applyLines(lines, warnings)) {
    handleCorruptFile();
    return;
  }
  // The last apply of the shutdown has no one to tell; report() only logs then.
  for (const std::string& w : warnings) p_.report("settings", w);
}

void SettingsFile::applyInForce() {
  std::vector<std::string> warnings;
  // Lines that save wrote always apply; should they not, the defaults stand in.
  if (!applyLines(*inForce_, warnings)) {
    inForce_ = defaultLines();
    warnings.clear();
    applyLines(*inForce_, warnings);
  }
  for (const std::string& w : warnings) p_.report("settings", w);
}

bool SettingsFile::recoverFromBackup(std::size_t linesFound) {
  const std::string backup = backupPath();
  const std::vector<std::string> lines = readLines(backup, table_.size());
  if (lines.size() < static_cast<std::size_t>(kLineCount)) return false;
  std::vector<std::string> warnings;
  if (!applyLines(lines, warnings)) return false;
  const std::string file = path();
  p_.notice("settings",
            p_.ownMessage(OwnText::SettingsRecovered, {file, std::to_string(linesFound), backup}));
  // The file is put back as the backup holds it; the damaged one is not kept as a backup.
  const Result<void> restored = writeFileDurably(file, readFileBytes(backup), p_.platform.fileSync);
  if (!restored) {
    inForce_ = lines;
    warnings.push_back(
        p_.ownMessage(OwnText::SettingsWriteFailed, {file, restored.error().message}));
  }
  for (const std::string& w : warnings) p_.report("settings", w);
  return true;
}

bool SettingsFile::applyLines(const std::vector<std::string>& lines,
                              std::vector<std::string>& warnings) {
  // Line 1 is the stamp, never read.
  for (std::size_t i = 1; i < table_.size(); ++i) {
    const bool original = static_cast<int>(i) < kLineCount;
    if (i >= lines.size() && original) return false;
    const std::string line = i < lines.size() ? lines[i] : std::string();
    try {
      table_[i].apply(line, warnings);
    } catch (const SettingsLine::Refused&) {
      if (original) return false;
      // A later line never makes the file corrupt: what it cannot take reads as missing.
      table_[i].apply({}, warnings);
    }
  }
  raiseEdges({&p_.frm_DoKu, &p_.frm_Einstellungen, &p_.frm_Oszi});
  tellWindowsRecordingsFolder();
  applyStartWithLogin(warnings);
  p_.frm_DoKu.progressbar4.setMax(std::max(1, static_cast<int>(p_.minRecordTenths)));
  return true;
}

void SettingsFile::tellWindowsRecordingsFolder() {
  constexpr std::string_view kCause = "windows-recordings-folder";
  const std::string& field = p_.frm_Einstellungen.ed_PfadDoku.text();
  if (!isWindowsPath(field)) {
    p_.notices.clear(kCause);
    return;
  }
  p_.notices.tellOnce(
      kCause, "settings",
      p_.ownMessage(OwnText::WindowsRecordingsFolder, {trim(field), p_.recordingsFolder}));
}

void SettingsFile::applyStartWithLogin(std::vector<std::string>& warnings) {
  CheckBox& box = p_.frm_Einstellungen.chkAutoStart;
  if (p_.autostartFolder.empty()) return;
  if (p_.autostartFlag == 1) {
    box.setValue(1);
    std::string comment = p_.messageTexts.items[6];
    if (comment.rfind("Echo ", 0) == 0) comment.erase(0, 5);
    const auto failed =
        placeFolderEntry(p_.autostartFolder, p_.programFolder,
                         autostartEntry(p_.executablePath, p_.programFolder, comment), true);
    if (failed)
      warnings.push_back(
          p_.ownMessage(OwnText::AutostartWriteFailed, {failed->path, failed->reason}));
  } else {
    box.setValue(0);
    const auto failed = removeFolderEntries(p_.autostartFolder, p_.programFolder);
    if (failed)
      warnings.push_back(
          p_.ownMessage(OwnText::AutostartDeleteFailed, {failed->path, failed->reason}));
  }
}

void SettingsFile::handleCorruptFile() {
  // With no one to tell, a station's own file is never swapped for the defaults.
  if (p_.headless()) {
    p_.endForUnusableSettings(OwnText::HeadlessSettingsCorrupt);
    return;
  }
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
  if (fs::exists(file, ec)) {
    // A folder that cannot be written keeps the bad file: reading it again would find it
    // bad again. The defaults go into force from memory.
    inForce_ = defaultLines();
    applyInForce();
    return;
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
    return;
  }
  // The defaults could not be written (the failure has been told): they are in force
  // from memory rather than written again and again.
  if (!inForce_) inForce_ = defaultLines();
  applyInForce();
}

}  // namespace tv
