#include "common/qt/QtDesktopOpener.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <optional>

#include "common/qt/QtText.h"

namespace folidex {
namespace {

QString FromNative(const std::string& path) {
  return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

// Whether a desktop entry id names an installed entry ("kde-foo.desktop" may live in kde/).
bool DesktopEntryInstalled(const QString& id) {
  if (id.isEmpty()) return false;
  if (!QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id).isEmpty()) return true;
  QString nested = id;
  for (qsizetype dash = nested.indexOf(u'-'); dash >= 0; dash = nested.indexOf(u'-', dash + 1)) {
    nested[dash] = u'/';
    if (!QStandardPaths::locate(QStandardPaths::ApplicationsLocation, nested).isEmpty()) return true;
  }
  return false;
}

// The desktop's own answer: `xdg-mime query default TYPE`; nothing when xdg-mime cannot be run.
std::optional<QString> QueryXdgMime(const QString& mimeType) {
  QProcess process;
  process.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
  if (!process.waitForStarted(5000)) return std::nullopt;
  if (!process.waitForFinished(10000)) {
    process.kill();
    process.waitForFinished(1000);
    return QString();
  }
  QString answer = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
  return answer.split(u';', Qt::SkipEmptyParts).value(0).trimmed();
}

// Without xdg-utils: the entries that declare the type, from the applications' caches.
QString LookUpMimeInfoCache(const QString& mimeType) {
  for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
    QFile cache(folder + QStringLiteral("/mimeinfo.cache"));
    if (!cache.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
    const QString prefix = mimeType + u'=';
    while (!cache.atEnd()) {
      QString line = QString::fromUtf8(cache.readLine()).trimmed();
      if (!line.startsWith(prefix)) continue;
      for (const QString& id : line.mid(prefix.size()).split(u';', Qt::SkipEmptyParts)) {
        if (DesktopEntryInstalled(id)) return id;
      }
    }
  }
  return QString();
}

}  // namespace

QString QtDesktopOpener::DefaultApplicationFor(const QString& mimeType) {
  std::optional<QString> id = QueryXdgMime(mimeType);
  if (!id) return LookUpMimeInfoCache(mimeType);
  return DesktopEntryInstalled(*id) ? *id : QString();
}

bool QtDesktopOpener::HasProgramFor(const NativePath& path) {
  QMimeType type = QMimeDatabase().mimeTypeForFile(FromNative(path), QMimeDatabase::MatchExtension);
  if (!type.isValid() || type.isDefault()) return false;
  if (!DefaultApplicationFor(type.name()).isEmpty()) return true;
  for (const QString& alias : type.aliases()) {
    if (!DefaultApplicationFor(alias).isEmpty()) return true;
  }
  return false;
}

bool QtDesktopOpener::OpenFile(const NativePath& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(FromNative(path)));
}

bool QtDesktopOpener::ShowInFolder(const NativePath& path) {
  const QString file = QFileInfo(FromNative(path)).absoluteFilePath();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
  }
  // openUrl reports success once xdg-open has started, even when it then finds no program:
  // without a file manager registered for folders the caller's message is shown instead.
  if (DefaultApplicationFor(QStringLiteral("inode/directory")).isEmpty()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

NativePath FolidexDocumentsFolder() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) documents = QDir::homePath();
  return ToNativePathText(QDir::cleanPath(documents + QStringLiteral("/Folidex")));
}

bool QtDesktopOpener::OpenAddress(const QString& address) {
  const QUrl url(address);
  if (!url.isValid() || url.isEmpty() || url.scheme().isEmpty()) return false;
  return QDesktopServices::openUrl(url);
}

}  // namespace folidex
