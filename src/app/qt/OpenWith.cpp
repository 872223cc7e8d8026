#include "app/qt/OpenWith.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

namespace folidex {
namespace {

// A sender's list is at most this long; anything longer is not ours.
constexpr qint64 kMaxMessageBytes = 1 << 20;

}  // namespace

QString OpenWithSocketPath(const QString& lockFilePath) {
  QString path = lockFilePath;
  if (path.endsWith(QStringLiteral(".lock"))) path.chop(5);
  return path + QStringLiteral(".socket");
}

QStringList FileArguments(const QStringList& arguments) {
  QStringList files;
  for (int k = 1; k < arguments.size(); ++k) {
    const QString& argument = arguments[k];
    if (argument.startsWith(QLatin1Char('-'))) continue;
    files << QFileInfo(argument).absoluteFilePath();
  }
  return files;
}

bool HandFilesToRunningCopy(const QString& socketPath, const QStringList& files, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(socketPath);
  if (!socket.waitForConnected(timeoutMs)) return false;
  QByteArray message;
  for (const QString& file : files) message += file.toUtf8() + '\n';
  message += '\n';
  socket.write(message);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  QByteArray answer;
  while (!answer.contains('\n')) {
    if (!socket.waitForReadyRead(timeoutMs)) return false;
    answer += socket.readAll();
  }
  return answer.startsWith("OK\n");
}

OpenWithServer::OpenWithServer(QObject* parent) : QObject(parent) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        QByteArray buffer = socket->property("received").toByteArray() + socket->readAll();
        if (buffer.size() > kMaxMessageBytes) {
          socket->abort();
          return;
        }
        socket->setProperty("received", buffer);
        // The list ends with an empty line: "\n\n", or a lone "\n" for no files.
        if (!buffer.endsWith("\n\n") && buffer != "\n") return;
        QStringList files;
        for (const QByteArray& line : buffer.split('\n'))
          if (!line.isEmpty()) files << QString::fromUtf8(line);
        socket->write("OK\n");
        socket->flush();
        socket->disconnectFromServer();
        emit filesArrived(files);
      });
    }
  });
}

bool OpenWithServer::Listen(const QString& socketPath) {
  QLocalServer::removeServer(socketPath);
  return server_.listen(socketPath);
}

}  // namespace folidex
