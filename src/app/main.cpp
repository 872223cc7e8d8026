// folidex: the desktop program.

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "app/CShelfApp.h"
#include "app/qt/OpenWith.h"
#include "common/Version.h"
#include "html/qt/WebEngineSetup.h"

int main(int argc, char** argv) {
  // The two options that need no window, answered before Qt looks for a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("folidex %s\n", folidex::kVersion);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf(
          "使い方: folidex [FILE.pdf...]\n"
          "  FILE.pdf...  一覧へのドロップと同じように登録する PDF\n"
          "  --version    バージョンを表示して終了\n"
          "  --help       この説明を表示して終了\n"
          "終了ステータス: 0 正常終了、1 起動できない（既に起動している など）、2 使い方の誤り\n");
      return 0;
    }
  }
  folidex::PrepareWebEngineProcess();
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Orvane"));
  QApplication::setApplicationName(QStringLiteral("Folidex"));
  QApplication::setApplicationVersion(QString::fromLatin1(folidex::kVersion));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(folidex::kApplicationId));
  // The main window and every dialog take the application's icon.
  QApplication::setWindowIcon(
      QIcon::fromTheme(QString::fromLatin1(folidex::kApplicationId), QIcon(QStringLiteral(":/folidex/folidex.svg"))));

  folidex::ShellOptions options;
  options.openFiles = folidex::FileArguments(QApplication::arguments());
  folidex::CShelfApp shell(std::move(options));
  if (!shell.InitInstance()) return shell.ExitCode();
  return app.exec();
}
