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
  if (geteuid() == 0) {
    // Chromium will not run its sandbox as root (CI, containers): switch it off there only.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    sandboxDisabled = true;
  }
}

bool WebEngineSandboxDisabled() { return sandboxDisabled; }

}  // namespace folidex
