#include "recorder/after_recording.h"

#include <charconv>
#include <cmath>

#include "app/program.h"

namespace tv {

namespace {

constexpr std::string_view kFailedCause = "commands.failed";
constexpr std::string_view kDroppedCause = "commands.dropped";

std::string secondsText(double seconds) {
  char buffer[32];
  const auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 2);
  return error == std::errc() ? std::string(buffer, end) : "0.00";
}

std::string joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text += ' ';
    const bool quote = word.empty() || word.find_first_of(" \t'\"\\") != std::string::npos;
    text += quote ? "'" + word + "'" : word;
  }
  return text;
}

// What became of a run, in words for the log and the notice.
std::string outcomeText(const CommandRun& run, std::int64_t limitMs) {
  if (!run.started) return run.problem;
  if (run.timedOut)
    return "ended after " + (limitMs % 1000 == 0 ? std::to_string(limitMs / 1000) + " s"
                                                 : std::to_string(limitMs) + " ms");
  if (run.stopped) return "ended with the program";
  if (run.signal != 0) return "ended by signal " + std::to_string(run.signal);
  return "exit status " + std::to_string(run.exitStatus);
}

}  // namespace

std::optional<std::vector<std::string>> splitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\\') {
      // A backslash before a line end joins the lines; before anything else keeps it.
      if (++i < line.size() && line[i] != '\n') word += line[i];
    } else if (c == '\'') {
      const std::size_t close = line.find('\'', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      word += line.substr(i + 1, close - i - 1);
      i = close;
    } else if (c == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) return std::nullopt;
        if (line[i] == '"') break;
        if (line[i] == '\\' && i + 1 < line.size() &&
            std::string_view("\\\"$`\n").find(line[i + 1]) != std::string_view::npos) {
          if (line[++i] != '\n') word += line[i];
        } else {
          word += line[i];
        }
      }
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::vector<std::string> commandWords(const std::vector<std::string>& words,
                                      const FiledRecording& recording) {
  std::vector<std::string> out;
  for (const std::string& word : words) {
    std::string filled;
    for (std::size_t i = 0; i < word.size(); ++i) {
      if (word[i] != '%' || i + 1 == word.size()) {
        filled += word[i];
        continue;
      }
      switch (word[++i]) {
        case 'f':
          filled += recording.archive;
          break;
        case 'w':
          filled += recording.collected;
          break;
        case 'n':
          filled += recording.name;
          break;
        case 's':
          filled += secondsText(recording.seconds);
          break;
        case '%':
          filled += '%';
          break;
        default:
          // Not ours: left as written (a date format, a URL's escapes).
          filled += '%';
          filled += word[i];
      }
    }
    out.push_back(std::move(filled));
  }
  return out;
}

AfterRecording::AfterRecording(Program& program) : p_(program) {}

AfterRecording::~AfterRecording() {
  // A program ended without its shutdown routine (the tray menu's Exit) must not wait
  // ten minutes for a command that hangs: the worker waits for the one running.
  if (worker_ && worker_->pending() > 0 && p_.platform.commands) p_.platform.commands->stop();
}

Worker& AfterRecording::worker() {
  // Its own worker: an upload that hangs must not hold up the filing.
  if (!worker_) worker_ = p_.makeWorker("commands");
  return *worker_;
}

void AfterRecording::recordingFiled(const FiledRecording& recording) {
  if (ending_ || !p_.platform.commands) return;
  const std::string& line = p_.afterRecordingCommand;
  if (line.find_first_not_of(" \t") == std::string::npos) return;
  const auto words = splitCommandLine(line);
  if (!words || words->empty()) {
    p_.notices.tellOnce(
        kFailedCause, "commands",
        p_.ownMessage(OwnText::CommandFailed, {line, recording.name, "unclosed quote"}));
    return;
  }
  queue_.push_back({commandWords(*words, recording), recording.name});
  if (queue_.size() > kMostWaiting) {
    const std::string dropped = queue_.front().name;
    queue_.pop_front();
    p_.log.warning("commands", "command for " + dropped +
                                   " dropped: " + std::to_string(kMostWaiting) + " waiting");
    p_.notices.tellOnce(kDroppedCause, "commands",
                        p_.ownMessage(OwnText::CommandsDropped, {dropped}));
  }
  runNext();
}

void AfterRecording::runNext() {
  if (running_ || queue_.empty() || ending_) return;
  running_ = true;
  auto command = std::make_shared<Queued>(std::move(queue_.front()));
  queue_.pop_front();
  if (queue_.empty()) p_.notices.clear(kDroppedCause);
  CommandRunner* runner = p_.platform.commands;
  const std::int64_t limitMs = p_.commandLimitMs;
  worker().run<CommandRun>(
      [runner, command, limitMs] { return runner->run(command->words, limitMs, kMostOutputBytes); },
      [this, command](CommandRun run) {
        running_ = false;
        ended(*command, run);
        runNext();
      });
}

void AfterRecording::ended(const Queued& command, const CommandRun& run) {
  const std::string what = outcomeText(run, p_.commandLimitMs);
  std::string text = joined(command.words) + ": " + what;
  if (!run.output.empty())
    text += "\n" + run.output + (run.outputCut ? "\n[output cut at 4 KB]" : "");
  if (run.succeeded()) {
    p_.log.info("commands", text);
    p_.notices.clear(kFailedCause);
    return;
  }
  p_.log.warning("commands", text);
  if (run.stopped) return;
  // One notice while commands keep failing; each failure is in the log.
  p_.notices.tellOnce(
      kFailedCause, "commands",
      p_.ownMessage(OwnText::CommandFailed, {command.words.front(), command.name, what}));
}

void AfterRecording::programEnds() {
  ending_ = true;
  if (!queue_.empty())
    p_.log.warning("commands", std::to_string(queue_.size()) +
                                   " commands after recordings not run: the program ends");
  queue_.clear();
  if (p_.platform.commands) p_.platform.commands->stop();
}

void AfterRecording::finish(std::int64_t limitMs) {
  if (worker_) (void)worker_->finish(limitMs);
}

}  // namespace tv
