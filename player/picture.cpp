#include <algorithm>
#include <utility>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/sound/sound_file.h"
#include "platform/worker.h"
#include "player/player.h"
#include "player/waveform.h"

namespace tv {
namespace {

// Long sounds leave the peak bar at rest.
constexpr double kLongestPeakSeconds = 700;

struct Picture {
  SoundFileInfo info;
  WaveColumns columns;
};

}  // namespace

Worker& Player::reader() {
  if (!reader_) reader_ = p_.makeWorker("reading");
  return *reader_;
}

std::shared_ptr<ReadingProgress> Player::beginReading() {
  if (reading_) reading_->cancelled = true;
  endReading();
  reading_ = std::make_shared<ReadingProgress>();
  readingSinceMs_ = p_.platform.clock.monotonicMs();
  p_.frm_Oszi.tmrReading.setEnabled(true);
  return reading_;
}

void Player::readingStepDone(const std::shared_ptr<ReadingProgress>& progress) {
  if (progress != reading_) return;
  if (--readingSteps_ <= 0) {
    reading_.reset();
    endReading();
  }
}

void Player::endReading() {
  readingSteps_ = 0;
  p_.frm_Oszi.tmrReading.setEnabled(false);
  if (!captionBeforeProgress_.empty()) {
    p_.frm_Oszi.lblFile.setCaption(captionBeforeProgress_);
    captionBeforeProgress_.clear();
  }
}

void Player::tmrReading_Timer() {
  if (!reading_) {
    endReading();
    return;
  }
  if (p_.platform.clock.monotonicMs() - readingSinceMs_ < kShowReadingAfterMs) return;
  Label& caption = p_.frm_Oszi.lblFile;
  if (captionBeforeProgress_.empty()) captionBeforeProgress_ = caption.caption();
  caption.setCaption(
      p_.ownMessage(OwnText::SoundFileReading,
                    {captionBeforeProgress_, std::to_string(reading_->permille.load() / 10)}));
}

void Player::DrawWaveform() {
  DrawingFrame& frame = p_.frm_Oszi.frx1;
  frame.setScale(0, 0, displayWidth, displayHeight);
  const std::string path = trim(currentWave);
  const int width = displayWidth;
  const int height = displayHeight;
  auto progress = beginReading();
  ++readingSteps_;
  reader().run<Picture>(
      [path, width, progress] {
        Picture picture;
        auto sound = openSoundFile(path);
        if (!sound) return picture;
        picture.info = (*sound)->info();
        picture.columns = waveColumns(**sound, width, progress.get());
        return picture;
      },
      [this, width, height, progress](Picture picture) {
        if (progress->cancelled) return;
        // A file that cannot be read shows the centre line alone.
        drawWaveform(p_.frm_Oszi.frx1, picture.columns, picture.info, width, height);
        readingStepDone(progress);
      });
}

void Player::BuildPeakTable() {
  p_.frm_DoKu.tmr_Play.setEnabled(false);
  const std::string path = trim(trim(currentWave).empty() ? selectedFile : currentWave);
  peakCount = 0;
  peakTable.assign(1, 0);
  if (leadingNumber(durationText) >= kLongestPeakSeconds) return;
  std::shared_ptr<ReadingProgress> progress = reading_ ? reading_ : beginReading();
  ++readingSteps_;
  reader().run<PeakTable>(
      [path, progress] {
        auto sound = openSoundFile(path);
        return sound ? buildPeakTable(**sound, progress.get()) : PeakTable{};
      },
      [this, progress](PeakTable table) {
        if (progress->cancelled) return;
        peakTable = std::move(table.entries);
        peakCount = table.count;
        readingStepDone(progress);
      });
}

void Player::ShowPeak() {
  const std::int64_t i =
      static_cast<std::int64_t>(p_.frm_Oszi.slider.value()) * peakCount / 1'000'000;
  if (i < 0 || i >= static_cast<std::int64_t>(peakTable.size())) return;
  const double v = peakTable[static_cast<std::size_t>(i)];
  if (v > peakHold) {
    peakHold = v;
  } else if (peakHold > 0) {
    peakHold *= 0.89;
    p_.frm_Oszi.pro1.setValue(static_cast<int>(peakHold));
  }
}

}  // namespace tv
