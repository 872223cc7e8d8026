#include "html/qt/QtDownloader.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>

#include "html/DroppedLink.h"

namespace folidex {

bool QtDownloader::Download(const std::string& address, const std::string& targetNative) {
  const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(address), QUrl::TolerantMode);
  // Only the web is fetched: Qt's network access would also read file: addresses (any local
  // file, a device, a FIFO that blocks it) and other schemes.
  if (!network_ || !url.isValid() || !IsWebLink(address)) return false;
  QSaveFile target(QString::fromStdString(targetNative));
  if (!target.open(QIODevice::WriteOnly)) return false;

  WaitCursor wait(progress_);
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  if (!userAgent_.isEmpty()) request.setHeader(QNetworkRequest::UserAgentHeader, userAgent_);
  request.setTransferTimeout();
  QNetworkReply* reply = network_->get(request);
  bool written = true;
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
    if (target.write(reply->readAll()) < 0) written = false;
  });
  QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [this](qint64 received, qint64 total) {
    const std::string text =
        total > 0 ? std::to_string(received * 100 / total) + "%" : std::to_string(received / 1024) + " KB";
    progress_.SetPaneText(StatusPane::Download, text);
    progress_.Repaint();
  });
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  progress_.SetPaneText(StatusPane::Download, {});

  if (target.write(reply->readAll()) < 0) written = false;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const bool fetched = reply->error() == QNetworkReply::NoError && (status == 0 || (status >= 200 && status < 300));
  reply->deleteLater();
  if (!fetched || !written) {
    target.cancelWriting();
    return false;
  }
  return target.commit();
}

}  // namespace folidex
