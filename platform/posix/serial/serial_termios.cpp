#include "platform/posix/serial/serial_termios.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/posix/release_registry.h"
#include "platform/posix/serial/modem_bits.h"
#include "platform/serial/port_name.h"

namespace tv {
namespace {

std::string systemMessage(int error) {
  return std::strerror(error);
}

SerialError notSerialPort(const std::string& device) {
  return {SerialErrorKind::NotSerialPort, device, device + " is not a serial port."};
}

SerialError openError(const std::string& device, int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
      return {SerialErrorKind::NoSuchPort, device,
              "There is no serial port " + device + " (" + systemMessage(error) + ")."};
    case EACCES:
    case EPERM:
      return {SerialErrorKind::NoRights, device,
              "No permission to open " + device + " (" + systemMessage(error) +
                  "). Serial ports belong to the group dialout: add the user to it "
                  "(sudo usermod -aG dialout $USER) and log in again."};
    case EBUSY:
    case EWOULDBLOCK:
      return {SerialErrorKind::Busy, device,
              device + " is in use by another program (" + systemMessage(error) + ")."};
    case EISDIR:
      return notSerialPort(device);
    default:
      return {SerialErrorKind::Other, device,
              "Cannot open " + device + " (" + systemMessage(error) + ")."};
  }
}

SerialError configureError(const std::string& device, const std::string& step, int error) {
  if (error == ENOTTY) return notSerialPort(device);
  return {SerialErrorKind::Other, device,
          "Cannot " + step + " " + device + " (" + systemMessage(error) + ")."};
}

void clearBothLines(int fd) {
  int lines = TIOCM_DTR | TIOCM_RTS;
  ioctl(fd, TIOCMBIC, &lines);
}

std::optional<SerialError> configure(int fd, const std::string& device) {
  if (ioctl(fd, TIOCEXCL) != 0) return configureError(device, "claim", errno);

  termios settings{};
  if (tcgetattr(fd, &settings) != 0) {
    return configureError(device, "read the line settings of", errno);
  }
  cfmakeraw(&settings);
  settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL;
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  // Nothing is ever read, but should anything read, it must not hang the GUI thread:
  // return what is there, else wait at most one tenth of a second (the finest step
  // termios has; the Windows port waited 30 ms). Writes have no time-out in termios.
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 1;
  cfsetispeed(&settings, B19200);
  cfsetospeed(&settings, B19200);

  const std::string setStep = "set 19200 baud 8N1 on";
  if (tcsetattr(fd, TCSANOW, &settings) != 0) return configureError(device, setStep, errno);

  // tcsetattr succeeds when any part of the request took; read back what did.
  termios applied{};
  if (tcgetattr(fd, &applied) != 0) return configureError(device, setStep, errno);
  const bool asAsked = cfgetospeed(&applied) == B19200 && cfgetispeed(&applied) == B19200 &&
                       (applied.c_cflag & CSIZE) == CS8 && !(applied.c_cflag & PARENB) &&
                       !(applied.c_cflag & CSTOPB) && !(applied.c_cflag & CRTSCTS) &&
                       (applied.c_cflag & HUPCL) && (applied.c_cflag & CLOCAL);
  if (!asAsked) {
    return SerialError{SerialErrorKind::Other, device,
                       device + " does not take 19200 baud 8N1 without flow control."};
  }

  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return configureError(device, "leave non-blocking mode on", errno);
  }
  return std::nullopt;
}

// The path with every link followed.
std::optional<std::string> realPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return std::nullopt;
  std::string text(resolved);
  std::free(resolved);
  return text;
}

// The link in `folder` that leads to `device`; `named` itself when it is one of them.
std::string stableLinkTo(const std::string& named, const std::string& device,
                         const std::string& folder) {
  if (folder.empty()) return {};
  const std::string prefix = folder.back() == '/' ? folder : folder + "/";
  if (named.rfind(prefix, 0) == 0 && named.find('/', prefix.size()) == std::string::npos)
    return named;
  DIR* links = ::opendir(folder.c_str());
  if (!links) return {};
  std::string found;
  while (const dirent* entry = ::readdir(links)) {
    const std::string link = prefix + entry->d_name;
    if (entry->d_name[0] == '.' || realPath(link) != device) continue;
    // Several links may lead there (an adapter with two interfaces): the first by name,
    // so that the choice does not depend on the order of the directory.
    if (found.empty() || link < found) found = link;
  }
  ::closedir(links);
  return found;
}

}  // namespace

