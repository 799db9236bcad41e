#include "transmit/tx_arbiter.h"

#include <string>

#include "app/program.h"

namespace tv {

std::string_view ownerName(TxOwner owner) {
  switch (owner) {
    case TxOwner::autoTx:
      return "auto-tx";
    case TxOwner::schedule:
      return "schedule";
    case TxOwner::manual:
      return "manual";
    case TxOwner::none:
      break;
  }
  return "none";
}

TxArbiter::TxArbiter(Program& program) : p_(program) {}

void TxArbiter::enrol(TxOwner who, std::function<void(std::string_view)> stop) {
  stops_.emplace_back(who, std::move(stop));
}

void TxArbiter::onFree(std::function<void()> hook) {
  freeHooks_.push_back(std::move(hook));
}

bool TxArbiter::request(TxOwner who) {
  if (owner_ == who) return true;
  if (owner_ != TxOwner::none || who == TxOwner::none) return false;
  owner_ = who;
  p_.log.info("keying", "grant: " + std::string(ownerName(who)));
  return true;
}

void TxArbiter::key(TxOwner who) {
  if (owner_ != who || who == TxOwner::none) return;
  p_.keying.PttOn(ownerName(who));
}

void TxArbiter::release(TxOwner who, std::string_view why) {
  if (owner_ != who || who == TxOwner::none) return;
  owner_ = TxOwner::none;
  const std::string text = std::string(ownerName(who)) + " (" + std::string(why) + ")";
  // Keying logs the release of a keyed line itself; with transmit control off nothing
  // was keyed, but the playback was still given back.
  const bool keyed = p_.keying.keyed();
  p_.keying.PttOff(text);
  if (!keyed) p_.log.info("keying", "release: " + text);
  // A hook may take the transmitter at once; the later ones then find it held.
  for (const auto& hook : freeHooks_) hook();
  if (free() && !p_.autoTx.running()) p_.notices.clear(kRefusedCause);
}

bool TxArbiter::refusedToUser() {
  if (!automatic() && !p_.autoTx.running()) return false;
  p_.notices.tellOnce(kRefusedCause, "keying", p_.ownMessage(OwnText::TxInUseRefused));
  return true;
}

void TxArbiter::endCurrent(std::string_view why) {
  const TxOwner holder = owner_;
  if (holder == TxOwner::none) {
    p_.keying.PttOff(why);
    return;
  }
  for (const auto& [who, stop] : stops_)
    if (who == holder) stop(why);
  release(holder, why);
}

}  // namespace tv
