// The user's manual as the build makes it: Manual.pdf beside the program, a PDF of many pages
// whose text holds every chapter title, and the help command showing it in the HTML area (or
// saying 30163 when the program's folder has none).

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QPdfDocument>
#include <QShortcut>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "common/Cp932.h"
#include "common/qt/Modal.h"
#include "html/CPdfPane.h"
#include "html/CShelfView.h"
#include "html/qt/PdfPlaces.h"
#include "html/qt/WebEngineSetup.h"
#include "pdf/poppler/PopplerPdfEngine.h"
#include "shell_fixture.h"

using namespace folidex;
using folidex::test::Run;

namespace {

const QString kBuiltManual = QStringLiteral(FOLIDEX_MANUAL);

// The manual's text as the import would read and store it: poppler's page texts in CP932 (the
// conversion folds the Kangxi radicals that a CJK font's glyphs map back to).
struct ManualText {
  int pages = 0;
  std::string flat;                // every page, without spaces and line ends
  std::vector<std::string> heads;  // each page's first line, without its number "N. "
};

ManualText ReadManual() {
  ManualText manual;
  PopplerPdfEngine engine;
  if (engine.Open(kBuiltManual.toStdString()) != PdfOpenResult::Opened) return manual;
  manual.pages = engine.PageCount();
  for (int page = 0; page < manual.pages; ++page) {
    const std::string text = Utf16ToCp932(engine.PageText(page));
    std::string head = text.substr(0, text.find('\r'));
    head.erase(0, head.find_first_not_of("0123456789. "));
    manual.heads.push_back(head);
    for (char c : text)
      if (c != ' ' && c != '\r' && c != '\n' && c != '\t') manual.flat += c;
  }
  return manual;
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
    const ManualText manual = ReadManual();
    QVERIFY2(manual.pages >= 15, qPrintable(QStringLiteral("%1 pages").arg(manual.pages)));
    // Every chapter starts a page with its heading "N. title".
    const char* const titles[] = {"はじめに",
                                  "文書の登録",
                                  "検索",
                                  "リスト",
                                  "保存リスト",
                                  "重複チェック",
                                  "データのプロパティとデータのテキスト",
                                  "HTMLエリア",
                                  "環境設定",
                                  "コマンドラインツール",
                                  "困ったときは"};
    for (const char* title : titles)
      QVERIFY2(std::find(manual.heads.begin(), manual.heads.end(), Utf8ToCp932(title)) != manual.heads.end(), title);
    // A caption quoted from the program and a command of the terminal tool come through too.
    QVERIFY(Holds(manual.flat, "「保存して終了(&H)」"));
    QVERIFY(Holds(manual.flat, "folidex-cliimport"));
    QVERIFY(!Holds(manual.flat, "「存在しない見出し」"));
  }

  void theTextLayerReadsAsWritten() {
    // What any reader finds (pdftotext, a viewer's search): poppler's text, not folded by the
    // import's conversion. No radical look-alikes, no digit lost after a key's letter.
    PopplerPdfEngine engine;
    QCOMPARE(engine.Open(kBuiltManual.toStdString()), PdfOpenResult::Opened);
    std::u16string text;
    for (int page = 0; page < engine.PageCount(); ++page) text += engine.PageText(page);
    for (const char16_t* word : {u"表示", u"出力", u"F6", u"Ctrl+F1", u"Shift+F3", u"受信フォルダ"})
      QVERIFY2(text.find(word) != std::u16string::npos, qPrintable(QString::fromStdU16String(word)));
    const auto radical = std::find_if(text.begin(), text.end(), [](char16_t c) { return c >= 0x2E80 && c <= 0x2FD5; });
    QVERIFY2(radical == text.end(), qPrintable(QStringLiteral("U+%1").arg(static_cast<int>(*radical), 4, 16)));
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

    // Ctrl+F in the pane finds a word of the manual, its places highlighted; a word it lacks is
    // said to be missing.
    auto* find = view->PdfPane()->findChild<QShortcut*>(QStringLiteral("PdfFindShortcut"));
    QVERIFY(find);
    auto searchFor = [](const QString& term) {
      Modal::SetNextRun([term](QDialog& dialog) {
        static_cast<QInputDialog&>(dialog).setTextValue(term);
        return static_cast<int>(QDialog::Accepted);
      });
    };
    searchFor(QStringLiteral("表示"));
    emit find->activated();
    auto* places = view->PdfPane()->findChild<PdfPlaces*>();
    QVERIFY(places);
    QTRY_VERIFY_WITH_TIMEOUT(places->Complete(), 30000);
    QVERIFY2(places->Count() >= 10, qPrintable(QString::number(places->Count())));
    QVERIFY(!places->VisibleHighlights().isEmpty());
    searchFor(QStringLiteral("該当しない語句ＸＹＺ"));
    Modal::SetNextAnswers({Answer::Ok});
    emit find->activated();
    QTRY_VERIFY_WITH_TIMEOUT(places->Complete(), 30000);
    const QStringList none = Modal::TakeShownMessages();
    QCOMPARE(none.size(), 1);
    QVERIFY(none[0].contains(QStringLiteral("検索語句が見つかりませんでした")));

    // Installed: the manual is not beside the program but in PREFIX/share/doc/folidex.
    QFile::remove(beside);
    const QString installed =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/doc/folidex/Manual.pdf");
    QVERIFY(QDir().mkpath(QFileInfo(installed).absolutePath()));
    QVERIFY(QFile::copy(kBuiltManual, installed));
    view->Navigate2("about:blank");
    TriggerHelp(run);
    QTRY_VERIFY_WITH_TIMEOUT(
        QString::fromStdString(view->GetLocationURL()).endsWith(QStringLiteral("folidex/Manual.pdf")), 30000);
    QVERIFY(Modal::TakeShownMessages().isEmpty());
    run.Stop();
    QFile::remove(installed);
  }
};

int main(int argc, char** argv) {
  PrepareWebEngineProcess();
  QApplication app(argc, argv);
  ManualTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "manual_test.moc"