SerialPlaces SerialPlaces::fromEnvironment() {
  SerialPlaces places;
  if (const char* folder = std::getenv("TONVOGEL_LOCK_DIR"); folder && *folder)
    places.lockFolder = folder;
  if (const char* folder = std::getenv("TONVOGEL_SERIAL_BY_ID"); folder && *folder)
    places.stableFolder = folder;
  return places;
}

TermiosSerialPort::TermiosSerialPort(SerialPlaces places)
    : places_(std::move(places)), lock_(places_.lockFolder) {}

TermiosSerialPort::~TermiosSerialPort() {
  close();
}

bool TermiosSerialPort::present(const std::string& name) const {
  const auto device = resolvePortName(name);
  struct stat node {};
  return device && ::stat(device->c_str(), &node) == 0 && S_ISCHR(node.st_mode);
}

SerialOpenResult TermiosSerialPort::open(const std::string& name) {
  close();
  const auto named = resolvePortName(name);
  if (!named) {
    return SerialError{SerialErrorKind::NoPortChosen, "", "\"" + name + "\" names no serial port."};
  }
  // Opening raises the lines: once the program has been told to end, nothing may.
  if (release::ending()) {
    return SerialError{SerialErrorKind::Other, *named, "The program is ending."};
  }

  // Everything up to the open() looks at the device without opening it. Locks and lock
  // files are on the device itself, not on a link to it.
  const auto device = realPath(*named);
  if (!device) return openError(*named, errno);
  struct stat node {};
  if (::stat(device->c_str(), &node) != 0) return openError(*named, errno);
  if (!S_ISCHR(node.st_mode)) return notSerialPort(*named);
  if (const Result<void> claimed = lock_.claim(*device); !claimed) {
    const std::string& holder = claimed.error().message;
    return SerialError{SerialErrorKind::Busy, *named,
                       *named + " is in use by " + holder + "; it was not opened.", holder};
  }

  // Non-blocking, or the open would wait for a carrier that may never come.
  const int fd = ::open(device->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    lock_.release();
    return openError(*named, error);
  }

  // Opening a closed port raises DTR and RTS, keying a connected transmitter until they
  // are cleared, so clearing comes next. Two quick checks go first: a tty ioctl must not
  // reach some other kind of device, and a port locked by another program since our
  // look at the lock table may carry that program's PTT, which is not ours to drop.
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
    ::close(fd);
    lock_.release();
    return notSerialPort(*named);
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    lock_.release();
    return openError(*named, error);
  }
  // Best effort: a line without modem control (a pty) fails here and again, reported,
  // in setDtr and setRts.
  clearBothLines(fd);
  const int release = release::addModemLines(fd, TIOCM_DTR | TIOCM_RTS);

  if (auto error = configure(fd, *named)) {
    release::remove(release);
    ::close(fd);
    lock_.release();
    return std::move(*error);
  }

  fd_ = fd;
  release_ = release;
  device_ = *named;
  stableName_ = stableLinkTo(*named, *device, places_.stableFolder);
  return {};
}

void TermiosSerialPort::close() {
  if (fd_ < 0) return;
  clearBothLines(fd_);
  release::remove(release_);
  release_ = -1;
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
  device_.clear();
  stableName_.clear();
  lock_.release();
}

Result<void> TermiosSerialPort::setDtr(bool on) {
  return setLine(TIOCM_DTR, "DTR", on);
}

Result<void> TermiosSerialPort::setRts(bool on) {
  return setLine(TIOCM_RTS, "RTS", on);
}

Result<void> TermiosSerialPort::setLine(int tiocmBit, const char* lineName, bool on) {
  if (fd_ < 0) return failure("No serial port is open.");
  // Once the program has been told to end, its lines were released by the signal
  // handler; a timer that still runs before the shutdown must not key again.
  if (on && release::ending()) return failure("The program is ending.");
  int bits = tiocmBit;
  if (ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) != 0) {
    return failure(std::string("Cannot ") + (on ? "raise " : "clear ") + lineName + " on " +
                   device_ + " (" + systemMessage(errno) + ").");
  }
  return success();
}

Result<std::uint32_t> TermiosSerialPort::modemStatus() {
  if (fd_ < 0) return failure("No serial port is open.");
  int bits = 0;
  if (ioctl(fd_, TIOCMGET, &bits) != 0) {
    return failure("Cannot read the input lines of " + device_ + " (" + systemMessage(errno) +
                   ").");
  }
  return modemStatusFromTiocm(bits);
}

}  // namespace tv
