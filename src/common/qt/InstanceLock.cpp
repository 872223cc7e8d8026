#include "common/qt/InstanceLock.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace folidex {

namespace {

// Without XDG_RUNTIME_DIR: the folder Qt would fall back to (<temp>/runtime-<user>, mode 0700),
// made here so that no warning of Qt's reaches a terminal; the temporary folder itself when that
// folder is not the user's own.
QString FallbackRuntimeFolder() {
  const passwd* user = getpwuid(getuid());
  if (!user) return QDir::tempPath();
  const QString folder = QDir::tempPath() + QStringLiteral("/runtime-") + QString::fromLocal8Bit(user->pw_name);
  const QByteArray native = QFile::encodeName(folder);
  mkdir(native.constData(), 0700);
  struct stat st {};
  if (lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return QDir::tempPath();
  return folder;
}

}  // namespace

QString InstanceLockPath(const QString& programName) {
  QString base = qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")
                     ? FallbackRuntimeFolder()
                     : QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (base.isEmpty()) base = QDir::tempPath();
  return base + QLatin1Char('/') + (programName.isEmpty() ? QStringLiteral("folidex") : programName) +
         QStringLiteral(".lock");
}

}  // namespace folidex
