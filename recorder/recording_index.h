#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"

namespace tv {

class Program;

// The sound list of the main window: the current network's recordings of the last days
// in the collecting folder, each with its playing time, and their total. Rebuilding the
// list also finds the recordings that are too old or too short and deletes them.
class RecordingIndex {
 public:
  explicit RecordingIndex(Program& program);

  // Reads the collecting folder afresh into `lb_Sounds` and deletes what is due; runs the
  // clean-up at its end. Called by apply settings, by the daily clock, after a deletion
  // and after an edited recording was saved. A call that arrives while a rebuild is under
  // way (from an event handled during it) runs once more when that one has finished.
  void rebuildSoundList();

  // Deletes the files the last rebuild put on the deletion list, starts `tmr_Löe` and
  // hides the wait window. Only the rebuild that made the index deletes anything; a
  // clean-up without one only does its last steps, and one during a rebuild is left to
  // that rebuild's end.
  void cleanUp();

  // A recording has just been filed in the collecting folder under `captureName`
  // (a bare file name) with a playing time of `seconds`: adds its line at the end of the
  // list and its time to the totals file.
  void entryAndTotalsAfterFiling(const std::string& captureName, double seconds);

  // To be called on every tick of the one-second clock `tmr_Zeit`. Rebuilds the list once
  // when 00:00:30 has come since the previous tick, also when a tick comes late or the
  // machine slept through the moment; never twice for the same day.
  void onClockTick(const LocalDateTime& now);

  void tmr_Löe_Timer();

  // The folder the list is read from: `recordingsFolder` + "/W", in whatever case it
  // exists.
  std::string collectingFolder() const;
  std::string totalsPath() const;

  double runningTotalTenths() const { return runningTotalTenths_; }
  bool totalsWritten() const { return totalsWritten_; }

 private:
  struct Filing {
    std::string captureName;
    double seconds;
  };

  void rebuildOnce();
  // Reads the names of `folder` into the index text; returns them, in name order, as
  // views into it.
  std::vector<std::string_view> readIndex(const std::string& folder);
  void finishIndex();
  void releaseIndex();
  void abandonIndex();
  void tellFolderMissing();
  void addToTotals(double seconds);
  void writeTotals(double seconds);
  void showProgress(const std::string& path);
  void runDeferredFilings(bool rebuildCountedTotals);
  // Whether the list shows a line of the recording `captureName`.
  bool listed(const std::string& captureName) const;
  std::string messageText(int entry) const;

  Program& p_;
  double runningTotalTenths_ = 0;
  bool totalsWritten_ = false;
  // The names of the last rebuild's folder, as the index file has them, and those of them
  // to be deleted; kept until the clean-up is done.
  std::string indexText_;
  std::vector<std::string_view> deletionList_;
  // The folder the index of the last rebuild was made for, until the clean-up is done.
  std::optional<std::string> indexFolder_;
  char indexNetwork_ = 0;

  bool startedUp_ = false;
  bool rebuilding_ = false;
  bool rebuildRequested_ = false;
  std::vector<Filing> deferredFilings_;
  long long lastDispatchMs_ = 0;
  std::optional<std::int64_t> previousTick_;
  std::int64_t lastDailyRebuild_ = std::numeric_limits<std::int64_t>::min();
};

}  // namespace tv
