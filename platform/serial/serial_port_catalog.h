#pragma once

#include <string>
#include <vector>

namespace tv {

// The serial devices a user can choose from, as device paths, in the order the port
// list offers them: names that survive re-plugging first.
class SerialPortCatalog {
 public:
  virtual ~SerialPortCatalog() = default;

  virtual std::vector<std::string> availablePorts() const = 0;
};

}  // namespace tv
