// The sound of a radio net for the end-to-end tests, and the check that a recording holds
// the net's samples unchanged.
//
//   tv_net_file make NET.wav PART...    PART: quiet:SECONDS or talk:SECONDS, in order
//       writes 11,025 Hz unsigned 8-bit mono and prints, one line each, "talk FIRST END"
//       for every talk part, in samples (END exclusive).
//   tv_net_file find NET.wav RECORDING.wav
//       prints "FIRST END" where the recording's samples stand in the net, unchanged;
//       fails with the closest match when they do not.
//   tv_net_file every RAW SOUND.wav TRIM
//       prints "FIRST END" for every place where the samples of SOUND, less TRIM samples at
//       either end (what a sound server's start and end may round away), stand unchanged
//       in raw unsigned 8-bit samples (a sink's monitor recorded with parec); in samples.
//   tv_net_file loud RAW
//       prints "FIRST END" of the loud stretch of raw unsigned 8-bit samples (from the
//       first to after the last sample more than 8 steps off the middle), or "0 0".
//
// Quiet is a faint noise and talk a loud one, both from a fixed pseudo-random sequence:
// the same parts always give the same file, and no stretch of a few dozen samples occurs
// twice, so a recording can stand at one place of the net only.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 11025;
constexpr int kZeroLine = 127;
// The first samples of a recording looked up in the net; the rest is compared there.
constexpr std::size_t kProbe = 256;

using Samples = std::vector<std::uint8_t>;

class Noise {
 public:
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }

 private:
  std::uint32_t state_ = 0x2545F491u;
};

