#include "platform/sound/mci.h"

#include <charconv>

#include "platform/sound/wav_file.h"

namespace tv {
namespace {

constexpr std::string_view kNotRecognized = "The specified command was not recognized.";
constexpr std::string_view kNotOpen = "The specified device is not open.";
constexpr std::string_view kAliasInUse = "The specified alias is already being used.";
constexpr std::string_view kOutOfRange = "A parameter is out of range for the specified command.";
constexpr std::string_view kNoInput = "No sound input is open to record from.";

// A waveaudio device that has not been given a format records 11,025 Hz.
constexpr int kDefaultCaptureRate = 11025;

bool consume(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// Plain decimal digits, nothing else; the whole number must fit.
template <class Number>
std::optional<Number> takeNumber(std::string_view& text) {
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0) return std::nullopt;
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + digits, value);
  if (error != std::errc{} || end != text.data() + digits) return std::nullopt;
  text.remove_prefix(digits);
  return value;
}

template <class Number>
std::optional<Number> wholeNumber(std::string_view text) {
  auto value = takeNumber<Number>(text);
  if (!value || !text.empty()) return std::nullopt;
  return value;
}

}  // namespace

struct Mci::Reply {
  bool ok = true;
  std::string text;

  static Reply done() { return {}; }
  static Reply value(std::int64_t number) { return {true, std::to_string(number)}; }
  static Reply error(std::string_view message) { return {false, std::string(message)}; }
};

struct Mci::CaptureDevice {
  enum class Mode { idle, recording, paused, stopped };
  Mode mode = Mode::idle;
  int formatRate = kDefaultCaptureRate;
  std::optional<int> recordedRate;  // rate of the samples held, once there are any
  std::vector<std::uint8_t> samples;
  std::unique_ptr<CaptureTap> tap;
  std::uint64_t tapDrained = 0;  // samples taken from the current tap so far
};

Mci::Mci(SoundSystem& sound, std::size_t logCapacity) : sound_(sound), logCapacity_(logCapacity) {}

Mci::~Mci() = default;

void Mci::setInputStream(std::weak_ptr<CaptureStream> stream) {
  const bool recording = capture_ && capture_->mode == CaptureDevice::Mode::recording;
  if (recording) collectTap();
  input_ = std::move(stream);
  if (recording) startTap();
}

std::string Mci::sendString(std::string_view command) {
  Reply reply = dispatch(command);
  if (logCapacity_ > 0) {
    if (log_.size() == logCapacity_) log_.pop_front();
    log_.push_back({std::string(command), reply.text, reply.ok});
  }
  return reply.text;
}

bool Mci::playbackSilent() const { return playback_ && !playback_->audible(); }

Mci::Reply Mci::dispatch(std::string_view command) {
  if (command == "open new type waveaudio alias capture ") return openCapture();
  if (command == "record capture ") return recordCapture();
  if (command == "pause capture wait ") return pauseCapture();
  if (command == "resume capture wait ") return resumeCapture();
  if (command == "stop capture wait ") return stopCapture();
  if (command == "close capture wait " || command == "close capture ") return closeCapture();
  if (std::string_view rest = command;
      consume(rest, "set capture time format milliseconds  bitspersample ")) {
    return setCaptureFormat(rest);
  }
  if (std::string_view rest = command; consume(rest, "save capture wait ")) {
    return saveCapture(rest);
  }

  if (command == "set waveplayfile time format ms" || command == "status waveplayfile length" ||
      command == "status waveplayfile position" || command == "stop waveplayfile" ||
      command == "close waveplayfile") {
    if (!playback_) return Reply::error(kNotOpen);
    if (command == "status waveplayfile length") return Reply::value(playback_->lengthMs());
    if (command == "status waveplayfile position") return Reply::value(playback_->positionMs());
    if (command == "stop waveplayfile") playback_->stop();
    if (command == "close waveplayfile") {
      playback_.reset();
      playbackFile_.clear();
    }
    return Reply::done();
  }
  if (std::string_view rest = command; consume(rest, "set waveplayfile samplespersec ")) {
    return setPlaybackRate(rest);
  }
  if (std::string_view rest = command; consume(rest, "seek waveplayfile to  ")) {
    return seekPlayback(rest);
  }
  if (std::string_view rest = command; consume(rest, "play waveplayfile from  ")) {
    return playPlayback(rest);
  }
  if (std::string_view rest = command;
      consume(rest, "open ") && rest.ends_with(" alias waveplayfile")) {
    rest.remove_suffix(std::string_view(" alias waveplayfile").size());
    return openPlayback(rest);
  }
  return Reply::error(kNotRecognized);
}

