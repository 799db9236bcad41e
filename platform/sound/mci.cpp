#include "platform/sound/mci.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/sound/wav_file.h"

namespace tv {
namespace {

constexpr std::string_view kNotRecognized = "The specified command was not recognized.";
constexpr std::string_view kNotOpen = "The specified device is not open.";
constexpr std::string_view kAliasInUse = "The specified alias is already being used.";
constexpr std::string_view kOutOfRange = "A parameter is out of range for the specified command.";
constexpr std::string_view kNoInput = "No sound input is open to record from.";
constexpr std::string_view kNoTakeFiles = "No file can be made to record into.";
// Where a take goes that the caller gave no working file.
constexpr std::string_view kScratchFile = "capture-take.wav.tmp";

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
  // From the first "record capture " on; its rate is the take's.
  std::unique_ptr<TakeWriter> writer;
  std::unique_ptr<CaptureTap> tap;
  // The working file stays at close: saved under its own name, or its save failed.
  bool keepFile = false;
  // Saved under its own name with the completion left to the owner.
  bool savedForOwner = false;
};

Mci::Mci(SoundSystem& sound, TakeFiles* takeFiles, TakeWriter::Mode writing,
         std::size_t logCapacity)
    : sound_(sound), takeFiles_(takeFiles), writing_(writing), logCapacity_(logCapacity) {}

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

std::optional<Mci::CaptureSpan> Mci::captureSpan() const {
  if (span_ && capture_ && capture_->tap)
    return CaptureSpan{span_->first, capture_->tap->endPosition()};
  return span_;
}

std::optional<Mci::ClosedTake> Mci::takeClosed() {
  std::optional<ClosedTake> closed;
  closed.swap(closed_);
  return closed;
}

std::optional<std::string> Mci::captureFault() const {
  if (!capture_ || !capture_->writer) return std::nullopt;
  return capture_->writer->progress().fault;
}

std::uint64_t Mci::captureDurable() const {
  if (!capture_ || !capture_->writer) return 0;
  return capture_->writer->progress().durable;
}

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
  std::unique_ptr<TakeWriter>& writer = capture_->writer;
  const bool beginning = !writer;
  if (beginning) {
    std::string file = nextFile_.value_or(std::string(kScratchFile));
    nextFile_.reset();
    std::error_code ignored;
    // The scratch file is the device's own; a working file named by the recorder is
    // never replaced (the writer refuses it).
    if (file == kScratchFile) std::filesystem::remove(file, ignored);
    writer =
        std::make_unique<TakeWriter>(*takeFiles_, std::move(file), stream->sampleRate(), writing_);
  } else if (writer->sampleRate() != stream->sampleRate()) {
    // Samples of two rates cannot share one file.
    return false;
  }
  capture_->tap = from ? stream->openTapFrom(*from, writer.get()) : stream->openTap(writer.get());
  if (beginning)
    span_ = CaptureSpan{capture_->tap->startPosition(), capture_->tap->startPosition()};
  return true;
}

void Mci::collectTap() {
  if (!capture_->tap) return;
  if (auto stream = input_.lock()) stream->update();
  if (span_) span_->end = capture_->tap->endPosition();
  capture_->tap.reset();
}

Mci::Reply Mci::recordCapture() {
  if (!capture_) return Reply::error(kNotOpen);
  using Mode = CaptureDevice::Mode;
  if (capture_->mode == Mode::recording) return Reply::done();
  auto stream = input_.lock();
  if (!stream) return Reply::error(kNoInput);
  if (!takeFiles_) return Reply::error(kNoTakeFiles);
  if (capture_->writer && capture_->writer->sampleRate() != stream->sampleRate()) {
    return Reply::error(kOutOfRange);
  }
  // A set start applies to the beginning of a take only.
  std::optional<std::uint64_t> from;
  if (!capture_->writer) from = nextStart_;
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
  const std::filesystem::path target(name);
  if (!capture_->writer) {
    // Nothing was recorded: an empty file.
    if (auto written = writeMonoU8Wave(target, capture_->formatRate, {}); !written) {
      return Reply::error(written.error().message);
    }
    return Reply::done();
  }
  // Saving while recording keeps the take running; the file holds what has arrived so far.
  if (capture_->tap) {
    if (auto stream = input_.lock()) stream->update();
  }
  TakeWriter& writer = *capture_->writer;
  const bool ownFile = std::filesystem::absolute(target).lexically_normal() ==
                       std::filesystem::absolute(writer.path()).lexically_normal();
  if (ownFile && handOver_) {
    capture_->savedForOwner = true;
    return Reply::done();
  }
  if (auto settled = writer.settle(); !settled) {
    capture_->keepFile = true;
    return Reply::error(settled.error().message);
  }
  if (ownFile) {
    capture_->keepFile = true;
    return Reply::done();
  }
  if (auto copied = copyFileAtomically(writer.path(), target.string()); !copied) {
    return Reply::error(copied.error().message);
  }
  return Reply::done();
}

Mci::Reply Mci::closeCapture() {
  if (!capture_) return Reply::error(kNotOpen);
  capture_->tap.reset();
  if (capture_->writer && handOver_) {
    closed_ =
        ClosedTake{std::move(capture_->writer), capture_->savedForOwner || capture_->keepFile};
  } else if (capture_->writer) {
    const std::string file = capture_->writer->path();
    capture_->writer.reset();
    std::error_code ignored;
    if (!capture_->keepFile) std::filesystem::remove(file, ignored);
  }
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
  auto opened = sound_.openPlayback(std::filesystem::path(path), {.output = playbackOutput_});
  if (!opened) return Reply::error("The file cannot be played: " + opened.error().message);
  playback_ = std::move(*opened);
  playbackFile_ = std::filesystem::path(path);
  playbackRate_ = 0;
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
  auto reopened =
      sound_.openPlayback(playbackFile_, {.rate = *value, .output = playbackOutput_});
  if (!reopened) {
    playbackFile_.clear();
    return Reply::error("The file cannot be played: " + reopened.error().message);
  }
  playback_ = std::move(*reopened);
  playbackRate_ = *value;
  return Reply::done();
}

Result<void> Mci::setPlaybackOutput(const std::string& output) {
  if (output == playbackOutput_) return success();
  if (!playback_) {
    playbackOutput_ = output;
    return success();
  }
  auto moved = sound_.openPlayback(playbackFile_, {.rate = playbackRate_, .output = output});
  if (!moved) return moved.error();
  playbackOutput_ = output;
  const PlaybackState state = playback_->state();
  const std::int64_t at = std::min(playback_->positionMs(), (*moved)->lengthMs());
  // What the old output still held unsounded is dropped with it, and the new one
  // begins there: nothing is lost or heard twice.
  playback_.reset();
  playback_ = std::move(*moved);
  if (state == PlaybackState::playing) {
    if (auto played = playback_->play(at); !played) return played;
  } else if (auto sought = playback_->seek(at); !sought) {
    return sought;
  }
  return success();
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
