// folidex-screenshot: the desktop program taking pictures of itself for the documentation.
//   folidex-screenshot OUTDIR [--places]
// Starts like the program (same settings, same store), runs the screenshot tour (or the tour of
// a hit's places) and ends.

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
  const bool places = arguments.size() == 3 && arguments.at(2) == QStringLiteral("--places");
  if (arguments.size() != 2 && !places) {
    qWarning("usage: folidex-screenshot OUTDIR [--places]");
    return 2;
  }

  folidex::CShelfApp shell;
  if (!shell.InitInstance()) return shell.ExitCode();
  if (places) {
    folidex::ScreenshotTour::StartPlaces(shell, arguments.at(1));
  } else {
    folidex::ScreenshotTour::Start(shell, arguments.at(1));
  }
  return app.exec();
}
