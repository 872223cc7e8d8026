#include "common/qt/DesktopOpener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace folidex {

bool DesktopOpener::OpenFile(const QString& nativePath) {
  if (nativePath.isEmpty() || !QFileInfo(nativePath).isFile()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(nativePath));
}

bool DesktopOpener::OpenUrl(const QString& address) {
  const QUrl url(address);
  if (!url.isValid() || url.isEmpty() || url.scheme().isEmpty()) return false;
  return QDesktopServices::openUrl(url);
}

bool DesktopOpener::OpenFolder(const QString& nativePath) {
  if (nativePath.isEmpty() || !QFileInfo(nativePath).isDir()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(nativePath));
}

}  // namespace folidex
