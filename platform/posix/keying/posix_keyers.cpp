#include "platform/posix/keying/posix_keyers.h"

#include "platform/posix/keying/cm108_keyer.h"
#include "platform/posix/keying/rigctld_keyer.h"

namespace tv {

std::unique_ptr<Keyer> makePosixKeyer(const KeyerChoice& choice) {
  if (choice.method == "rigctld")
    return std::make_unique<RigctldKeyer>(choice.rigctldAddress, choice.pttCommand);
  if (choice.method == "cm108")
    return std::make_unique<Cm108Keyer>(choice.cm108Interface, choice.cm108Gpio,
                                        choice.soundDevices);
  return nullptr;
}

}  // namespace tv
