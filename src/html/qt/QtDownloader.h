#pragma once
// The Downloader port on the HTML area's network access: the fetch carries the browser's
// cookies, runs in a local event loop under the wait cursor (user input is not taken
// meanwhile), shows its progress in status pane 121 and replaces the target file atomically.

#include <QNetworkAccessManager>
#include <QPointer>

#include "common/Progress.h"
#include "import/Downloader.h"

namespace folidex {

class QtDownloader : public Downloader {
 public:
  QtDownloader(QNetworkAccessManager* network, Progress& progress, QString userAgent = {})
      : network_(network), progress_(progress), userAgent_(std::move(userAgent)) {}

  bool Download(const std::string& address, const std::string& targetNative) override;

 private:
  QPointer<QNetworkAccessManager> network_;
  Progress& progress_;
  QString userAgent_;
};

}  // namespace folidex
