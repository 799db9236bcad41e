#include "recorder/recording_index.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/files.h"
#include "player/wav/wav_reader.h"
#include "recorder/index_names.h"
#include "recorder/index_pictures.h"
#include "recorder/wall_clock_moments.h"
#include "texts/text_table.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kIndexFileName = "w.dat";
constexpr const char* kTotalsFileName = "t_Gesamt.txt";
// How often a long rebuild lets the loop run, so the wait window shows where it is.
constexpr long long kProgressIntervalMs = 100;
constexpr std::int64_t kDaySeconds = 86400;
constexpr std::int64_t kDailyRebuildSecond = 30;  // 00:00:30

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

RecordingIndex::RecordingIndex(Program& program) : p_(program) {
  p_.frm_DoKu.tmr_Löe.tick = [this] { tmr_Löe_Timer(); };
}

std::string RecordingIndex::collectingFolder() const {
  return findCaseInsensitive(p_.recordingsFolder, "W");
}

std::string RecordingIndex::totalsPath() const {
  return findCaseInsensitive(collectingFolder(), kTotalsFileName);
}

void RecordingIndex::rebuildSoundList() {
  // The program is about to end and the list with it; a full pass over the folder (or a
  // message box about a missing one) would only hold up the exit.
  if (p_.shuttingDown() || p_.ended()) return;
  if (rebuilding_) {
    rebuildRequested_ = true;
    return;
  }
  do {
    rebuilding_ = true;
    rebuildRequested_ = false;
    const bool countedBefore = totalsWritten_;
    rebuildOnce();
    rebuilding_ = false;
    runDeferredFilings(!countedBefore && totalsWritten_);
  } while (rebuildRequested_ && !p_.ended() && !p_.shuttingDown());
}

void RecordingIndex::rebuildOnce() {
  MainForm& f = p_.frm_DoKu;
  std::error_code ec;
  if (!startedUp_) {
    // The first rebuild of a run is the start-up's. The program folder always has its
    // collecting folder, so the default recordings folder never lacks one; any other
    // recordings folder (an unplugged disk) is not quietly made anew.
    startedUp_ = true;
    const std::string own = findCaseInsensitive(p_.programFolder, "W");
    if (!fs::is_directory(own, ec)) fs::create_directory(own, ec);
  }
  const std::string folder = collectingFolder();
  if (!fs::is_directory(folder, ec)) {
    // Recordings that can no longer be reached (an unplugged disk) are not offered.
    f.lb_Sounds.clear();
    p_.soundFileCount = 0;
    tellFolderMissing();
    if (p_.ended()) return;
  } else {
    p_.showWaitWindow();
    p_.soundFileCount = 0;
    deletionList_.clear();

    // What the rebuild works with is fixed here: settings applied by an event handled
    // during the rebuild take effect in the rebuild that follows it.
    const std::string network = numberText(p_.networkNumber);
    const char digit = network.size() == 1 ? network[0] : '\0';
    const double daysToKeep = p_.deleteAfterDays;
    const double minimumTenths = p_.minRecordTenths;
    const LocalDateTime now = p_.platform.clock.localNow();
    const RecordingDate today{now.year, now.month, now.day};

    const std::vector<std::string_view> names = readIndex(folder);
    (void)writeFileAtomically((fs::path(folder) / kIndexFileName).string(), indexText_);
    indexFolder_ = folder;
    indexNetwork_ = digit;
    f.lb_Sounds.clear();
    // Once now, so the wait window is seen at all, then every so often while the files are
    // read.
    lastDispatchMs_ = p_.platform.clock.monotonicMs();
    p_.platform.loop.dispatchPending();
    if (p_.ended()) return abandonIndex();

    if (!totalsWritten_) runningTotalTenths_ = 0;
    // What is listed is only noted while the files are read; the list's lines are made
    // afterwards, all together, so the lines that stay for days do not lie scattered among
    // the rebuild's short-lived paths and texts.
    struct Listed {
      int year;
      std::string_view name;
      double tenths;
    };
    std::vector<Listed> listed;
    HeaderFieldTable headerFields;
    for (const std::string_view name : names) {
      if (digit == '\0' || name.empty() || name[0] != digit) continue;
      const std::string path = (fs::path(folder) / name).string();
      showProgress(path);
      if (p_.ended()) return abandonIndex();
      const std::optional<RecordingDate> date = recordingDate(name, digit);
      if (!date) continue;
      if (!(daysToKeep > daysBetween(*date, today))) {
        deletionList_.push_back(name);
        continue;
      }
      const double tenths = ReadHeaderFields(path, headerFields) * 10;
      if (!(tenths > minimumTenths)) {
        deletionList_.push_back(name);
        continue;
      }
      ++p_.soundFileCount;
      listed.push_back({date->year, name, tenths});
      if (!totalsWritten_) runningTotalTenths_ += tenths;
    }

    if (!totalsWritten_) {
      writeTotals(runningTotalTenths_ / 10);
      f.lblGesamtzeit.setCaption(p_.formatDuration(std::floor(runningTotalTenths_ / 10)));
      totalsWritten_ = true;
    }

    // Names begin with the month, so in name order the days of December stand after
    // those of January. Ordered by year first, the list runs in time order across New
    // Year, and also when it reaches back further than a year.
    std::stable_sort(listed.begin(), listed.end(),
                     [](const Listed& a, const Listed& b) { return a.year < b.year; });
    std::vector<std::string> items;
    items.reserve(listed.size());
    for (const Listed& entry : listed) items.push_back(listEntry(entry.name, entry.tenths));
    f.lb_Sounds.setItems(std::move(items));
  }
  f.lb_Sounds.setListIndex(f.lb_Sounds.listCount() - 1);
  finishIndex();
}

