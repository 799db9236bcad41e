#include "tests/support/quiet_receiver.h"

namespace tv::test {

namespace {
// Delivers nothing: the meter then reads its zero line, and no take ever starts.
class SilentStream : public CaptureStream {
 public:
  using CaptureStream::CaptureStream;
};
}  // namespace

std::vector<InputDevice> QuietReceiver::inputDevices() { return {{0, "Quiet receiver", "quiet"}}; }

Result<std::shared_ptr<CaptureStream>> QuietReceiver::openInput(int, int sampleRate) {
  if (sampleRate <= 0) return failure("no such sample rate");
  return std::shared_ptr<CaptureStream>(std::make_shared<SilentStream>(sampleRate));
}

}  // namespace tv::test
