#include "tests/support/quiet_receiver.h"

namespace tv::test {

namespace {
// Delivers nothing: the meter then reads its zero line, and no take ever starts.
class SilentStream : public CaptureStream {
 public:
  using CaptureStream::CaptureStream;
};
}  // namespace

std::vector<SoundDevice> QuietReceiver::inputDevices() {
  return {{"quiet", "Quiet receiver"}};
}

// Any name opens the one input: the settings of a test may name a card of a real station.
Result<std::shared_ptr<CaptureStream>> QuietReceiver::openInput(const std::string&,
                                                                int sampleRate) {
  if (sampleRate <= 0) return failure("no such sample rate");
  return std::shared_ptr<CaptureStream>(std::make_shared<SilentStream>(sampleRate));
}

}  // namespace tv::test
