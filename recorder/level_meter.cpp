#include "recorder/level_meter.h"

#include <algorithm>
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
// How often an input that is not there is tried again.
constexpr int kReopenMs = 3000;
// The notice of an input that is waited for lasts until it opens: told once until then.
constexpr std::string_view kInputCause = "sound input";

}  // namespace

LevelMeter::LevelMeter(Program& program)
    : p_(program), reopen_(program.ui().timers(), "tmrInputWait", kReopenMs, false) {
  reopen_.tick = [this] { tmrInputWait_Timer(); };
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
  const Language language = p_.languageIndex == 2 ? Language::English : Language::German;
  p_.settingsWindow.inputBox.fill(p_.soundSystem.inputDevices(), language, p_.inputDeviceName,
                                  p_.messageTexts.items[15]);
  p_.settingsWindow.outputBox.fill(p_.soundSystem.outputDevices(), language, p_.txOutputDevice);
}

int LevelMeter::meterRate() const {
  const double rateNumber = leadingNumber(p_.sampleRate);
  return rateNumber >= 1 && rateNumber <= 1e7 ? static_cast<int>(roundHalfEven(rateNumber)) : 0;
}

std::string LevelMeter::deviceText(const std::string& name) const {
  const Language language = p_.languageIndex == 2 ? Language::English : Language::German;
  for (const SoundDevice& device : p_.settingsWindow.inputBox.offered())
    if (device.name == name) return DeviceBox::text(device, language);
  return name;
}

MeterInput LevelMeter::openMeterInput() {
  failureText_.clear();
  const std::string name = chosenName();
  if (name.empty()) {
    failureText_ = p_.messageTexts.items[16] + " " +
                   p_.ownMessage(OwnText::SoundDeviceFailed, {p_.frm_Einstellungen.cb_Device.text(),
                                                              p_.messageTexts.items[15]});
    p_.setWaitText(failureText_);
    return MeterInput::failed;
  }
  auto opened = p_.soundSystem.openInput(name, meterRate());
  if (opened) {
    reopen_.setEnabled(false);
    waitingFor_.clear();
    p_.notices.clear(kInputCause);
    openedName_ = name;
    openedRate_ = meterRate();
    useStream(std::move(*opened));
    return MeterInput::opened;
  }
  startWaiting(
      name, p_.ownMessage(OwnText::SoundInputWaiting, {deviceText(name), opened.error().message}));
  return MeterInput::waiting;
}

void LevelMeter::useStream(std::shared_ptr<CaptureStream> stream) {
  stream_ = std::move(stream);
  analysedBlockStart_ = 0;
  openedAtMs_ = p_.platform.clock.monotonicMs();
  overrunsLogged_ = 0;
  p_.mci.setInputStream(stream_);
}

void LevelMeter::startWaiting(const std::string& name, const std::string& text) {
  std::string told = text;
  if (const auto server = p_.soundSystem.serverNameFor(name, true))
    told += " " + p_.ownMessage(OwnText::DeviceHeldByServer, {deviceText(name), *server});
  waitingFor_ = name;
  reopen_.setEnabled(true);
  p_.log.warning("recorder", "waiting for the sound input " + name);
  const bool news = p_.notices.tellOnce(kInputCause, "recorder", told);
  // A click on the switch hears why the recorder does not record yet; a save of the
  // settings, which tries the input again, only when that is news.
  if (news && !p_.actingAlone()) {
    p_.setWaitText(told);
    p_.messageBox(told);
  }
}

void LevelMeter::waitForInput(const std::string& reason) {
  const std::string name = waitingFor_.empty() ? openedName_ : waitingFor_;
  closeMeterInput();
  startWaiting(name, p_.ownMessage(OwnText::SoundDeviceLost, {deviceText(name), reason}));
}

void LevelMeter::tmrInputWait_Timer() {
  if (p_.recorderOn != 1 || waitingFor_.empty()) {
    closeMeterInput();
    return;
  }
  auto opened = p_.soundSystem.openInput(waitingFor_, meterRate());
  // Still not there: it was told once, and stays told until it opens.
  if (!opened) return;
  const std::string name = waitingFor_;
  reopen_.setEnabled(false);
  waitingFor_.clear();
  p_.notices.clear(kInputCause);
  openedName_ = name;
  openedRate_ = meterRate();
  useStream(std::move(*opened));
  p_.notice("recorder", p_.ownMessage(OwnText::SoundInputBack, {deviceText(name)}), LogLevel::Info);
  p_.recorder.inputReturned();
}

bool LevelMeter::openedAsChosen() const {
  return chosenName() == openedName_ && meterRate() == openedRate_;
}

std::string LevelMeter::chosenName() const {
  const DeviceBox& box = p_.settingsWindow.inputBox;
  std::string name = box.chosen(p_.inputDeviceName);
  if (name.empty() && !box.offered().empty()) name = box.offered().front().name;
  return name;
}

void LevelMeter::closeMeterInput() {
  p_.frm_DoKu.tmrPegel.setEnabled(false);
  if (reopen_.enabled() || !waitingFor_.empty()) {
    // Switched off while waiting: the next wait is told again.
    reopen_.setEnabled(false);
    waitingFor_.clear();
    p_.notices.clear(kInputCause);
  }
  p_.mci.setInputStream({});
  stream_.reset();
  p_.frm_DoKu.Progressbar1.setValue(0);
}

RingBuffer::ReadResult LevelMeter::readInput(std::uint64_t from, std::span<std::uint8_t> out) {
  if (!stream_) return {from, 0};
  return stream_->read(from, out);
}

std::uint64_t LevelMeter::lostBetween(std::uint64_t first, std::uint64_t end) const {
  return stream_ ? stream_->lostBetween(first, end) : 0;
}

void LevelMeter::logOverruns() {
  if (stream_->gapCount() == overrunsLogged_) return;
  const std::vector<CaptureStream::Gap> gaps = stream_->gaps();
  const int rate = std::max(stream_->sampleRate(), 1);
  for (; overrunsLogged_ < gaps.size(); ++overrunsLogged_) {
    const CaptureStream::Gap& gap = gaps[overrunsLogged_];
    p_.log.warning("sound", "the input " + openedName_ +
                                " overran: " + std::to_string(gap.samples) + " samples (" +
                                std::to_string(gap.samples * 1000 / static_cast<unsigned>(rate)) +
                                " ms) lost at sample " + std::to_string(gap.position) +
                                ", silence in their place");
  }
}

void LevelMeter::tmrPegel_Timer() {
  if (!stream_) return;
  logOverruns();
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
