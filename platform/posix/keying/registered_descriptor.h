#pragma once

#include <string_view>

namespace tv {

// A keying device's descriptor that stands in the release registry, with the bytes that
// release the transmitter, for exactly as long as it is open. Not copyable; closes on
// destruction.
class RegisteredDescriptor {
 public:
  RegisteredDescriptor() = default;
  ~RegisteredDescriptor();
  RegisteredDescriptor(const RegisteredDescriptor&) = delete;
  RegisteredDescriptor& operator=(const RegisteredDescriptor&) = delete;

  // Takes `fd` over (one held before is closed) and registers `release` for it.
  void hold(int fd, std::string_view release);
  void close();
  int fd() const { return fd_; }
  bool isOpen() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  int entry_ = -1;
};

}  // namespace tv
