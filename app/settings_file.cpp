#include "app/settings_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/ansi_text.h"
#include "app/numbers.h"
#include "app/program.h"
#include "platform/files.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

// A line break inside a field would shift every following line of the file.
std::string oneLine(std::string s) {
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

std::string fileError(const std::error_code& ec) { return ec.message(); }

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

SettingsFile::SettingsFile(Program& program) : p_(program), table_(makeTable()) {}

std::vector<std::string> SettingsFile::defaultLines() const {
  std::vector<std::string> lines;
  lines.reserve(table_.size());
  for (const SettingsLine& entry : table_) lines.push_back(entry.fresh());
  return lines;
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
  raiseEdges({&p_.frm_DoKu, &p_.frm_Einstellungen});
  std::vector<std::string> lines;
  lines.reserve(table_.size());
  for (const SettingsLine& entry : table_) lines.push_back(oneLine(entry.save()));
  const bool written = write(lines);
  p_.frm_DoKu.lblrsp.setVisible(false);
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
    while (lines.size() < table_.size() && std::getline(in, line)) {
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
  applyStartWithLogin(warnings);
  p_.frm_DoKu.progressbar4.setMax(std::max(1, static_cast<int>(p_.minRecordTenths)));
  return true;
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