Mci::Reply Mci::openCapture() {
  if (capture_) return Reply::error(kAliasInUse);
  capture_ = std::make_unique<CaptureDevice>();
  span_.reset();
  return Reply::done();
}

Mci::Reply Mci::setCaptureFormat(std::string_view arguments) {
  const auto bits = takeNumber<int>(arguments);
  if (!bits || !consume(arguments, " samplespersec ")) return Reply::error(kNotRecognized);
  const auto rate = takeNumber<int>(arguments);
  if (!rate || !consume(arguments, " channels ")) return Reply::error(kNotRecognized);
  const auto channels = takeNumber<int>(arguments);
  if (!channels || !consume(arguments, " bytespersec ")) return Reply::error(kNotRecognized);
  const auto bytesPerSecond = takeNumber<std::int64_t>(arguments);
  if (!bytesPerSecond || arguments != " alignment 1") return Reply::error(kNotRecognized);
  if (!capture_) return Reply::error(kNotOpen);
  // The meter's stream is unsigned 8-bit mono; nothing else can be recorded.
  if (*bits != 8 || *channels != 1 || *rate < 1 ||
      *bytesPerSecond != std::int64_t{*bits} * *rate * *channels / 8) {
    return Reply::error(kOutOfRange);
  }
  capture_->formatRate = *rate;
  return Reply::done();
}

bool Mci::startTap(std::optional<std::uint64_t> from) {
  auto stream = input_.lock();
  if (!stream) return false;
  capture_->tap = from ? stream->openTapFrom(*from) : stream->openTap();
  capture_->tapDrained = 0;
  capture_->recordedRate = stream->sampleRate();
  return true;
}

void Mci::drainTap() {
  const std::size_t before = capture_->samples.size();
  capture_->tap->drainInto(capture_->samples);
  capture_->tapDrained += capture_->samples.size() - before;
  const std::uint64_t first = capture_->tap->startPosition();
  const std::uint64_t end = first + capture_->tapDrained;
  if (before == 0 || !span_) {
    span_ = CaptureSpan{first, end};
  } else {
    span_->end = end;
  }
}

void Mci::collectTap() {
  if (!capture_->tap) return;
  if (auto stream = input_.lock()) stream->update();
  drainTap();
  capture_->tap.reset();
}

Mci::Reply Mci::recordCapture() {
  if (!capture_) return Reply::error(kNotOpen);
  using Mode = CaptureDevice::Mode;
  if (capture_->mode == Mode::recording) return Reply::done();
  auto stream = input_.lock();
  if (!stream) return Reply::error(kNoInput);
  // Samples of two rates cannot share one file.
  if (capture_->recordedRate && !capture_->samples.empty() &&
      *capture_->recordedRate != stream->sampleRate()) {
    return Reply::error(kOutOfRange);
  }
  // A set start applies to the beginning of a take only.
  std::optional<std::uint64_t> from;
  if (capture_->samples.empty()) from = nextStart_;
  nextStart_.reset();
  startTap(from);
  capture_->mode = Mode::recording;
  return Reply::done();
}

Mci::Reply Mci::pauseCapture() {
  if (!capture_) return Reply::error(kNotOpen);
  if (capture_->mode == CaptureDevice::Mode::recording) {
    collectTap();
    capture_->mode = CaptureDevice::Mode::paused;
  }
  return Reply::done();
}

