#include "html/qt/WebEngineSetup.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QtGlobal>

namespace folidex {
namespace {
bool sandboxDisabled = false;
}

void PrepareWebEngineProcess() {
  // Qt WebEngine needs shared contexts and must be told so before the application object.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // The whole interface is Japanese, whatever the system locale: the engine's own pages (its
  // error pages) and its defaults follow Japanese conventions.
  QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
  if (!flags.contains("--lang=")) qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --lang=ja").trimmed());
  if (geteuid() == 0) {
    // Chromium will not run its sandbox as root (CI, containers): switch it off there only.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    sandboxDisabled = true;
  }
}

bool WebEngineSandboxDisabled() { return sandboxDisabled; }

}  // namespace folidex
