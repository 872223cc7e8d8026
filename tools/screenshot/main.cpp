// folidex-screenshot: the desktop program taking pictures of itself for the documentation.
//   folidex-screenshot OUTDIR
// Starts like the program (same settings, same store), runs the screenshot tour and ends.

#include <QApplication>

#include "ScreenshotTour.h"
#include "app/CShelfApp.h"
#include "html/qt/WebEngineSetup.h"

int main(int argc, char** argv) {
  folidex::PrepareWebEngineProcess();
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Orvane"));
  QApplication::setApplicationName(QStringLiteral("Folidex"));
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() != 2) {
    qWarning("usage: folidex-screenshot OUTDIR");
    return 2;
  }

  folidex::CShelfApp shell;
  if (!shell.InitInstance()) return shell.ExitCode();
  folidex::ScreenshotTour::Start(shell, arguments.at(1));
  return app.exec();
}