std::vector<std::string_view> RecordingIndex::readIndex(const std::string& folder) {
  // Every name goes into one text first and is sorted by its place in it: a folder of
  // thousands of recordings is then a few large blocks, given back whole, not thousands of
  // small ones scattered among what stays.
  std::string found;
  struct Span {
    std::size_t from, size;
  };
  std::vector<Span> spans;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    const std::string& name = it->path().native();
    const std::size_t slash = name.rfind('/');
    const std::string_view bare = std::string_view(name).substr(slash + 1);
    spans.push_back({found.size(), bare.size()});
    found.append(bare);
  }
  const auto nameAt = [&found](const Span& s) {
    return std::string_view(found).substr(s.from, s.size);
  };
  // The folder lists in no particular order; the list and its order across New Year rest
  // on name order.
  std::sort(spans.begin(), spans.end(),
            [&](const Span& a, const Span& b) { return nameAt(a) < nameAt(b); });

  // The index file's text: the names in order, a line each.
  indexText_.clear();
  indexText_.reserve(found.size() + 2 * spans.size());
  for (const Span& s : spans) indexText_.append(nameAt(s)).append("\r\n");
  std::vector<std::string_view> names;
  names.reserve(spans.size());
  std::size_t at = 0;
  for (const Span& s : spans) {
    names.push_back(std::string_view(indexText_).substr(at, s.size));
    at += s.size + 2;
  }
  return names;
}

void RecordingIndex::releaseIndex() {
  indexFolder_.reset();
  // Swapped with empty ones: assigning an empty string would keep the text's block.
  std::vector<std::string_view>().swap(deletionList_);
  std::string().swap(indexText_);
}

void RecordingIndex::abandonIndex() {
  // The program ended during the rebuild: nothing more is deleted or written.
  std::error_code ec;
  if (indexFolder_) fs::remove(fs::path(*indexFolder_) / kIndexFileName, ec);
  releaseIndex();
  p_.hideWaitWindow();
}

void RecordingIndex::showProgress(const std::string& path) {
  p_.setWaitText(path);
  const long long now = p_.platform.clock.monotonicMs();
  if (now - lastDispatchMs_ < kProgressIntervalMs) return;
  lastDispatchMs_ = now;
  p_.platform.loop.dispatchPending();
}

void RecordingIndex::cleanUp() {
  // The rebuild under way cleans up at its end, with the list it is still making; the
  // index it reads must not be given back under it.
  if (rebuilding_) return;
  finishIndex();
}

void RecordingIndex::finishIndex() {
  if (indexFolder_) {
    const fs::path folder = fs::path(*indexFolder_).lexically_normal();
    for (const std::string_view name : deletionList_) {
      // Only the current network's recordings inside the collecting folder are ever
      // deleted, whatever name reached the list.
      const fs::path file = (folder / name).lexically_normal();
      if (file.parent_path() != folder) continue;
      if (!recordingDate(file.filename().string(), indexNetwork_)) continue;
      // Its copy into the dated tree is still owed: W keeps it until the tree has it.
      if (p_.loggingFlag == 1 && p_.recorder.filer.treeCopyOwed(file.string())) continue;
      std::error_code ec;
      if (!fs::is_regular_file(file, ec)) continue;
      // A file that cannot be deleted stays and is found again by the next rebuild.
      if (fs::remove(file, ec) && !ec) p_.setWaitText(file.string() + " " + messageText(143));
    }
    std::error_code ec;
    fs::remove(folder / kIndexFileName, ec);
    releaseIndex();
    p_.frm_DoKu.tmr_Löe.setEnabled(true);
    // The rebuild's names and the old list are freed now: what a large folder made the
    // heap grow by goes back, instead of staying with the program until it ends.
    if (p_.platform.returnFreedMemory) p_.platform.returnFreedMemory();
  }
  if (p_.autoRecordFlag == 0) p_.settingsWindow.cmd_SK_Click();
  p_.hideWaitWindow();
}

