// Esc during a search from the ribbon, under a real X server: the first Esc stops the index
// build (the search then reads every record), the second stops the search itself; the rows
// found so far stay, pane 120 says so, no index is left to be trusted, and the window takes
// input again afterwards.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "common/ByteText.h"
#include "common/qt/Modal.h"
#include "html/qt/WebEngineSetup.h"
#include "search/index/IndexUpkeep.h"
#include "shell_fixture.h"
#include "store/Store.h"

using namespace folidex;
using folidex::test::Run;

namespace {

QString MsgText(Msg id) { return QString::fromUtf8(MessageTextUtf8(id)); }

// Record files made directly (the search only reads them), each a hit for "Alpha" late in a long
// body: one file written and linked under every serial, so that a store too large to be searched
// before Esc takes effect, on any machine, costs next to nothing to make.
void WriteRecords(const std::string& storePath, long count) {
  IndexRecord record;
  record[FieldTag::PT] = "Alpha";
  record[FieldTag::TY] = "O";
  record[FieldTag::FA] = "2010/12/01 10:00:00";
  record[FieldTag::TX] = std::string(32000, 'X') + " ALPHA";
  const std::filesystem::path txt = std::filesystem::path(storePath) / "DOCDATA" / "TXT";
  const std::filesystem::path first = txt / "00" / (FormatSerial(0) + ".TXT");
  std::filesystem::create_directories(first.parent_path());
  std::ofstream(first, std::ios::binary) << FormatRecordFile(record);
  for (long i = 1; i < count; ++i) {
    const std::string serial = FormatSerial(i);
    const std::filesystem::path folder = txt / serial.substr(serial.size() - 2);
    if (i < 100) std::filesystem::create_directories(folder);
    std::filesystem::create_hard_link(first, folder / (serial + ".TXT"));
  }
}

}  // namespace

class SearchCancelTest : public QObject {
  Q_OBJECT

 private slots:
  void escStopsTheIndexBuildThenTheSearchAndKeepsTheRowsFound();
};

void SearchCancelTest::escStopsTheIndexBuildThenTheSearchAndKeepsTheRowsFound() {
  constexpr long kRecords = 50000;
  Run run;
  qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(run.dir.File("cache")));
  run.MakeStoreFolders();
  WriteRecords(run.StorePath(), kRecords);
  run.WriteStandardIni("Kakunin=0\nHitMax=100000\nIndex=1\n[Sys]\nNo=" + FormatSerial(kRecords) +
                       "\n[Search]\nZenbun=0\nChk1=0\nChk2=0\nYure=1\n");
  QVERIFY(run.Start());
  ListRows& list = run.app->services().list;
  auto* pane = run.Element<QLabel>("pane120");
  QVERIFY(pane);
  run.Element<QLineEdit>("ID_EDIT5")->setText(QStringLiteral("alpha"));  // the body term

  // Esc as the user presses it: once the build shows its progress, and once the first rows are in.
  int escapes = 0;
  bool buildRan = false;
  QElapsedTimer sinceLastEscape;
  QTimer presser;
  presser.setInterval(0);
  QObject::connect(&presser, &QTimer::timeout, [&] {
    const bool building = pane->text().startsWith(QStringLiteral("検索用の索引を作成しています"));
    buildRan = buildRan || building;
    if ((escapes == 0 && building) || (escapes == 1 && !building && list.RowCount() > 0)) {
      QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : run.Frame(), Qt::Key_Escape);
      sinceLastEscape.start();
      if (++escapes == 2) presser.stop();
    }
  });
  presser.start();
  Modal::SetNextAnswers({Answer::Ok});
  run.Element<QAction>("ID_DB_SEARCH")->trigger();
  const qint64 stopped = sinceLastEscape.elapsed();
  presser.stop();

  QVERIFY(buildRan);
  QCOMPARE(escapes, 2);
  QVERIFY2(stopped < 1500, qPrintable(QString::number(stopped)));  // the search ended soon after Esc
  // The rows found before the second Esc, in serial order; no message box.
  const int rows = list.RowCount();
  QVERIFY2(rows > 0 && rows < kRecords, qPrintable(QString::number(rows)));
  for (int r = 0; r < rows; ++r) QCOMPARE(list.Cell(r, 1), FormatSerial(r));
  QCOMPARE(pane->text(), MsgText(Msg::SearchCancelled));
  QVERIFY(Modal::TakeShownMessages().isEmpty());
  QCOMPARE(run.Ribbon()->ProgressBar()->value(), 0);
  // No index is trusted: the next search builds it again.
  QVERIFY(IndexNeedsBuild(run.app->services().store.StoreRoot()));
  // The index file is repaired no further than the walk came: every record is still there.
  std::string index;
  QVERIFY(ReadFileBytes(run.StorePath() + "/DOCDATA/index", index));
  QVERIFY(index.size() <= static_cast<std::size_t>(kRecords));
  QCOMPARE(index.find('0'), std::string::npos);

  // The next search of this session does not start the build the user stopped: it reads every
  // record.
  bool builtAgain = false;
  QTimer watcher;
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    builtAgain = builtAgain || pane->text().startsWith(QStringLiteral("検索用の索引を作成しています"));
  });
  watcher.start();
  Modal::SetNextAnswers({Answer::Ok});
  run.Element<QAction>("ID_DB_SEARCH")->trigger();
  watcher.stop();
  QVERIFY(!builtAgain);
  QCOMPARE(list.RowCount(), static_cast<int>(kRecords));
  QVERIFY(IndexNeedsBuild(run.app->services().store.StoreRoot()));
  Modal::TakeShownMessages();

  // The window takes input again.
  auto* title = run.Element<QLineEdit>("ID_EDIT1");
  title->setFocus();
  QTest::keyClicks(title, QStringLiteral("z"));
  QCOMPARE(title->text(), QStringLiteral("z"));
}

int main(int argc, char** argv) {
  PrepareWebEngineProcess();
  QApplication app(argc, argv);
  QStandardPaths::setTestModeEnabled(true);  // the browser profile stays out of the user's data
  SearchCancelTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "search_cancel_test.moc"
