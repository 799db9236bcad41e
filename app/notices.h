#pragma once

#include <cstddef>
#include <deque>
#include <set>
#include <string>
#include <string_view>

#include "platform/log.h"

namespace tv {

class Program;

// What the station tells its user without waiting for an answer: a copy that failed, a
// device that went away, an hour whose announcement was skipped. Each notice goes to the
// station log, into the history, and into the notice line of the main window's status
// bar — the latest, with the whole text in its tooltip; a click on the line opens the
// history. Modal message boxes stay for answers to what the user has just done.
class Notices {
 public:
  explicit Notices(Program& program);

  static constexpr std::size_t kHistory = 100;
  // Width of the notice line, in pixels: the status bar's panels 3 and 4 together.
  static constexpr int kLineWidthPixels = 145;

  struct Notice {
    std::string when;  // "YYYY-MM-DD hh:mm:ss"
    std::string area;
    std::string text;
  };

  void tell(std::string_view area, const std::string& text, LogLevel level = LogLevel::Warning);
  // The same cause is told once until it is cleared: an adapter that stays unplugged is one
  // notice, not one per attempt. Returns whether this call told it.
  bool tellOnce(std::string_view cause, std::string_view area, const std::string& text,
                LogLevel level = LogLevel::Warning);
  // The cause has gone (the device is back): its next occurrence is told again.
  void clear(std::string_view cause);

  const std::deque<Notice>& history() const { return history_; }
  const Notice* latest() const { return history_.empty() ? nullptr : &history_.front(); }

  // Puts the latest notice into the status bar again, after the panels or their tooltips
  // were set anew (apply settings, a language).
  void showInStatusBar();
  void showHistory();
  void hideHistory();

 private:
  // The status bar's panel under a click at `x` twips from its left edge, 1-based.
  int panelAt(int x) const;

  Program& p_;
  std::deque<Notice> history_;
  std::set<std::string, std::less<>> told_;
};

}  // namespace tv
