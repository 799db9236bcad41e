#include "platform/posix/keying/posix_keyers.h"

#include "platform/posix/keying/rigctld_keyer.h"

namespace tv {

std::unique_ptr<Keyer> makePosixKeyer(const KeyerChoice& choice) {
  if (choice.method == "rigctld")
    return std::make_unique<RigctldKeyer>(choice.rigctldAddress, choice.pttCommand);
  return nullptr;
}

}  // namespace tv
