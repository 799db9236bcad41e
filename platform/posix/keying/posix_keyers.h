#pragma once

#include <memory>

#include "platform/keying/keyer.h"

namespace tv {

// The keyers this platform offers, for Platform::makeKeyer.
std::unique_ptr<Keyer> makePosixKeyer(const KeyerChoice& choice);

}  // namespace tv
