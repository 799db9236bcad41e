#include "platform/qt/folder_lock.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>

#include "platform/qt/qt_values.h"

namespace tv::qt {

namespace {

constexpr char kQuestion[] = "show\n";
// Followed by the file's path, percent-encoded: a path may hold any byte but "/" and NUL,
// a line end among them.
constexpr char kOpenQuestion[] = "open ";
constexpr char kAnswer[] = "shown\n";

}  // namespace

FolderLock::FolderLock(std::string runtimeFolder, const std::string& folderKey)
    : runtimeFolder_(std::move(runtimeFolder)), name_("tonvogel-" + folderKey) {}

FolderLock::~FolderLock() {
  // The socket goes before the lock: a start that takes the lock next must find no
  // server of ours still answering.
  server_.reset();
  lock_.reset();
}

std::string FolderLock::lockPath() const {
  return runtimeFolder_ + name_ + ".lock";
}

std::string FolderLock::socketPath() const {
  return runtimeFolder_ + name_ + ".socket";
}

FolderLock::State FolderLock::claim() {
  if (runtimeFolder_.empty()) {
    problem_ = "no runtime folder";
    return state_ = State::Unavailable;
  }
  lock_ = std::make_unique<QLockFile>(toQString(lockPath()));
  // A copy may run for months: its lock never grows stale by age, only when the copy
  // that wrote it has died.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return state_ = State::Held;
  switch (lock_->error()) {
    case QLockFile::LockFailedError:
      lock_.reset();
      return state_ = State::HeldByAnother;
    case QLockFile::PermissionError:
      problem_ = lockPath() + ": no permission";
      break;
    default:
      problem_ = lockPath() + ": cannot be created";
      break;
  }
  lock_.reset();
  return state_ = State::Unavailable;
}

void FolderLock::release() {
  lock_.reset();
  if (state_ == State::Held) state_ = State::Unavailable;
}

Result<void> FolderLock::listen(std::function<void()> showRequested,
                                std::function<void(const std::string& file)> fileRequested) {
  if (state_ != State::Held) return failure("the lock is not held");
  const QString path = toQString(socketPath());
  // A socket left by a copy that died; the lock says no copy listens on it now.
  QLocalServer::removeServer(path);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(path)) {
    const std::string problem = socketPath() + ": " + toStdString(server_->errorString());
    server_.reset();
    return failure(problem);
  }
  QLocalServer* server = server_.get();
  // The answer goes before the request is carried out: opening a file may wait on a
  // message box ("Unknown file format") that the asking start must not wait for.
  const auto answer = [server, showRequested, fileRequested](QLocalSocket* peer) {
    if (!peer->canReadLine()) return;
    const QByteArray question = peer->readLine();
    peer->write(kAnswer);
    peer->flush();
    peer->disconnectFromServer();
    if (question == kQuestion && showRequested) QTimer::singleShot(0, server, showRequested);
    if (question.startsWith(kOpenQuestion) && question.endsWith('\n') && fileRequested) {
      const QByteArray encoded =
          question.mid(static_cast<qsizetype>(sizeof kOpenQuestion) - 1).chopped(1);
      const QByteArray path = QByteArray::fromPercentEncoding(encoded);
      std::string file(path.constData(), static_cast<std::size_t>(path.size()));
      QTimer::singleShot(0, server, [fileRequested, file] { fileRequested(file); });
    }
  };
  QObject::connect(server, &QLocalServer::newConnection, server, [server, answer] {
    while (QLocalSocket* peer = server->nextPendingConnection()) {
      QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      QObject::connect(peer, &QLocalSocket::readyRead, peer, [peer, answer] { answer(peer); });
    }
  });
  return success();
}

void FolderLock::stopListening() {
  server_.reset();
}

bool FolderLock::askHolderToShow(int timeoutMs) {
  return ask(kQuestion, timeoutMs);
}

bool FolderLock::askHolderToOpen(const std::string& file, int timeoutMs) {
  const QByteArray path(file.data(), static_cast<qsizetype>(file.size()));
  return ask(kOpenQuestion + path.toPercentEncoding() + '\n', timeoutMs);
}

bool FolderLock::ask(const QByteArray& question, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!deadline.hasExpired()) {
    QLocalSocket socket;
    socket.connectToServer(toQString(socketPath()));
    if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
      socket.write(question);
      if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return false;
      while (!socket.canReadLine()) {
        if (deadline.hasExpired() ||
            !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
          return false;
      }
      return socket.readLine() == kAnswer;
    }
    QThread::msleep(100);
  }
  return false;
}

}  // namespace tv::qt
