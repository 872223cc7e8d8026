#include "common/qt/InstanceLock.h"

#include <QDir>
#include <QStandardPaths>

namespace folidex {

QString InstanceLockPath(const QString& programName) {
  QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (base.isEmpty()) base = QDir::tempPath();
  return base + QLatin1Char('/') + (programName.isEmpty() ? QStringLiteral("folidex") : programName) +
         QStringLiteral(".lock");
}

}  // namespace folidex