void RecordingIndex::entryAndTotalsAfterFiling(const std::string& captureName, double seconds) {
  if (rebuilding_) {
    // The rebuild under way rewrites the list and may or may not see the new file; the
    // recording is settled once it has finished.
    deferredFilings_.push_back({captureName, seconds});
    return;
  }
  MainForm& f = p_.frm_DoKu;
  // A rebuild may have found the copy in W before its filing reported back: no second
  // line then. Only the first rebuild of a run counts times, and no filing is under way
  // before it, so the time is counted here.
  if (!listed(captureName)) {
    f.lb_Sounds.addItem(listEntry(captureName, seconds * 10));
    f.lb_Sounds.setListIndex(f.lb_Sounds.listCount() - 1);
  }
  addToTotals(seconds);
}

void RecordingIndex::addToTotals(double seconds) {
  const std::string totals = totalsPath();
  std::error_code ec;
  if (fs::is_regular_file(totals, ec)) runningTotalTenths_ = totalsValue(readText(totals)) * 10;
  // The total is kept to the hundredth: cutting it to whole seconds at every recording
  // would lose up to a second each time.
  const double total = runningTotalTenths_ / 10 + seconds;
  runningTotalTenths_ = total * 10;
  writeTotals(total);
  p_.frm_DoKu.lblGesamtzeit.setCaption(p_.formatDuration(std::floor(total)));
}

void RecordingIndex::runDeferredFilings(bool rebuildCountedTotals) {
  std::vector<Filing> filings;
  filings.swap(deferredFilings_);
  for (const Filing& filing : filings) {
    // Listed and counted by the rebuild: nothing is missing.
    if (rebuildCountedTotals && listed(filing.captureName)) continue;
    entryAndTotalsAfterFiling(filing.captureName, filing.seconds);
  }
}

bool RecordingIndex::listed(const std::string& captureName) const {
  const auto& items = p_.frm_DoKu.lb_Sounds.items();
  return std::any_of(items.begin(), items.end(), [&](const std::string& item) {
    return trimmedView(std::string_view(item).substr(0, 25)) == captureName;
  });
}

void RecordingIndex::writeTotals(double seconds) {
  // Without the file the total in memory carries on; the next recording tries again.
  (void)writeFileAtomically(totalsPath(), totalsLine(seconds));
}

void RecordingIndex::onClockTick(const LocalDateTime& now) {
  const std::int64_t seconds = wallSeconds(now);
  const std::optional<std::int64_t> previous = previousTick_;
  previousTick_ = seconds;
  const bool due = previous ? momentPassed(*previous, seconds, kDaySeconds, kDailyRebuildSecond)
                            : seconds % kDaySeconds == kDailyRebuildSecond;
  // The latest 00:00:30 at or before now: a clock set back must not bring the same night
  // round again.
  const std::int64_t moment =
      (seconds - kDailyRebuildSecond) / kDaySeconds * kDaySeconds + kDailyRebuildSecond;
  if (!due || moment <= lastDailyRebuild_) return;
  lastDailyRebuild_ = moment;
  rebuildSoundList();
}

void RecordingIndex::tmr_Löe_Timer() {
  p_.frm_DoKu.tmr_Löe.setEnabled(false);
  p_.frm_DoKu.sb.setPanelText(2, numberText(p_.soundFileCount));
}

void RecordingIndex::tellFolderMissing() {
  std::string tail = messageText(141);
  if (!tail.empty() && tail[0] == '\\') tail[0] = '/';
  const std::string text = messageText(140) + p_.recordingsFolder + tail;
  // The daily rebuild finds a vanished folder with no one at the desk: a notice then;
  // the box answers a rebuild the user asked for.
  if (p_.actingAlone()) {
    p_.notice("recordings", text);
    return;
  }
  p_.setWaitText(text);
  p_.log.warning("recordings", text);
  p_.platform.services.messageBox(text, messageText(142), MessageButtons::Ok);
}

std::string RecordingIndex::messageText(int entry) const {
  const std::string& loaded = p_.messageTexts.items[static_cast<size_t>(entry - 130)];
  if (!loaded.empty()) return loaded;
  // At start-up the list is built before the texts are applied; the message must not go
  // out without its words.
  TextTable table;
  LoadTextTable(table, p_.languageIndex == 2 ? Language::English : Language::German);
  return tooltipText(table.entries[static_cast<size_t>(entry)]);
}

}  // namespace tv
