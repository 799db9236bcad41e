#include "app/installation.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/desktop_entries.h"
#include "app/program.h"
#include "app/settings_file.h"
#include "texts/info_texts.h"
#include "texts/utf8_text.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

// Which pieces of the information text are headings; the others are paragraphs.
constexpr std::array<bool, kInfoTextPieceCount> kHeading = {
    true, true,  false, true,  false, true,  false, true,
    true, false, true,  false, true,  false, false, false};

// The labels cannot measure their text, so the layout reckons with an average line of
// the default font; too much room only leaves a gap below a paragraph.
constexpr int kCharactersPerLine = 62;
constexpr int kLineTwips = 240;

int paragraphHeight(const std::string& text) {
  int lines = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find('\r', start);
    const std::string_view line =
        std::string_view(text).substr(start, end == std::string::npos ? end : end - start);
    const int characters = static_cast<int>(characterCount(line));
    lines += std::max(1, (characters + kCharactersPerLine - 1) / kCharactersPerLine);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines * kLineTwips + 60;
}

}  // namespace

Installation::Installation(Program& program) : p_(program) {
  InstallForm& f = p_.frm_inst;
  f.lbl_Inst_DE.click = [this] { lbl_Inst_DE_Click(); };
  f.lbl_Inst_GB.click = [this] { lbl_Inst_GB_Click(); };
  f.chk_Inst.click = [this] { chk_Inst_Click(); };
  f.cmd_Inst_Ein.mouseUp = [this](int b, int s, int x, int y) { cmd_Inst_Ein_MouseUp(b, s, x, y); };
  f.cmd_Inst_NEIN.mouseUp = [this](int b, int s, int x, int y) {
    cmd_Inst_NEIN_MouseUp(b, s, x, y);
  };
  // The keyboard presses a button without a mouse-up; pressing twice does no harm.
  f.cmd_Inst_Ein.click = [this] { cmd_Inst_Ein_MouseUp(MouseButton::Left, 0, 0, 0); };
  f.cmd_Inst_NEIN.click = [this] { cmd_Inst_NEIN_MouseUp(MouseButton::Left, 0, 0, 0); };
  f.tmr_Inst.tick = [this] { tmr_Inst_Timer(); };
  f.tmr_Scroll.tick = [this] { tmr_Scroll_Timer(); };
  f.close = [this](bool& cancel) { frm_inst_Close(cancel); };

  const std::string icons = p_.programFolder + "/icon/";
  f.lbl_Inst_DE.setPicture(icons + "flag_de.png");
  f.lbl_Inst_GB.setPicture(icons + "flag_gb.png");
  f.setIconFile(icons + "tonvogel.png");
  for (int n = 0; n < kInfoTextPieceCount; ++n) {
    Label& label = *f.infoLabels()[static_cast<std::size_t>(n)];
    label.setWordWrap(true);
    if (kHeading[static_cast<std::size_t>(n)]) label.setFont("", n == 0 ? 12 : 10, true);
  }
}

void Installation::installationCheck() {
  std::error_code ec;
  if (fs::exists(p_.settingsFile.path(), ec)) return;
  // Nothing the window sets could be kept in a folder that cannot be written: it would be
  // back at every start. The start-up tells what to do instead; the language is the
  // desktop's.
  if (p_.settingsFile.folderUnwritable()) {
    const std::string language = p_.platform.shell.desktopLanguage();
    if (p_.languageCode.empty() && !language.empty())
      p_.languageCode = language == "de" ? "DL" : "GB";
    return;
  }

  InstallForm& f = p_.frm_inst;
  f.load();
  f.setCaption(p_.programFileName + " - " + p_.versionText + " - Installation");
  p_.placeWindowsOnScreen();
  f.cmd_Inst_Ein.setEnabled(f.chk_Inst.value() == 1);
  f.frx_Inst.setTop(-f.frx_Scroll.scrollValue());
  f.tmr_Scroll.setEnabled(true);
  f.show();

  while (f.loaded() && !p_.ended()) {
    if (p_.installTicks > 3) {
      cmd_Inst_NEIN_MouseUp(MouseButton::Left, 0, 0, 0);
    } else if (p_.installTicks == 2) {
      closeWindow();
    } else {
      p_.platform.loop.waitAndDispatch();
    }
  }
  // Ending the program otherwise (a signal, say) must not leave the window up.
  if (f.loaded()) closeWindow();
}

