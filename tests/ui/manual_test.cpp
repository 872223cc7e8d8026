// The user's manual as the build makes it: Manual.pdf beside the program, a PDF of many pages
// whose text holds every chapter title, and the help command showing it in the HTML area (or
// saying 30163 when the program's folder has none).

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPdfDocument>
#include <QTest>
#include <string>

#include "common/Cp932.h"
#include "common/qt/Modal.h"
#include "html/CPdfPane.h"
#include "html/CShelfView.h"
#include "html/qt/WebEngineSetup.h"
#include "pdf/poppler/PopplerPdfEngine.h"
#include "shell_fixture.h"

using namespace folidex;
using folidex::test::Run;

namespace {

const QString kBuiltManual = QStringLiteral(FOLIDEX_MANUAL);

// The manual's whole text as the import would read and store it: poppler's page texts in CP932
// (the conversion folds the Kangxi radicals that a CJK font's glyphs map back to), without the
// spaces and line ends that the page layout puts inside a heading.
std::string ManualText(int& pages) {
  PopplerPdfEngine engine;
  pages = 0;
  if (engine.Open(kBuiltManual.toStdString()) != PdfOpenResult::Opened) return {};
  pages = engine.PageCount();
  std::u16string text;
  for (int page = 0; page < pages; ++page) text += engine.PageText(page);
  std::string flat;
  for (char c : Utf16ToCp932(text))
    if (c != ' ' && c != '\r' && c != '\n' && c != '\t') flat += c;
  return flat;
}

bool Holds(const std::string& text, const char* utf8) { return text.find(Utf8ToCp932(utf8)) != std::string::npos; }

void TriggerHelp(Run& run) {
  QAction* help = run.Frame()->findChild<QAction*>(QStringLiteral("ID_HELP"));
  QVERIFY(help);
  help->trigger();
}

}  // namespace

class ManualTest : public QObject {
  Q_OBJECT

 private slots:
  void manualIsAPdfWithEveryChapter() {
    int pages = 0;
    const std::string text = ManualText(pages);
    QVERIFY2(pages >= 15, qPrintable(QStringLiteral("%1 pages").arg(pages)));
    // Chapter headings are set as "N. title".
    const char* const titles[] = {"1.はじめに",     "2.文書の登録",    "3.検索",
                                  "4.リスト",       "5.保存リスト",    "6.重複チェック",
                                  "7.データのプロパティとデータのテキスト", "8.HTMLエリア",
                                  "9.環境設定",     "10.コマンドラインツール", "11.困ったときは"};
    for (const char* title : titles) QVERIFY2(Holds(text, title), title);
    // A caption quoted from the program and a command of the terminal tool come through too.
    QVERIFY(Holds(text, "「保存して終了(&H)」"));
    QVERIFY(Holds(text, "folidex-cliimport"));
    QVERIFY(!Holds(text, "「存在しない見出し」"));
  }

  void helpShowsTheManualBesideTheProgram() {
    // The help command looks beside the running executable: this test's own folder.
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/Manual.pdf");
    QFile::remove(beside);
    Run run;
    run.WriteStandardIni();
    QVERIFY(run.Start());
    Modal::TakeShownMessages();

    Modal::SetNextAnswers({Answer::Ok});
    TriggerHelp(run);
    const QStringList missing = Modal::TakeShownMessages();
    QCOMPARE(missing.size(), 1);
    QVERIFY(missing[0].contains(QStringLiteral("「Manual.pdf」がありません")));

    QVERIFY(QFile::copy(kBuiltManual, beside));
    TriggerHelp(run);
    CShelfView* view = run.Frame()->HtmlView();
    QTRY_VERIFY_WITH_TIMEOUT(view->PdfPane()->HasDocument(), 30000);
    QVERIFY(Modal::TakeShownMessages().isEmpty());
    QVERIFY(QString::fromStdString(view->GetLocationURL()).endsWith(QStringLiteral("Manual.pdf")));
    QCOMPARE(QString::fromStdString(view->PageType()), QStringLiteral("PDF"));
    QVERIFY(view->PdfPane()->Document()->pageCount() >= 15);
    run.Stop();
    QFile::remove(beside);
  }
};

int main(int argc, char** argv) {
  PrepareWebEngineProcess();
  QApplication app(argc, argv);
  ManualTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "manual_test.moc"
