#include "recorder/level_meter.h"

#include <cmath>
#include <cstdlib>

#include "app/numbers.h"
#include "app/program.h"
#include "recorder/level_scale.h"

namespace tv {
namespace {

// Every second byte of the block's first 513: the samples a tick analyses.
constexpr int kSamplesPerTick = 257;
constexpr int kDefaultIntervalMs = 10;

}  // namespace

LevelMeter::LevelMeter(Program& program) : p_(program) {
  MainForm& f = p_.frm_DoKu;
  f.tmrPegel.tick = [this] { tmrPegel_Timer(); };
  f.sli_Schwelle.scroll = [this] { sli_Schwelle_Scroll(); };
  f.Progressbar1.mouseDown = [this](int b, int s, int x, int y) {
    Progressbar1_MouseDown(b, s, x, y);
  };
  p_.frm_Einstellungen.ed_Interval.click = [this] { ed_Interval_Click(); };
  p_.frm_Oszi.sli_Lautst.scroll = [this] { sli_Lautst_Scroll(); };
}

void LevelMeter::setUp() {
  p_.frm_DoKu.Progressbar1.setMax(LevelScale::kBarMaximum);
  p_.frm_DoKu.Progressbar1.setValue(0);
}

void LevelMeter::fillDeviceList() {
  ComboBox& box = p_.frm_Einstellungen.cb_Device;
  box.clear();
  offered_ = p_.soundSystem.inputDevices();
  for (const InputDevice& device : offered_)
    box.addItem(trim(device.description), device.number);
  if (box.listCount() == 0) {
    box.setText(p_.messageTexts.items[15]);
  } else {
    box.setListIndex(0);
  }
}

LevelMeter::InputChoice LevelMeter::chosenInput() const {
  const ComboBox& box = p_.frm_Einstellungen.cb_Device;
  int index = box.listIndex();
  for (int i = 0; index < 0 && i < box.listCount(); ++i)
    if (box.item(i) == box.text()) index = i;
  const double rateNumber = leadingNumber(p_.sampleRate);
  InputChoice choice;
  choice.rate =
      rateNumber >= 1 && rateNumber <= 1e7 ? static_cast<int>(roundHalfEven(rateNumber)) : 0;
  choice.name = index < 0 ? box.text() : box.item(index);
  if (index >= 0) choice.device = static_cast<int>(box.itemData(index));
  return choice;
}

bool LevelMeter::openMeterInput() {
  failureText_.clear();
  const InputChoice choice = chosenInput();
  std::string reason;
  if (!choice.device) {
    reason = p_.messageTexts.items[15];
  } else {
    auto opened = p_.soundSystem.openInput(*choice.device, choice.rate);
    if (opened) {
      stream_ = std::move(*opened);
      opened_ = choice;
      analysedBlockStart_ = 0;
      openedAtMs_ = p_.platform.clock.monotonicMs();
      p_.mci.setInputStream(stream_);
      return true;
    }
    reason = opened.error().message;
  }
  failureText_ = p_.messageTexts.items[16] + " " +
                 p_.ownMessage(OwnText::SoundDeviceFailed, {choice.name, reason});
  p_.setWaitText(failureText_);
  return false;
}

bool LevelMeter::openedAsChosen() const {
  const InputChoice choice = chosenInput();
  return choice.device == opened_.device && choice.rate == opened_.rate;
}

void LevelMeter::closeMeterInput() {
  p_.frm_DoKu.tmrPegel.setEnabled(false);
  p_.mci.setInputStream({});
  stream_.reset();
  p_.frm_DoKu.Progressbar1.setValue(0);
}

RingBuffer::ReadResult LevelMeter::readInput(std::uint64_t from, std::span<std::uint8_t> out) {
  if (!stream_) return {from, 0};
  return stream_->read(from, out);
}

void LevelMeter::tmrPegel_Timer() {
  if (!stream_) return;
  if (const Result<void> status = stream_->status(); !status) {
    p_.recorder.inputLost(status.error().message);
    return;
  }
  // The newest block, read by position so that the trigger knows exactly
  // which stretch of the stream it saw.
  const std::uint64_t produced = stream_->produced();
  if (produced >= kMeterBlockBytes) {
    analysedBlockStart_ = produced - kMeterBlockBytes;
    const RingBuffer::ReadResult got = stream_->read(analysedBlockStart_, block_);
    if (got.first != analysedBlockStart_ || got.count != block_.size()) {
      stream_->newestBlock(block_);
    }
  } else {
    analysedBlockStart_ = 0;
    stream_->newestBlock(block_);
  }

  MainForm& f = p_.frm_DoKu;
  const bool logarithmic = p_.logMeterFlag == 1;
  for (int i = 0; i < kSamplesPerTick; ++i) {
    levelPercent = levelStep(envelope, block_[static_cast<std::size_t>(2 * i)], logarithmic);
    f.Progressbar1.setValue(levelBar(levelPercent));
    if (levelPercent > f.sli_Schwelle.value()) {
      lastSignalMs_ = p_.platform.clock.monotonicMs();
      p_.recorder.signalAge = 1;
      p_.recorder.trigger();
      if (!stream_) return;
    }
    f.lbl_ROTL.setBackColour(levelPercent > LevelScale::kOverLevel ? rgb(255, 0, 0) : kButtonFace);
  }
}

void LevelMeter::sli_Schwelle_Scroll() {
  const std::string value = std::to_string(p_.frm_DoKu.sli_Schwelle.value());
  p_.frm_DoKu.lbl_Schwelle.setCaption(value);
  p_.frm_Einstellungen.ed_StartPegel.setText(value);
}

void LevelMeter::Progressbar1_MouseDown(int, int, int, int) {
  ProgressBar& bar = p_.frm_DoKu.Progressbar1;
  bar.setSmooth(!bar.smooth());
}

int LevelMeter::restoreInterval() {
  // An interval of 0 would never tick and silently stop every recording; such
  // a number falls back to the usual one, as it does in the settings file.
  EditField& field = p_.frm_Einstellungen.ed_Interval;
  long long interval = roundHalfEven(leadingNumber(field.text()));
  if (interval < 1 || interval > 65535) {
    interval = kDefaultIntervalMs;
    field.setText(std::to_string(interval));
  }
  p_.frm_DoKu.tmrPegel.setInterval(static_cast<int>(interval));
  return p_.frm_DoKu.tmrPegel.interval();
}

void LevelMeter::ed_Interval_Click() {
  p_.frm_Einstellungen.lbl33.setCaption(std::to_string(restoreInterval()));
}

void LevelMeter::sli_Lautst_Scroll() {
  const int value = p_.frm_Oszi.sli_Lautst.value();
  const auto volume = static_cast<std::uint32_t>(std::abs(value - 65535)) & 0xFFFF;
  p_.playVolume = volume | (volume << 16);
  p_.soundSystem.setOutputVolume(static_cast<std::uint16_t>(volume),
                                 static_cast<std::uint16_t>(volume));
  const long long percent =
      std::llabs(static_cast<long long>(std::floor(value / 65535.0 * 100)) - 100);
  p_.frm_Einstellungen.ed_PlayPegel.setText(std::to_string(percent));
}

}  // namespace tv
