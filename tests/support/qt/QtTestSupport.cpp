#include "support/qt/QtTestSupport.h"

#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace folidex::test {

LoopbackServer::LoopbackServer() {
  server_.listen(QHostAddress::LocalHost);
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { OnRead(socket); });
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
}

QString LoopbackServer::Url(const QString& path) const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
}

void LoopbackServer::OnRead(QTcpSocket* socket) {
  QByteArray& buffer = pending_[socket];
  buffer += socket->readAll();
  if (!buffer.contains("\r\n\r\n")) return;
  const QByteArray request = buffer;
  const QByteArray path = buffer.split(' ').value(1);
  pending_.erase(socket);
  requests_ << QString::fromLatin1(path);
  auto it = routes_.find(QString::fromLatin1(path));
  Response response = it != routes_.end() ? it->second : Response{"text/html", "<h1>404</h1>", {}, 0, {}};
  QByteArray status = it != routes_.end() ? "200 OK" : "404 Not Found";
  if (!response.requiredCookie.isEmpty()) {
    bool carried = false;
    for (const QByteArray& line : request.split('\n'))
      if (line.toLower().startsWith("cookie:") && line.contains(response.requiredCookie)) carried = true;
    if (!carried) {
      response = Response{"text/html", "<html><body>login required</body></html>", {}, 0, {}};
      status = "403 Forbidden";
    }
  }
  QByteArray reply = "HTTP/1.1 " + status + "\r\nContent-Type: " + response.type +
                     "\r\nContent-Length: " + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n" +
                     response.headers + "\r\n" + response.body;
  QPointer<QTcpSocket> guard(socket);
  QTimer::singleShot(response.delayMs, this, [guard, reply] {
    if (!guard) return;
    guard->write(reply);
    guard->disconnectFromHost();
  });
}

void WriteJapanesePdf(const QString& path, const QStringList& pages, const QString& title) {
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setResolution(300);
  writer.setTitle(title);
  QPainter painter(&writer);
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPointSize(20);
  painter.setFont(font);
  for (int i = 0; i < pages.size(); ++i) {
    if (i > 0) writer.newPage();
    painter.drawText(QRect(150, 150, 2100, 600), Qt::AlignLeft | Qt::TextWordWrap, pages[i]);
  }
}

}  // namespace folidex::test
