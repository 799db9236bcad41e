#include "transmit/channel_watch.h"

#include <algorithm>
#include <vector>

#include "app/numbers.h"
#include "app/program.h"
#include "recorder/level_scale.h"

namespace tv {
namespace {

constexpr int kPollMs = 50;
constexpr std::string_view kNoInputCause = "lockout-no-input";

}  // namespace

ChannelWatch::ChannelWatch(Program& program)
    : p_(program), timer_(program.ui().timers(), "tmrChannel", kPollMs, false) {
  timer_.tick = [this] { poll(); };
}

ChannelWatch::~ChannelWatch() = default;

void ChannelWatch::await(std::function<void()> clear, std::function<void()> busy) {
  cancel();
  clear_ = std::move(clear);
  busy_ = std::move(busy);
  startMs_ = p_.platform.clock.monotonicMs();
  if (p_.busyWaitSeconds <= 0) {
    finish(true);
    return;
  }
  if (!p_.levelMeter.isOpen()) {
    // The recorder is off: the input is opened for the wait only.
    // The device the meter would open: the one the settings name.
    const std::string name = p_.levelMeter.chosenName();
    Result<std::shared_ptr<CaptureStream>> opened = failure("no input device");
    if (!name.empty()) {
      const int rate = p_.levelMeter.meterRate();
      opened = p_.soundSystem.openInput(name, rate > 0 ? rate : 11025);
    }
    if (!opened) {
      p_.notices.tellOnce(kNoInputCause, "keying",
                          p_.ownMessage(OwnText::LockoutNoInput, {opened.error().message}));
      finish(true);
      return;
    }
    p_.notices.clear(kNoInputCause);
    input_ = std::move(*opened);
    readFrom_ = input_->produced();
    envelope_ = 0;
    openedMs_ = startMs_;
    lastSignalMs_ = -1;
  }
  timer_.setEnabled(true);
  poll();
}

void ChannelWatch::cancel() {
  timer_.setEnabled(false);
  clear_ = nullptr;
  busy_ = nullptr;
  closeInput();
}

void ChannelWatch::poll() {
  const std::int64_t now = p_.platform.clock.monotonicMs();
  if (input_) listen();
  const std::int64_t since = quietSince();
  if (since >= 0 && now - since >= kClearMs) {
    finish(true);
  } else if (now - startMs_ >= std::int64_t{p_.busyWaitSeconds} * 1000) {
    finish(false);
  }
}

std::int64_t ChannelWatch::quietSince() {
  if (input_) return std::max(openedMs_, lastSignalMs_);
  LevelMeter& meter = p_.levelMeter;
  // The recorder went off during the wait: listen on the input from now on.
  if (!meter.isOpen()) return -1;
  return std::max(meter.openedAtMs(), meter.lastSignalMs());
}

void ChannelWatch::listen() {
  if (!input_->status()) {
    closeInput();
    return;
  }
  std::vector<std::uint8_t> samples(4096);
  const bool logarithmic = p_.logMeterFlag == 1;
  const int threshold = p_.frm_DoKu.sli_Schwelle.value();
  for (;;) {
    const RingBuffer::ReadResult got = input_->read(readFrom_, samples);
    if (got.count == 0) break;
    for (std::size_t i = 0; i < got.count; ++i) {
      if (levelStep(envelope_, samples[i], logarithmic) > threshold) {
        lastSignalMs_ = p_.platform.clock.monotonicMs();
      }
    }
    readFrom_ = got.first + got.count;
  }
}

void ChannelWatch::closeInput() {
  input_.reset();
}

void ChannelWatch::finish(bool clear) {
  timer_.setEnabled(false);
  closeInput();
  auto then = std::move(clear ? clear_ : busy_);
  clear_ = nullptr;
  busy_ = nullptr;
  if (then) then();
}

}  // namespace tv
