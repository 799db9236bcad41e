#include "app/notices.h"

#include "app/program.h"

namespace tv {

namespace {

constexpr int kNoticePanel = 3;  // the program's name and version make room for it
constexpr int kTwipsPerPixel = 15;

std::string stamp(const LocalDateTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

// Message texts break their lines with CR for the message box; one line reads better in
// a status bar and a list.
std::string flat(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

Notices::Notices(Program& program) : p_(program) {
  NoticesForm& f = p_.frm_Meldungen;
  f.cmd_Schliessen.click = [this] { hideHistory(); };
  f.close = [this](bool& cancel) {
    cancel = true;
    hideHistory();
  };
  p_.frm_DoKu.sb.mouseUp = [this](int button, int, int x, int) {
    if (button == MouseButton::Left && panelAt(x) == kNoticePanel && latest()) showHistory();
  };
}

void Notices::tell(std::string_view area, const std::string& text, LogLevel level) {
  const std::string line = flat(text);
  p_.log.write(level, area, line);
  history_.push_front({stamp(p_.platform.clock.localNow()), std::string(area), line});
  if (history_.size() > kHistory) history_.pop_back();
  showInStatusBar();
  if (p_.frm_Meldungen.visible()) showHistory();
}

bool Notices::tellOnce(std::string_view cause, std::string_view area, const std::string& text,
                       LogLevel level) {
  if (told_.contains(cause)) return false;
  told_.emplace(cause);
  tell(area, text, level);
  return true;
}

void Notices::clear(std::string_view cause) {
  if (auto it = told_.find(cause); it != told_.end()) told_.erase(it);
}

void Notices::showInStatusBar() {
  StatusBar& sb = p_.frm_DoKu.sb;
  const Notice* notice = latest();
  if (!notice || sb.panels().size() < kNoticePanel + 1) return;
  std::vector<StatusBar::Panel> panels = sb.panels();
  StatusBar::Panel& line = panels[kNoticePanel - 1];
  // The time of day tells a notice of this morning from one of three days ago.
  line.text = notice->when.substr(11, 5) + " " + notice->text;
  line.toolTip = notice->when + "  " + notice->text + "\n" + p_.ownMessage(OwnText::NoticeLineHint);
  line.widthPixels = kLineWidthPixels;
  panels[kNoticePanel].widthPixels = 0;
  sb.setPanels(std::move(panels));
}

int Notices::panelAt(int x) const {
  const auto& panels = p_.frm_DoKu.sb.panels();
  int right = 0;
  for (std::size_t i = 0; i < panels.size(); ++i) {
    right += panels[i].widthPixels * kTwipsPerPixel;
    if (x < right) return static_cast<int>(i) + 1;
  }
  return 0;
}

void Notices::showHistory() {
  NoticesForm& f = p_.frm_Meldungen;
  f.setCaption(p_.ownMessage(OwnText::NoticesCaption));
  f.cmd_Schliessen.setCaption(p_.ownMessage(OwnText::NoticesClose));
  std::vector<std::string> items;
  items.reserve(history_.size());
  for (const Notice& n : history_) items.push_back(n.when + "  " + n.text);
  f.lb_Meldungen.setItems(std::move(items));
  if (!f.loaded()) f.load();
  f.show();
}

void Notices::hideHistory() {
  p_.frm_Meldungen.hide();
}

}  // namespace tv
