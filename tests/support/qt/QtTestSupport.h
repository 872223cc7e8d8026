#pragma once
// Test support for the Qt tests: a loopback HTTP server with fixed answers, and Japanese PDFs
// drawn by Qt's own PDF writer.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <map>

class QTcpSocket;

namespace folidex::test {

// A minimal HTTP/1.1 server on 127.0.0.1: fixed responses by path, 404 otherwise.
class LoopbackServer : public QObject {
 public:
  struct Response {
    QByteArray type;
    QByteArray body;
    QByteArray headers;  // extra header lines, each ending in CR LF
    int delayMs = 0;
    QByteArray requiredCookie;  // "name=value" the request must carry, else 403 with a page
  };

  LoopbackServer();
  void Add(const QString& path, Response response) { routes_[path] = std::move(response); }
  QString Url(const QString& path) const;
  // The paths asked for, oldest first.
  const QStringList& Requests() const { return requests_; }

 private:
  void OnRead(QTcpSocket* socket);

  QTcpServer server_;
  std::map<QString, Response> routes_;
  std::map<QTcpSocket*, QByteArray> pending_;
  QStringList requests_;
};

// A Japanese PDF of one page per text, drawn by Qt's own PDF writer (A4, 300 dpi, Noto Sans CJK
// JP 20 pt), with `title` in its information dictionary.
void WriteJapanesePdf(const QString& path, const QStringList& pages,
                      const QString& title = QStringLiteral("日本語の文書"));

}  // namespace folidex::test
