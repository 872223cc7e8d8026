// The desktop program's start with a current list of 100,000 rows: from the shell's creation
// until the event loop first has nothing left to do (the window shown and painted, the list
// loaded and, with ColumnMnt 1, its columns fitted), for a list of synthetic rows and one whose
// Japanese cells are all different, with the fit at start on and off. A first, unmeasured start
// loads what every start after it finds loaded (the web engine, the fonts).
//
//   start_bench [ROWS]

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

#include "SyntheticList.h"
#include "app/CShelfApp.h"
#include "html/qt/WebEngineSetup.h"
#include "list/SavedLists.h"

using namespace folidex;

namespace {

struct Folder {
  std::filesystem::path root;
  Folder() {
    root = std::filesystem::temp_directory_path() / ("folidex-start-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "store" / "DOCDATA" / "LIST");
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
};

void WriteList(const Folder& folder, long rows, bool distinct) {
  std::mt19937 random(17);
  std::ofstream out(folder.root / "store" / "DOCDATA" / "LIST" / "ListData.csv", std::ios::binary);
  for (long i = 0; i < rows; ++i)
    out << FormatListLine(distinct ? bench::DistinctRow(i, random) : bench::SyntheticRow(i, random));
}

// Seconds from the shell's creation to the first moment the event loop is idle.
double Start(const Folder& folder, int columnFit) {
  const std::filesystem::path ini = folder.root / "settings.ini";
  std::ofstream(ini) << "[KanSet]\nStorePath=" << (folder.root / "store").string()
                     << "\nHome=about:blank\nSetList=1\nColumnMnt=" << columnFit << "\n";
  ShellOptions options;
  options.settingsFile = QString::fromStdString(ini.string());
  options.lockFile = QString::fromStdString((folder.root / "folidex.lock").string());
  QElapsedTimer clock;
  clock.start();
  double seconds = -1;
  {
    CShelfApp shell(options);
    if (!shell.InitInstance()) return -1;
    // A zero timer runs once the events queued by the start (showing, laying out, painting)
    // have been handled.
    QTimer::singleShot(0, [&] {
      QApplication::processEvents();
      seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
      QApplication::quit();
    });
    QApplication::exec();
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 100'000;
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  PrepareWebEngineProcess();
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Orvane"));
  QApplication::setApplicationName(QStringLiteral("Folidex"));
  Folder folder;
  WriteList(folder, 10, false);
  Start(folder, 1);  // the unmeasured first start
  for (bool distinct : {false, true}) {
    WriteList(folder, rows, distinct);
    const double without = Start(folder, 0);
    const double with = Start(folder, 1);
    std::printf("start with %ld %s rows: %.2f s without the column fit, %.2f s with it\n", rows,
                distinct ? "all different" : "synthetic", without, with);
  }
  return 0;
}
