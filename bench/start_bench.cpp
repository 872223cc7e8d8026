// The desktop program's start with a current list of 100,000 rows: from the shell's creation
// until the event loop first has nothing left to do (the window shown and painted, the list
// loaded), for a list of synthetic rows and one whose Japanese cells are all different, with the
// fit at start (ColumnMnt) off and on; then how long the window keeps input waiting at most
// while the columns are fitted, one at a time. A first, unmeasured start loads what every start
// after it finds loaded (the web engine, the fonts).
//
//   start_bench [ROWS]

#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

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

struct Timing {
  double idle = -1;    // seconds from the shell's creation to the event loop's first idle moment
  double longest = 0;  // the longest the event loop then kept input waiting, in the next 4 s
};

Timing Start(const Folder& folder, int columnFit) {
  const std::filesystem::path ini = folder.root / "settings.ini";
  std::ofstream(ini) << "[KanSet]\nStorePath=" << (folder.root / "store").string()
                     << "\nHome=about:blank\nSetList=1\nColumnMnt=" << columnFit << "\n";
  ShellOptions options;
  options.settingsFile = QString::fromStdString(ini.string());
  options.lockFile = QString::fromStdString((folder.root / "folidex.lock").string());
  QElapsedTimer clock;
  clock.start();
  Timing timing;
  {
    CShelfApp shell(options);
    if (!shell.InitInstance()) return timing;
    // A zero timer runs once the events queued by the start (showing, laying out, painting)
    // have been handled; then a probe every 5 ms sees how long input would wait.
    QTimer probe;
    qint64 last = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
      const qint64 now = clock.nsecsElapsed();
      timing.longest = std::max(timing.longest, static_cast<double>(now - last) / 1e9);
      last = now;
      if (now - static_cast<qint64>(timing.idle * 1e9) > 4'000'000'000) QApplication::quit();
    });
    QTimer::singleShot(0, [&] {
      QApplication::processEvents();
      last = clock.nsecsElapsed();
      timing.idle = static_cast<double>(last) / 1e9;
      probe.start(5);
    });
    QApplication::exec();
  }
  return timing;
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
    const Timing without = Start(folder, 0);
    const Timing with = Start(folder, 1);
    std::printf(
        "start with %ld %s rows: idle after %.2f s without the column fit (then input waits at most %.0f ms),"
        " %.2f s with it (then at most %.0f ms while the columns are fitted)\n",
        rows, distinct ? "all different" : "synthetic", without.idle, without.longest * 1000, with.idle,
        with.longest * 1000);
  }
  return 0;
}
