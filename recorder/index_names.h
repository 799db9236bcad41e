#pragma once

#include <optional>
#include <string_view>

namespace tv {

// The calendar date a capture name carries.
struct RecordingDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

// The date of `name` when it is a capture name of network `network` exactly as the
// recorder writes it ("1_03-07-2024_09-05-30.wav") and names a real date and time of
// day. Anything else is none of the sound list's business: it is never dated, listed or
// deleted, so a stray file that happens to begin with the network's digit cannot be taken
// for an old recording.
std::optional<RecordingDate> recordingDate(std::string_view name, char network);

// Whole days from `a` to `b`, without sign.
int daysBetween(const RecordingDate& a, const RecordingDate& b);

}  // namespace tv