void put32(Samples& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void put16(Samples& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

Samples wavFile(const Samples& samples) {
  Samples out;
  const auto size = static_cast<std::uint32_t>(samples.size());
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put32(out, size + 36);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(out, 16);
  put16(out, 1);  // PCM
  put16(out, 1);  // mono
  put32(out, kRate);
  put32(out, kRate);
  put16(out, 1);
  put16(out, 8);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put32(out, size);
  out.insert(out.end(), samples.begin(), samples.end());
  return out;
}

std::optional<Samples> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Samples(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t get32(const Samples& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// The samples of the data chunk; nothing when the file is no RIFF WAVE.
std::optional<Samples> wavSamples(const std::string& path) {
  const auto bytes = readFile(path);
  if (!bytes || bytes->size() < 12 || !std::equal(bytes->begin(), bytes->begin() + 4, "RIFF") ||
      !std::equal(bytes->begin() + 8, bytes->begin() + 12, "WAVE"))
    return std::nullopt;
  std::size_t at = 12;
  while (at + 8 <= bytes->size()) {
    const std::uint32_t size = get32(*bytes, at + 4);
    if (std::equal(bytes->begin() + at, bytes->begin() + at + 4, "data")) {
      const std::size_t end = std::min(bytes->size(), at + 8 + static_cast<std::size_t>(size));
      return Samples(bytes->begin() + static_cast<long>(at + 8),
                     bytes->begin() + static_cast<long>(end));
    }
    at += 8 + size + (size & 1);
  }
  return std::nullopt;
}

int make(int argc, char** argv) {
  Noise noise;
  Samples net;
  for (int i = 3; i < argc; ++i) {
    const std::string part = argv[i];
    const auto colon = part.find(':');
    const std::string kind = part.substr(0, colon);
    const double seconds = colon == std::string::npos ? -1 : std::atof(part.c_str() + colon + 1);
    if ((kind != "quiet" && kind != "talk") || seconds <= 0) {
      std::fprintf(stderr, "tv_net_file: not a part: %s\n", part.c_str());
      return 2;
    }
    const auto count = static_cast<std::size_t>(seconds * kRate + 0.5);
    const std::size_t first = net.size();
    for (std::size_t n = 0; n < count; ++n) {
      const std::uint32_t r = noise.next();
      int sample = kZeroLine;
      if (kind == "quiet") {
        sample += static_cast<int>(r % 3) - 1;
      } else {
        // A loud noise: 60 to 119 steps off the zero line, either way.
        const int size = 60 + static_cast<int>((r >> 8) % 60);
        sample += (r & 1) ? size : -size;
      }
      net.push_back(static_cast<std::uint8_t>(sample));
    }
    if (kind == "talk") std::printf("talk %zu %zu\n", first, net.size());
  }
  const Samples file = wavFile(net);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) {
    std::fprintf(stderr, "tv_net_file: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}

int find(const char* netPath, const char* recordingPath) {
  const auto net = wavSamples(netPath);
  const auto recording = wavSamples(recordingPath);
  if (!net || !recording) {
    std::fprintf(stderr, "tv_net_file: %s is no WAV file\n", net ? recordingPath : netPath);
    return 2;
  }
  if (recording->size() < kProbe) {
    std::fprintf(stderr, "tv_net_file: %s holds only %zu samples\n", recordingPath,
                 recording->size());
    return 1;
  }
  // The place where the most samples agree, for the report when none agrees throughout.
  std::size_t bestAt = 0;
  std::size_t bestLength = 0;
  auto from = net->begin();
  for (;;) {
    from = std::search(from, net->end(), recording->begin(), recording->begin() + kProbe);
    if (from == net->end()) break;
    const auto at = static_cast<std::size_t>(from - net->begin());
    const std::size_t room = std::min(recording->size(), net->size() - at);
    const auto differ =
        std::mismatch(recording->begin(), recording->begin() + static_cast<long>(room), from);
    const auto agree = static_cast<std::size_t>(differ.first - recording->begin());
    if (agree == recording->size()) {
      std::printf("%zu %zu\n", at, at + recording->size());
      return 0;
    }
    if (agree > bestLength) {
      bestAt = at;
      bestLength = agree;
    }
    ++from;
  }
  if (bestLength == 0) {
    std::fprintf(stderr, "tv_net_file: the first %zu samples of %s are nowhere in the net\n",
                 kProbe, recordingPath);
  } else {
    std::fprintf(stderr,
                 "tv_net_file: %s stands in the net at sample %zu for %zu of its %zu samples; "
                 "then it holds %d where the net has %d\n",
                 recordingPath, bestAt, bestLength, recording->size(),
                 bestLength < recording->size() ? (*recording)[bestLength] : -1,
                 bestAt + bestLength < net->size() ? (*net)[bestAt + bestLength] : -1);
  }
  return 1;
}

int every(const char* rawPath, const char* soundPath, const char* trimText) {
  const auto raw = readFile(rawPath);
  const auto sound = wavSamples(soundPath);
  const long trim = std::atol(trimText);
  if (!raw || !sound) {
    std::fprintf(stderr, "tv_net_file: cannot read %s\n", raw ? soundPath : rawPath);
    return 2;
  }
  if (trim < 0 || sound->size() < static_cast<std::size_t>(2 * trim) + kProbe) {
    std::fprintf(stderr, "tv_net_file: %s is too short to trim %ld samples\n", soundPath, trim);
    return 2;
  }
  const auto first = sound->begin() + trim;
  const auto last = sound->end() - trim;
  for (auto from = raw->begin();;) {
    from = std::search(from, raw->end(), first, last);
    if (from == raw->end()) return 0;
    const auto at = static_cast<std::size_t>(from - raw->begin());
    std::printf("%zu %zu\n", at, at + static_cast<std::size_t>(last - first));
    from += last - first;
  }
}

int loud(const char* rawPath) {
  const auto samples = readFile(rawPath);
  if (!samples) {
    std::fprintf(stderr, "tv_net_file: cannot read %s\n", rawPath);
    return 2;
  }
  const auto isLoud = [](std::uint8_t s) { return s < 120 || s > 136; };
  const auto first = std::find_if(samples->begin(), samples->end(), isLoud);
  if (first == samples->end()) {
    std::printf("0 0\n");
    return 0;
  }
  const auto last = std::find_if(samples->rbegin(), samples->rend(), isLoud);
  std::printf("%zu %zu\n", static_cast<std::size_t>(first - samples->begin()),
              static_cast<std::size_t>(samples->rend() - last));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "make" && argc >= 3) return make(argc, argv);
  if (command == "find" && argc == 4) return find(argv[2], argv[3]);
  if (command == "loud" && argc == 3) return loud(argv[2]);
  if (command == "every" && argc == 5) return every(argv[2], argv[3], argv[4]);
  std::fputs(
      "usage: tv_net_file make NET.wav quiet:SECONDS|talk:SECONDS...\n"
      "       tv_net_file find NET.wav RECORDING.wav\n"
      "       tv_net_file every RAW SOUND.wav TRIM\n"
      "       tv_net_file loud RAW\n",
      stderr);
  return 2;
}