Mci::Reply Mci::resumeCapture() {
  if (!capture_) return Reply::error(kNotOpen);
  if (capture_->mode == CaptureDevice::Mode::paused) {
    if (!input_.lock()) return Reply::error(kNoInput);
    startTap();
    capture_->mode = CaptureDevice::Mode::recording;
  }
  return Reply::done();
}

Mci::Reply Mci::stopCapture() {
  if (!capture_) return Reply::error(kNotOpen);
  using Mode = CaptureDevice::Mode;
  if (capture_->mode == Mode::recording) collectTap();
  if (capture_->mode == Mode::recording || capture_->mode == Mode::paused) {
    capture_->mode = Mode::stopped;
  }
  return Reply::done();
}

Mci::Reply Mci::saveCapture(std::string_view name) {
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
    name = name.substr(1, name.size() - 2);
  }
  if (name.empty() || name.find('"') != std::string_view::npos) {
    return Reply::error(kNotRecognized);
  }
  if (!capture_) return Reply::error(kNotOpen);
  if (capture_->mode == CaptureDevice::Mode::recording && capture_->tap) {
    // Saving while recording keeps the take running; the file holds what
    // has arrived so far.
    if (auto stream = input_.lock()) stream->update();
    drainTap();
  }
  const int rate = capture_->recordedRate.value_or(capture_->formatRate);
  if (auto written = writeMonoU8Wave(std::filesystem::path(name), rate, capture_->samples);
      !written) {
    return Reply::error(written.error().message);
  }
  return Reply::done();
}

Mci::Reply Mci::closeCapture() {
  if (!capture_) return Reply::error(kNotOpen);
  capture_.reset();
  return Reply::done();
}

Mci::Reply Mci::openPlayback(std::string_view path) {
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    path = path.substr(1, path.size() - 2);
    if (path.find('"') != std::string_view::npos) return Reply::error(kNotRecognized);
  } else if (path.find_first_of(" \"") != std::string_view::npos) {
    // A path with a blank must come in double quotes.
    return Reply::error(kNotRecognized);
  }
  if (path.empty()) return Reply::error(kNotRecognized);
  if (playback_) return Reply::error(kAliasInUse);
  auto opened = sound_.openPlayback(std::filesystem::path(path));
  if (!opened) return Reply::error("The file cannot be played: " + opened.error().message);
  playback_ = std::move(*opened);
  playbackFile_ = std::string(path);
  return Reply::done();
}

Mci::Reply Mci::setPlaybackRate(std::string_view rate) {
  const auto value = wholeNumber<int>(rate);
  if (!value) return Reply::error(kNotRecognized);
  if (!playback_) return Reply::error(kNotOpen);
  if (*value < 1) return Reply::error(kOutOfRange);
  // The output plays the file at the new rate from its start, as one just opened. The
  // old stream goes first: a card without a mixer takes one stream at a time.
  playback_.reset();
  auto reopened = sound_.openPlayback(std::filesystem::path(playbackFile_), {*value});
  if (!reopened) {
    playbackFile_.clear();
    return Reply::error("The file cannot be played: " + reopened.error().message);
  }
  playback_ = std::move(*reopened);
  return Reply::done();
}

Mci::Reply Mci::seekPlayback(std::string_view position) {
  const auto ms = wholeNumber<std::int64_t>(position);
  if (!ms) return Reply::error(kNotRecognized);
  if (!playback_) return Reply::error(kNotOpen);
  if (!playback_->seek(*ms)) return Reply::error(kOutOfRange);
  return Reply::done();
}

Mci::Reply Mci::playPlayback(std::string_view position) {
  const auto ms = wholeNumber<std::int64_t>(position);
  if (!ms) return Reply::error(kNotRecognized);
  if (!playback_) return Reply::error(kNotOpen);
  if (auto played = playback_->play(*ms); !played) {
    return Reply::error(std::string(kOutOfRange) + " " + played.error().message);
  }
  return Reply::done();
}

}  // namespace tv
