#pragma once

#include <functional>
#include <string_view>
#include <vector>

namespace tv {

class Program;

// Who may hold the transmitter and the transmit playback.
enum class TxOwner { none, autoTx, schedule, manual };

// "auto-tx", "schedule", "manual", "none": the names the station log uses.
std::string_view ownerName(TxOwner owner);

// Gives the transmitter and the transmit playback to one sender at a time: Auto-TX, the
// hourly announcement, or the user's own TX in the playback window. A sender asks before
// it keys or plays, keys through key(), and gives the transmitter back with release();
// every grant and release stands in the station log with its owner ("grant: auto-tx",
// "release: schedule (end of sound)").
//
// The arbiter sits above Keying: it is the one place that calls PttOn and PttOff. Senders
// that wait for the transmitter are told through their onFree() hook each time it comes
// free; the arbiter keeps no queue, so each sender decides for itself whether it still
// wants to go. All on the GUI thread.
class TxArbiter {
 public:
  explicit TxArbiter(Program& program);
  TxArbiter(const TxArbiter&) = delete;
  TxArbiter& operator=(const TxArbiter&) = delete;

  // How the sender `who` is made to stop its sound when its transmission is ended from
  // outside (endCurrent); it must not release the transmitter itself.
  void enrol(TxOwner who, std::function<void(std::string_view why)> stop);
  // Called, in the order given, each time the transmitter comes free.
  void onFree(std::function<void()> hook);

  // The cause under which a refusal is told: once until the transmitter is the user's
  // again.
  static constexpr std::string_view kRefusedCause = "tx-in-use";

  TxOwner owner() const { return owner_; }
  bool free() const { return owner_ == TxOwner::none; }
  // Auto-TX or the announcement holds the transmitter.
  bool automatic() const { return owner_ == TxOwner::autoTx || owner_ == TxOwner::schedule; }

  // Grants the transmitter to `who` when it is free; true as well when `who` holds it.
  bool request(TxOwner who);
  // The user's Play or TX while Auto-TX runs (sending or pausing) or the announcement
  // holds the transmitter: refused, and the user told. True when refused.
  bool refusedToUser();
  // Keys the transmitter for its holder; nothing for anyone else.
  void key(TxOwner who);
  // `who` gives the transmitter back: released, logged with `why`, and the hooks told.
  // Nothing when `who` does not hold it.
  void release(TxOwner who, std::string_view why);
  // The user's stop, TX release, Auto-TX click or send key, or the station's time-out:
  // whatever transmission holds the transmitter ends at once, its sound stopped first.
  // The transmitter is released even when nobody holds it.
  void endCurrent(std::string_view why);

 private:
  Program& p_;
  TxOwner owner_ = TxOwner::none;
  std::vector<std::pair<TxOwner, std::function<void(std::string_view)>>> stops_;
  std::vector<std::function<void()>> freeHooks_;
};

}  // namespace tv
