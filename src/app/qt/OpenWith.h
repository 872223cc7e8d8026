#pragma once
// "Open with": files named on the command line of a second copy reach the copy that runs. The
// running copy listens on a local socket in the user's runtime folder beside its single-instance
// lock; the second copy sends the files' absolute paths (one UTF-8 line each, then an empty
// line), waits for "OK" and ends.

#include <QLocalServer>
#include <QObject>
#include <QStringList>

namespace folidex {

// "<runtime folder>/folidex.socket", beside the single-instance lock of the same name.
QString OpenWithSocketPath(const QString& lockFilePath);

// The absolute paths of the command line's file arguments (everything that is not an option).
QStringList FileArguments(const QStringList& arguments);

// Hands `files` to the copy listening at `socketPath`. True when it took them.
bool HandFilesToRunningCopy(const QString& socketPath, const QStringList& files, int timeoutMs = 5000);

// The running copy's end: emits filesArrived for each sender's list.
class OpenWithServer : public QObject {
  Q_OBJECT
 public:
  explicit OpenWithServer(QObject* parent = nullptr);
  // Listens at `socketPath`, replacing a socket file that a copy no longer running left (the
  // caller holds the single-instance lock, so no other copy listens there).
  bool Listen(const QString& socketPath);

 signals:
  void filesArrived(const QStringList& files);

 private:
  QLocalServer server_;
};

}  // namespace folidex