void Installation::closeWindow() {
  InstallForm& f = p_.frm_inst;
  f.tmr_Inst.setEnabled(false);
  f.tmr_Scroll.setEnabled(false);
  f.unload();
}

void Installation::LoadInfoText(Language language) {
  const std::array<std::string, 21> pieces = infoTextPieces(language, p_.programFolder);
  const auto labels = p_.frm_inst.infoLabels();
  for (int n = 1; n <= kInfoTextPieceCount; ++n)
    labels[static_cast<std::size_t>(n - 1)]->setCaption(pieces[static_cast<std::size_t>(n)]);
  layOutInfoText();
}

void Installation::layOutInfoText() {
  InstallForm& f = p_.frm_inst;
  const auto labels = f.infoLabels();
  int top = 60;
  for (std::size_t n = 0; n < labels.size(); ++n) {
    Label& label = *labels[n];
    const int height = kHeading[n] ? (n == 0 ? 390 : 300) : paragraphHeight(label.caption());
    label.setTop(top);
    label.setHeight(height);
    top += height + (kHeading[n] ? 0 : 120);
  }
  f.frx_Inst.setHeight(top);
  f.frx_Scroll.setScrollMax(std::max(0, top - f.frx_Scroll.height() + 60));
}

void Installation::chooseLanguage(Language language, const char* code) {
  InstallForm& f = p_.frm_inst;
  p_.languageCode = code;
  f.setHeight(InstallForm::kFullHeight);
  p_.placeWindowsOnScreen();
  LoadInfoText(language);
  TextTable& table = language == Language::English ? p_.englishTable : p_.germanTable;
  LoadTextTable(table, language);
  p_.textApplication.applyRange(table, 1, 7);
}

void Installation::lbl_Inst_DE_Click() {
  chooseLanguage(Language::German, "DL");
}

void Installation::lbl_Inst_GB_Click() {
  chooseLanguage(Language::English, "GB");
}

void Installation::chk_Inst_Click() {
  InstallForm& f = p_.frm_inst;
  f.cmd_Inst_Ein.setEnabled(f.chk_Inst.value() == 1);
}

void Installation::cmd_Inst_Ein_MouseUp(int, int, int, int) {
  // Only an accepted installation goes on, whatever delivered the press.
  if (p_.frm_inst.chk_Inst.value() != 1) return;
  p_.frm_inst.tmr_Inst.setEnabled(true);
}

void Installation::cmd_Inst_NEIN_MouseUp(int, int, int, int) {
  closeWindow();
  p_.endProgram(0);
}

void Installation::tmr_Inst_Timer() {
  InstallForm& f = p_.frm_inst;
  ++p_.installTicks;
  f.setCaption(std::to_string(p_.installTicks));
  if (p_.installTicks == 1 && f.chk_Start.value() == 1) createDesktopLauncher();
}

void Installation::frm_inst_Close(bool& cancel) {
  cancel = true;
}

void Installation::tmr_Scroll_Timer() {
  const Frame& scroll = p_.frm_inst.frx_Scroll;
  // A shorter text (the other language) may have left the position past its end.
  p_.frm_inst.frx_Inst.setTop(-std::min(scroll.scrollValue(), scroll.scrollMax()));
}

std::string Installation::desktopLauncherPath() const {
  return p_.platform.shell.desktopFolder() + folderEntryName(p_.programFolder);
}

bool Installation::createDesktopLauncher() {
  std::string entry = autostartEntry(p_.executablePath, p_.programFolder, "Tonvogel");
  // The same entry as for start at login, less the key only autostart reads.
  const std::string autostartKey = "X-GNOME-Autostart-enabled=true\n";
  if (const std::size_t at = entry.find(autostartKey); at != std::string::npos)
    entry.erase(at, autostartKey.size());
  entry += "Icon=" + p_.programFolder + "/icon/tonvogel.png\n";
  entry += "Categories=AudioVideo;Audio;HamRadio;\n";

  const std::string path = desktopLauncherPath();
  const auto failed =
      placeFolderEntry(p_.platform.shell.desktopFolder(), p_.programFolder, entry, false);
  // Desktops start a launcher only when it is executable.
  std::error_code ec;
  if (fs::exists(path, ec))
    fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
  if (failed) {
    // The settings, and with them the language in force, come only after this window.
    const Language language = p_.languageCode == "GB" ? Language::English : Language::German;
    p_.tellUser(
        formatOwnText(OwnText::DesktopLauncherFailed, language, {failed->path, failed->reason}));
    return false;
  }
  return true;
}

}  // namespace tv
