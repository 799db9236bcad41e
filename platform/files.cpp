#include "platform/files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/file_sync.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

// What the system said about the last failed open, for a message a user can act on.
std::string because(const std::string& what) {
  const int error = errno;
  return error ? what + ": " + std::strerror(error) : what;
}

// Writes the bytes to `temp`; a failure leaves no temporary file behind.
Result<void> writeTemporary(const fs::path& temp, std::string_view bytes) {
  errno = 0;
  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  if (!out) return failure(because("cannot create " + temp.string()));
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (!out) {
    out.close();
    std::error_code ignored;
    fs::remove(temp, ignored);
    return failure("cannot write " + temp.string());
  }
  return success();
}

fs::path temporaryFor(const fs::path& target) {
  fs::path temp = target;
  temp += ".tmp";
  return temp;
}

Result<void> replaceWith(const fs::path& temp, const fs::path& target) {
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return failure(ec.message());
  }
  return success();
}

}  // namespace

Result<void> writeFileAtomically(const std::string& path, std::string_view bytes) {
  const fs::path target(path);
  const fs::path temp = temporaryFor(target);
  if (Result<void> written = writeTemporary(temp, bytes); !written) return written;
  return replaceWith(temp, target);
}

Result<void> writeFileDurably(const std::string& path, std::string_view bytes, FileSync* sync) {
  const fs::path target(path);
  const fs::path temp = temporaryFor(target);
  if (Result<void> written = writeTemporary(temp, bytes); !written) return written;
  if (sync) {
    if (Result<void> synced = sync->syncFile(temp.string()); !synced) {
      std::error_code ignored;
      fs::remove(temp, ignored);
      return synced;
    }
  }
  if (Result<void> replaced = replaceWith(temp, target); !replaced) return replaced;
  if (!sync) return success();
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  return sync->syncFolder(folder.string());
}

Result<void> checkWritable(const std::string& path) {
  std::error_code ec;
  if (fs::exists(path, ec)) {
    // Opened for appending, so that nothing of it changes.
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) return failure(because("cannot write " + path));
    return success();
  }
  {
    errno = 0;
    std::ofstream out(path, std::ios::binary);
    if (!out) return failure(because("cannot create " + path));
  }
  fs::remove(path, ec);
  return success();
}

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string folderHash(const std::string& folder) {
  // FNV-1a: short, and the same on every machine and in every build.
  std::uint32_t hash = 2166136261u;
  for (const unsigned char c : folder) {
    hash ^= c;
    hash *= 16777619u;
  }
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(hash));
  return text;
}

Result<void> copyFileAtomically(const std::string& from, const std::string& to) {
  const std::string part = to + ".part";
  std::error_code ec;
  const auto length = fs::file_size(from, ec);
  if (ec) return failure(from + ": " + ec.message());
  fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec);
  if (!ec) {
    const auto copied = fs::file_size(part, ec);
    if (!ec && copied != length) ec = std::make_error_code(std::errc::no_space_on_device);
  }
  if (!ec) fs::rename(part, to, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(part, ignored);
    return failure(to + ": " + ec.message());
  }
  return success();
}

namespace {
std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}
}  // namespace

std::string findCaseInsensitive(const std::string& folder, const std::string& name) {
  const fs::path exact = fs::path(folder) / name;
  std::error_code ec;
  if (fs::exists(exact, ec)) return exact.string();
  const std::string wanted = lower(name);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (lower(it->path().filename().string()) == wanted) return it->path().string();
  }
  return exact.string();
}

}  // namespace tv
