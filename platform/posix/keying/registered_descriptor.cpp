#include "platform/posix/keying/registered_descriptor.h"

#include <unistd.h>

#include "platform/posix/release_registry.h"

namespace tv {

RegisteredDescriptor::~RegisteredDescriptor() {
  close();
}

void RegisteredDescriptor::hold(int fd, std::string_view release) {
  close();
  fd_ = fd;
  entry_ = release::addBytes(fd_, release);
}

void RegisteredDescriptor::close() {
  if (fd_ < 0) return;
  // Out of the registry first: the number may belong to another file once closed.
  if (entry_ >= 0) release::remove(entry_);
  entry_ = -1;
  ::close(fd_);
  fd_ = -1;
}

}  // namespace tv
