#include "platform/files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tv {

namespace fs = std::filesystem;

Result<void> writeFileAtomically(const std::string& path, std::string_view bytes) {
  const fs::path target(path);
  fs::path temp = target;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return failure("cannot create " + temp.string());
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      fs::remove(temp, ignored);
      return failure("cannot write " + temp.string());
    }
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    return failure(ec.message());
  }
  return success();
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
