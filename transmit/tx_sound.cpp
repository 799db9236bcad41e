#include "transmit/tx_sound.h"

#include "app/program.h"
#include "platform/sound.h"

namespace tv {
namespace {

// The transmit output (settings line 36). The one place that chooses the device the
// automatic senders play on; it is woken before the file opens, so that a sound server
// that suspended an idle sink does not swallow the first syllable after the key.
Result<std::unique_ptr<PlaybackStream>> openTransmitOutput(Program& p, const std::string& file) {
  const std::string output = p.player.transmitOutput();
  if (Result<void> awake = p.soundSystem.wakeOutput(output); !awake) {
    std::string text =
        p.ownMessage(OwnText::TxOutputGone, {p.txOutputDevice, awake.error().message});
    if (const auto server = p.soundSystem.serverNameFor(output, false))
      text += " " + p.ownMessage(OwnText::DeviceHeldByServer, {p.txOutputDevice, *server});
    return tv::failure(text);
  }
  return p.soundSystem.openPlayback(std::filesystem::path(file), {.output = output});
}

}  // namespace

TxSound::TxSound(Program& program) : p_(program) {}

TxSound::~TxSound() = default;

Result<void> TxSound::open(const std::string& file) {
  close();
  failure_.clear();
  auto opened = openTransmitOutput(p_, file);
  if (!opened) return opened.error();
  if (!(*opened)->audible()) return tv::failure(p_.ownMessage(OwnText::TxNoSoundOutput));
  stream_ = std::move(*opened);
  return success();
}

Result<void> TxSound::play() {
  if (!stream_) return tv::failure("no sound is open");
  position_ = 0;
  held_ = true;
  return startWhenKeyed();
}

Result<void> TxSound::startWhenKeyed() {
  // A rig keyed over the network confirms later, and its relays and amplifier need the
  // TX delay after that: sound before would be cut off on the air.
  const std::int64_t now = p_.platform.clock.monotonicMs();
  const std::optional<std::int64_t> start = p_.keying.soundMayStartMs();
  if (!start || *start > now) return success();
  held_ = false;
  if (auto played = stream_->play(0); !played) {
    close();
    return played;
  }
  movedAtMs_ = now;
  return success();
}

TxSound::Check TxSound::check() {
  if (!stream_) return Check::ended;
  if (held_) {
    // Keying that is never confirmed ends the transmission from the keying's side.
    if (Result<void> started = startWhenKeyed(); !started) return fail(started.error().message);
    return Check::sounding;
  }
  if (const Result<void> status = stream_->status(); !status) {
    return fail(status.error().message);
  }
  const std::int64_t now = p_.platform.clock.monotonicMs();
  const std::int64_t position = stream_->positionMs();
  const PlaybackState state = stream_->state();
  if (state == PlaybackState::finished || position >= stream_->lengthMs()) {
    position_ = position;
    return Check::ended;
  }
  if (position != position_) {
    position_ = position;
    movedAtMs_ = now;
    return Check::sounding;
  }
  // Nothing here pauses or seeks this stream, so a position that stands still is an
  // output that has stopped taking sound: the carrier would stay up without it.
  if (now - movedAtMs_ >= kStallMs) {
    return fail(p_.ownMessage(OwnText::TxSoundStalled, {std::to_string(kStallMs / 1000)}));
  }
  return Check::sounding;
}

TxSound::Check TxSound::fail(std::string reason) {
  failure_ = std::move(reason);
  close();
  return Check::failed;
}

void TxSound::close() {
  held_ = false;
  if (!stream_) return;
  stream_->stop();
  stream_.reset();
}

std::int64_t TxSound::lengthMs() const {
  return stream_ ? stream_->lengthMs() : 0;
}

}  // namespace tv
