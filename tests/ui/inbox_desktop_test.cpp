// The inbox while the desktop program runs: files there at the start and files that arrive are
// stored on the worker and appended to the list, while folidex-cli finds the inbox taken.

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <filesystem>

#include "app/CMainFrame.h"
#include "common/Cp932.h"
#include "common/Messages.h"
#include "html/qt/WebEngineSetup.h"
#include "import/qt/ImportController.h"
#include "import/qt/InboxWatcher.h"
#include "list/ListColumn.h"
#include "shell_fixture.h"
#include "support/qt/QtTestSupport.h"

using namespace folidex;
using folidex::test::Run;
namespace fs = std::filesystem;

namespace {

constexpr int kInboxTimeout = 40000;

}  // namespace

class InboxDesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void filesAreStoredWhileTheWindowRunsAndTheCliIsKeptOut();
};

void InboxDesktopTest::filesAreStoredWhileTheWindowRunsAndTheCliIsKeptOut() {
  Run run;
  const std::string inbox = run.dir.File("受信");
  fs::create_directories(inbox);
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(run.dir.File("data")));
  test::WriteJapanesePdf(QString::fromStdString(inbox + "/before.pdf"), {QStringLiteral("起動前からある請求書")},
                         QStringLiteral("起動前"));
  run.WriteStandardIni("Ocr=0\nInboxOn=1\nInbox=" + inbox + "\n");
  QVERIFY(run.Start());
  // The inbox reads scans on the window's own recognizers: the engines in all stay one per core.
  QVERIFY(run.Frame()->Inbox()->Recognizers() != nullptr);
  QCOMPARE(run.Frame()->Inbox()->Recognizers(), run.Frame()->Import()->Recognizers());
  Services& services = run.app->services();
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 1, kInboxTimeout);
  QCOMPARE(Cp932ToUtf8(services.list.Cell(0, ListColumn::Title)), std::string("起動前"));
  QVERIFY(fs::exists(inbox + "/登録済み/before.pdf"));

  // The window is watching: folidex-cli refuses the same inbox.
  QProcess cli;
  cli.start(QStringLiteral(FOLIDEX_CLI),
            {QStringLiteral("--settings"), run.Ini(), QStringLiteral("import"), QStringLiteral("--once")});
  QVERIFY(cli.waitForFinished(30000));
  QCOMPARE(cli.exitCode(), 1);
  QVERIFY(QString::fromUtf8(cli.readAllStandardError()).contains(QString::fromUtf8(MessageTextUtf8(Msg::InboxBusy))));

  // A file that arrives is taken once complete; a broken one goes to エラー with its reason.
  test::WriteJapanesePdf(QString::fromStdString(inbox + "/arrived.pdf"), {QStringLiteral("後から届いた納品書")},
                         QStringLiteral("到着"));
  {
    QFile broken(QString::fromStdString(inbox + "/broken.pdf"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a PDF");
  }
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 2, kInboxTimeout);
  QCOMPARE(Cp932ToUtf8(services.list.Cell(1, ListColumn::Title)), std::string("到着"));
  QTRY_VERIFY_WITH_TIMEOUT(fs::exists(inbox + "/エラー/broken.pdf.txt"), kInboxTimeout);
  QCOMPARE(services.list.Cell(1, ListColumn::SerialNo), std::string("00000001"));

  // Switched off in the settings, the watch ends and the inbox is free again.
  services.settings.SetInt(setting::InboxOn, 0);
  run.Frame()->ApplyInbox();
  QVERIFY(!run.Frame()->Inbox()->Running());
  QVERIFY(!fs::exists(inbox + "/.folidex-inbox.lock"));
}

int main(int argc, char** argv) {
  PrepareWebEngineProcess();
  QApplication app(argc, argv);
  InboxDesktopTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "inbox_desktop_test.moc"
