#pragma once
// The desktop program's single-instance lock: a lock file in the user's runtime folder. The
// desktop program holds it while it runs; folidex-cli import takes it for its run, because both
// hand out serial numbers from the one counter.

#include <QString>

namespace folidex {

// "<runtime folder>/<programName>.lock" (the temporary folder when there is no runtime folder).
QString InstanceLockPath(const QString& programName = QStringLiteral("folidex"));

}  // namespace folidex
