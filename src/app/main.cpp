// folidex: the desktop program.

#include <QApplication>

#include "app/CShelfApp.h"
#include "html/qt/WebEngineSetup.h"

int main(int argc, char** argv) {
  folidex::PrepareWebEngineProcess();
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Orvane"));
  QApplication::setApplicationName(QStringLiteral("Folidex"));

  folidex::CShelfApp shell;
  if (!shell.InitInstance()) return shell.ExitCode();
  return app.exec();
}
