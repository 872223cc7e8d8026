// Adding PDFs in the desktop program under a real X server: files dropped on the list, the
// confirmation, the text capture through the viewer pane and the clipboard, links served by a
// loopback server (one behind a cookie), and "PDF 取得".

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <QUrl>

#include "ScanPdf.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"
#include "common/qt/Modal.h"
#include "html/CShelfView.h"
#include "html/qt/WebEngineSetup.h"
#include "import/qt/ImportController.h"
#include "list/CLeftView.h"
#include "pdf/DocumentText.h"
#include "pdf/poppler/PopplerPdfEngine.h"
#include "pdf/tesseract/TesseractRecognizer.h"
#include "shell_fixture.h"
#include "support/qt/QtTestSupport.h"

using namespace folidex;
using folidex::test::J;
using folidex::test::Run;

namespace {

constexpr int kImportTimeout = 40000;

const QStringList kPages = {QStringLiteral("日本語の本文です。第一頁には見積書の説明があります。"),
                            QStringLiteral("二頁目のテキスト。澤田さんの報告。")};

// The dialog's buttons pressed by the next modal run.
void AnswerQuestion(const char* button, bool dontAskAgain = false) {
  Modal::SetNextRun([button, dontAskAgain](QDialog& dialog) {
    if (dontAskAgain) dialog.findChild<QCheckBox*>(QStringLiteral("IDC_CHECK1"))->setChecked(true);
    dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    return dialog.result();
  });
}

void Drop(CLeftView* view, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  const QPointF at = view->viewport()->rect().center();
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &drop);
}

// A link dragged from a browser: text/uri-list with the address.
void DropLinkData(CLeftView* view, const QByteArray& address) {
  QMimeData data;
  data.setData(QStringLiteral("text/uri-list"), address + "\r\n");
  const QPointF at = view->viewport()->rect().center();
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &drop);
}

QString Sha256Of(const QString& path) {
  QProcess sum;
  sum.start(QStringLiteral("sha256sum"), {path});
  sum.waitForFinished();
  return QString::fromLatin1(sum.readAllStandardOutput().left(64)).toUpper();
}

QByteArray Bytes(const std::string& nativePath) {
  QFile file(QString::fromStdString(nativePath));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteImagePdf(const QString& path) {
  QPdfWriter writer(path);
  QPainter painter(&writer);
  painter.fillRect(QRect(200, 200, 2000, 1200), Qt::darkBlue);
}

}  // namespace

class ImportDesktopTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init() { Modal::Reset(); }

  void aDroppedPdfIsStoredListedAndFoundByItsBody();
  void answersDecideCopyOrLinkAndTheBoxStopsTheQuestion();
  void twoFilesAtOnceAreRefused();
  void openWithImportsIntoANewCopyAndIntoTheRunningOne();
  void aDocumentThatHangsTheEngineCanBeCancelled();
  void aPdfWithoutTextAsksAndIsStoredWithoutText();
  void aScannedPdfIsRecognisedAndFoundByItsBody();
  void linksDownloadWithTheBrowsersCookies();
  void getPdfTakesTheShownDocumentWithItsLastModifiedTime();
  void droppedLinksAreDecodedAndRedirectsUnwrapped();
  void wordOutputOfTheShownPdfIsARealWordDocument();

 private:
  bool Start(Run& run, const std::string& extra = {});
  IndexRecord Stored(Run& run, const std::string& serial);

  QTemporaryDir files_;
  QString pdf_;
  test::LoopbackServer server_;
  QByteArray pdfBytes_;
};

void ImportDesktopTest::initTestCase() {
  QStandardPaths::setTestModeEnabled(true);
  pdf_ = files_.filePath(QStringLiteral("見積書.pdf"));
  test::WriteJapanesePdf(pdf_, kPages, QStringLiteral("日本語の見積書"));
  pdfBytes_ = Bytes(pdf_.toStdString());
  server_.Add(QStringLiteral("/docs/%E5%A0%B1%E5%91%8A.pdf"), {"application/pdf", pdfBytes_, {}, 0, {}});
  server_.Add(QStringLiteral("/%E8%B3%87%E6%96%99.pdf"), {"application/pdf", pdfBytes_, {}, 0, {}});
  server_.Add(
      QStringLiteral("/page.html"),
      {"text/html; charset=utf-8", "<html><head><title>page</title></head><body>page</body></html>", {}, 0, {}});
  server_.Add(QStringLiteral("/login.html"),
              {"text/html", "<html><body>logged in</body></html>", "Set-Cookie: session=opened; Path=/\r\n", 0, {}});
  server_.Add(QStringLiteral("/private.pdf"), {"application/pdf", pdfBytes_, {}, 0, "session=opened"});
  server_.Add(QStringLiteral("/error.pdf"), {"text/html", "<html><body>no such document</body></html>", {}, 0, {}});
  server_.Add(QStringLiteral("/dated.pdf"),
              {"application/pdf", pdfBytes_, "Last-Modified: Wed, 01 Dec 2010 10:20:30 GMT\r\n", 0, {}});
}

bool ImportDesktopTest::Start(Run& run, const std::string& extra) {
  // Text recognition stays off unless a test asks for it.
  run.WriteStandardIni("ColumnMnt=1\n" + std::string(extra.find("Ocr=") == 0 ? "" : "Ocr=0\n") + extra);
  if (!run.Start()) return false;
  // The viewer copies at once here; a document without text need not take ten seconds.
  run.Frame()->Import()->Pipeline().SetCaptureTiming({100, 10});
  return true;
}

IndexRecord ImportDesktopTest::Stored(Run& run, const std::string& serial) {
  Store& store = run.app->services().store;
  store.WorkingRecord().Clear();
  if (!store.ReadRecordFile(serial, false)) return {};
  return store.WorkingRecord();
}

void ImportDesktopTest::aDroppedPdfIsStoredListedAndFoundByItsBody() {
  Run run;
  QVERIFY(Start(run, "[Sys]\nNo=00000003\n"));
  Services& services = run.app->services();
  AnswerQuestion("IDYES");
  Drop(run.Frame()->ListView(), {pdf_});
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 1, kImportTimeout);

  const IndexRecord r = Stored(run, "00000003");
  QCOMPARE(Cp932ToUtf8(r[FieldTag::PT]), std::string("日本語の見積書"));
  QCOMPARE(Cp932ToUtf8(r[FieldTag::FN]), std::string("見積書.pdf"));
  QCOMPARE(r[FieldTag::FS], std::to_string(pdfBytes_.size()));
  QCOMPARE(r[FieldTag::TY], std::string("I"));
  QCOMPARE(Cp932ToUtf8(r[FieldTag::FG]), pdf_.toStdString());
  QCOMPARE(r[FieldTag::FA], FormatLocalTime(run.clock.Now(), "%Y/%m/%d %H:%M"));
  QCOMPARE(r[FieldTag::FC].size(), std::size_t(19));
  QCOMPARE(QString::fromStdString(r[FieldTag::Y2]), Sha256Of(pdf_));
  // The body of both pages, captured through the viewer and normalised.
  const std::string body = Cp932ToUtf8(r[FieldTag::TX]);
  QVERIFY2(body.find("第一頁には見積書の説明") != std::string::npos, body.c_str());
  QVERIFY2(body.find("沢田さんの報告") != std::string::npos, body.c_str());  // 澤 folded
  QVERIFY(body.find('\n') == std::string::npos);
  QCOMPARE(Bytes(services.store.RecordFilePath("00000003", kKindPdf)), pdfBytes_);
  QVERIFY(Cp932ToUtf8(std::string(Bytes(services.store.WorkTextPath()).toStdString())).find("二頁目のテキスト") !=
          std::string::npos);
  QVERIFY(services.list.IsSelected(0));
  QCOMPARE(services.list.Cell(0, ListColumn::Status), kMarkAvailable);
  QCOMPARE(services.settings.GetText(setting::SerialCounter), std::string("00000004"));
  QVERIFY(run.Frame()->ListView()->columnWidth(ColumnIndex(ListColumn::Title)) > 40);  // fitted

  // Found again by a word of its body from the search tab.
  Modal::SetNextAnswers({Answer::Ok});
  run.Element<QLineEdit>("ID_EDIT5")->setText(QStringLiteral("見積書の説明"));
  services.settings.SetInt(setting::Kakunin, 0);
  run.Element<QAction>("ID_DB_SEARCH")->trigger();
  QCOMPARE(services.list.RowCount(), 1);
  QCOMPARE(services.list.Cell(0, ListColumn::SerialNo), std::string("00000003"));
}

void ImportDesktopTest::answersDecideCopyOrLinkAndTheBoxStopsTheQuestion() {
  Run run;
  QVERIFY(Start(run));
  Services& services = run.app->services();
  AnswerQuestion("IDNO");
  Drop(run.Frame()->ListView(), {pdf_});
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 1, kImportTimeout);
  QCOMPARE(Stored(run, "00000000")[FieldTag::TY], std::string("O"));
  QVERIFY(!PathExists(services.store.RecordFilePath("00000000", kKindPdf)));

  // Yes with the box ticked: KanSet/Ques 0, and the next drop is taken without a question.
  // The same document again: each time asked first whether to store it once more (はい).
  QVERIFY(Modal::TakeShownMessages().isEmpty());
  AnswerQuestion("IDYES", true);
  Modal::SetNextAnswers({Answer::Yes});
  Drop(run.Frame()->ListView(), {pdf_});
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 2, kImportTimeout);
  QCOMPARE(services.settings.GetInt(setting::Ques), 0L);
  Modal::SetNextAnswers({Answer::Yes});
  Drop(run.Frame()->ListView(), {pdf_});
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 3, kImportTimeout);
  QCOMPARE(Stored(run, "00000002")[FieldTag::TY], std::string("I"));
  const QStringList asked = Modal::TakeShownMessages();
  QCOMPARE(asked.size(), 2);
  for (const QString& text : asked)
    QVERIFY2(text.startsWith(QString::fromUtf8(MessageTextUtf8(Msg::DuplicateDocument)) +
                             QStringLiteral("\nシリアル番号 00000000「日本語の見積書」")),
             qPrintable(text));
}

void ImportDesktopTest::twoFilesAtOnceAreRefused() {
  Run run;
  QVERIFY(Start(run));
  Modal::SetNextAnswers({Answer::Ok});
  Drop(run.Frame()->ListView(), {pdf_, pdf_});
  QCOMPARE(Modal::TakeShownMessages(), QStringList{QString::fromUtf8(MessageTextUtf8(Msg::DropOneFileOnly))});
  QVERIFY(!run.Frame()->Import()->Pipeline().Waiting());
}

void ImportDesktopTest::openWithImportsIntoANewCopyAndIntoTheRunningOne() {
  // A new copy started with a file imports it as a drop of that file.
  Run run;
  run.openFiles = {pdf_};
  QVERIFY(Start(run, "Ques=0\nLink=I\n"));
  Services& services = run.app->services();
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 1, kImportTimeout);
  QCOMPARE(Stored(run, "00000000")[FieldTag::TY], std::string("I"));

  // A second copy hands its files to the running one and ends at once, without 30034; the
  // running copy refuses what is not a PDF and imports the rest, one after the other.
  const QString notPdf = files_.filePath(QStringLiteral("メモ.txt"));
  QFile text(notPdf);
  QVERIFY(text.open(QIODevice::WriteOnly));
  text.write("not a pdf");
  text.close();
  // The refusal, then はい to the question whether to store a stored document once more.
  Modal::SetNextAnswers({Answer::Ok, Answer::Yes, Answer::Yes});
  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(run.dir.path()));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(run.dir.File("cfg")));
  second.setProcessEnvironment(env);
  second.start(QStringLiteral(FOLIDEX_PROGRAM), {notPdf, pdf_, pdf_});
  QVERIFY(second.waitForStarted());
  // The running copy answers while this test's event loop turns.
  QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 30000);
  QCOMPARE(second.exitStatus(), QProcess::NormalExit);
  QCOMPARE(second.exitCode(), 0);
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 3, 2 * kImportTimeout);
  QCOMPARE(Stored(run, "00000002")[FieldTag::FN], Utf8ToCp932("見積書.pdf"));
  const QStringList shown = Modal::TakeShownMessages();
  QCOMPARE(shown.size(), 3);
  QVERIFY(shown[0].startsWith(notPdf));
  QVERIFY(shown[0].endsWith(QString::fromUtf8(MessageTextUtf8(Msg::PdfNotPdf))));
}

void ImportDesktopTest::aDocumentThatHangsTheEngineCanBeCancelled() {
  // A worker whose engine never answers for a file named loop*.
  qputenv("FOLIDEX_WORKER", FOLIDEX_FAKE_WORKER);
  Run run;
  const bool started = Start(run, "Ques=0\nLink=I\n");
  qunsetenv("FOLIDEX_WORKER");
  QVERIFY(started);
  const QString hanging = files_.filePath(QStringLiteral("loop.pdf"));
  QVERIFY(QFile::copy(pdf_, hanging));

  // After a second the window offers キャンセル; the list stays as it was.
  bool offered = false;
  QTimer watch;
  watch.setInterval(100);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* wait = run.Frame()->findChild<QProgressDialog*>(QStringLiteral("EngineWait"));
    if (!wait || !wait->isVisible() || offered) return;
    offered = true;
    QTest::keyClick(wait, Qt::Key_Escape);
  });
  watch.start();
  Modal::SetNextAnswers({Answer::Ok, Answer::Ok});
  QElapsedTimer took;
  took.start();
  Drop(run.Frame()->ListView(), {hanging});
  watch.stop();
  QVERIFY(offered);
  QVERIFY2(took.elapsed() < 30000, "the wait ended long after the cancel");
  Services& services = run.app->services();
  QCOMPARE(services.list.RowCount(), 0);
  QVERIFY(!PathExists(services.store.RecordFilePath("00000000", kKindText)));
  Modal::TakeShownMessages();
}

void ImportDesktopTest::aPdfWithoutTextAsksAndIsStoredWithoutText() {
  Run run;
  QVERIFY(Start(run));
  Services& services = run.app->services();
  const QString images = files_.filePath(QStringLiteral("scan.pdf"));
  WriteImagePdf(images);
  // The viewer never copies: 30009 after the polls, Cancel, then 30039 — No stores nothing.
  AnswerQuestion("IDYES");
  Modal::SetNextAnswers({Answer::Cancel, Answer::No});
  Drop(run.Frame()->ListView(), {images});
  QStringList asked;
  QTRY_COMPARE_WITH_TIMEOUT((asked += Modal::TakeShownMessages()).size(), 2, kImportTimeout);
  QVERIFY(!run.Frame()->Import()->Pipeline().Waiting());
  QCOMPARE(services.list.RowCount(), 0);
  // The serial was reserved before the question: declining leaves a gap, never a record.
  QCOMPARE(services.settings.GetText(setting::SerialCounter), std::string("00000001"));
  QVERIFY(!QFileInfo::exists(QString::fromStdString(run.app->services().store.RecordFilePath("00000000", kKindText))));

  AnswerQuestion("IDYES");
  Modal::SetNextAnswers({Answer::Cancel, Answer::Yes});
  Drop(run.Frame()->ListView(), {images});
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 1, kImportTimeout);
  const QStringList shown = Modal::TakeShownMessages();
  QCOMPARE(shown, (QStringList{QString::fromUtf8(MessageTextUtf8(Msg::ViewerTextUnavailable)),
                               QString::fromUtf8(MessageTextUtf8(Msg::ContinueWithoutTextQuestion))}));
  const IndexRecord r = Stored(run, "00000001");
  QCOMPARE(r[FieldTag::TX], std::string());
  QCOMPARE(r[FieldTag::TS], std::string("0"));
}

void ImportDesktopTest::aScannedPdfIsRecognisedAndFoundByItsBody() {
  if (!TesseractRecognizer().Check().Ready())
    QSKIP("text recognition is not installed (libtesseract5, tesseract-ocr-jpn, -jpn-vert, -eng, -osd)");
  Run run;
  QVERIFY(Start(run, "Ocr=1\n"));
  Services& services = run.app->services();
  const QString scan = files_.filePath(QStringLiteral("scanned.pdf"));
  QVERIFY(test::WriteScanPdf(scan, {{QStringLiteral("請求書の支払期限は来月末です。")},
                                    {QStringLiteral("会議は午後三時から始まります。")},
                                    {QStringLiteral("資料は前日までに配ります。")}}));
  AnswerQuestion("IDYES");
  Drop(run.Frame()->ListView(), {scan});
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 1, 120000);
  QCOMPARE(Modal::TakeShownMessages(), QStringList());  // no 30009: the pages were read
  const std::string stored = Stored(run, "00000000")[FieldTag::TX];
  const std::string body = Cp932ToUtf8(stored);
  QVERIFY2(body.find("支払期限") != std::string::npos, body.c_str());
  // The pages were read at once; the text is what one recognizer reading them in turn gives.
  PopplerPdfEngine pdf;
  QCOMPARE(pdf.Open(scan.toStdString()), PdfOpenResult::Opened);
  TesseractRecognizer recognizer;
  class Quiet : public DocumentTextMonitor {
    bool Cancelled() override { return false; }
  } quiet;
  const DocumentText serial = BuildDocumentText(pdf, recognizer, quiet);
  QCOMPARE(Cp932ToUtf8(NormalizeBodyText(PrepareBodyText(serial.text))), body);

  Modal::SetNextAnswers({Answer::Ok});
  run.Element<QLineEdit>("ID_EDIT5")->setText(QStringLiteral("支払期限"));
  services.settings.SetInt(setting::Kakunin, 0);
  run.Element<QAction>("ID_DB_SEARCH")->trigger();
  QCOMPARE(services.list.RowCount(), 1);
}

void ImportDesktopTest::linksDownloadWithTheBrowsersCookies() {
  Run run;
  QVERIFY(Start(run));
  Services& services = run.app->services();
  CShelfView* html = run.Frame()->HtmlView();
  html->SetDocumentLoaded(false);
  html->Navigate2(server_.Url(QStringLiteral("/page.html")).toStdString());
  QTRY_VERIFY_WITH_TIMEOUT(html->DocumentLoaded(), kImportTimeout);

  // A link: downloaded, shown, captured (the key "TMP" of the work copy finds the pane by its
  // marker), stored with its address and decoded name; the area then shows the page again.
  const QString link = server_.Url(QStringLiteral("/docs/%E5%A0%B1%E5%91%8A.pdf"));
  run.Frame()->Import()->DropLink(link.toStdString());
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 1, kImportTimeout);
  IndexRecord r = Stored(run, "00000000");
  QCOMPARE(r[FieldTag::TY], std::string("I"));
  QCOMPARE(QString::fromStdString(Cp932ToUtf8(r[FieldTag::FG])), link);
  QCOMPARE(Cp932ToUtf8(r[FieldTag::FN]), std::string("報告.pdf"));
  QVERIFY(Cp932ToUtf8(r[FieldTag::TX]).find("見積書の説明") != std::string::npos);
  QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(html->GetLocationURL()), server_.Url(QStringLiteral("/page.html")),
                            kImportTimeout);

  // Behind a login: refused until the browser has the site's cookie, then downloaded.
  Modal::SetNextAnswers({Answer::Ok});
  run.Frame()->Import()->DropLink(server_.Url(QStringLiteral("/private.pdf")).toStdString());
  QCOMPARE(Modal::TakeShownMessages(), QStringList{QString::fromUtf8(MessageTextUtf8(Msg::DownloadFailed))});
  html->SetDocumentLoaded(false);
  html->Navigate2(server_.Url(QStringLiteral("/login.html")).toStdString());
  QTRY_VERIFY_WITH_TIMEOUT(html->DocumentLoaded(), kImportTimeout);
  Modal::SetNextAnswers({Answer::Yes});  // the same document as the first link
  run.Frame()->Import()->DropLink(server_.Url(QStringLiteral("/private.pdf")).toStdString());
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 2, kImportTimeout);
  QCOMPARE(Modal::TakeShownMessages().size(), 1);
  QCOMPARE(Bytes(services.store.RecordFilePath("00000001", kKindPdf)), pdfBytes_);

  // A web page where the PDF should be: 30076, nothing stored.
  Modal::SetNextAnswers({Answer::Ok});
  run.Frame()->Import()->DropLink(server_.Url(QStringLiteral("/error.pdf")).toStdString());
  QCOMPARE(Modal::TakeShownMessages(), QStringList{QString::fromUtf8(MessageTextUtf8(Msg::DownloadFailed))});
  QCOMPARE(services.list.RowCount(), 2);
  QCOMPARE(services.settings.GetText(setting::SerialCounter), std::string("00000002"));
}

void ImportDesktopTest::getPdfTakesTheShownDocumentWithItsLastModifiedTime() {
  Run run;
  QVERIFY(Start(run));
  Services& services = run.app->services();
  CShelfView* html = run.Frame()->HtmlView();
  const QString address = server_.Url(QStringLiteral("/dated.pdf"));
  html->Navigate2(address.toStdString());
  QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(html->PageType()), QStringLiteral("PDF"), kImportTimeout);
  QAction* getPdf = run.Element<QAction>("ID_GET_PDF");
  QTRY_VERIFY(getPdf->isEnabled());
  getPdf->trigger();
  QCOMPARE(services.list.RowCount(), 1);
  const IndexRecord r = Stored(run, "00000000");
  const QDateTime modified = QDateTime(QDate(2010, 12, 1), QTime(10, 20, 30), Qt::UTC).toLocalTime();
  QCOMPARE(QString::fromStdString(r[FieldTag::FC]), modified.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
  QCOMPARE(QString::fromStdString(Cp932ToUtf8(r[FieldTag::FG])), address);
  QCOMPARE(r[FieldTag::FN], std::string("dated.pdf"));
  QCOMPARE(r[FieldTag::TY], std::string("I"));
  QVERIFY(Cp932ToUtf8(r[FieldTag::TX]).find("見積書の説明") != std::string::npos);
}

void ImportDesktopTest::droppedLinksAreDecodedAndRedirectsUnwrapped() {
  Run run;
  QVERIFY(Start(run));
  Services& services = run.app->services();
  CLeftView* list = run.Frame()->ListView();
  // A kanji file name in UTF-8 escapes: downloaded and stored as 資料.pdf.
  const QString kanji = server_.Url(QStringLiteral("/%E8%B3%87%E6%96%99.pdf"));
  DropLinkData(list, kanji.toLatin1());
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 1, kImportTimeout);
  IndexRecord r = Stored(run, "00000000");
  QCOMPARE(Cp932ToUtf8(r[FieldTag::FN]), std::string("資料.pdf"));
  QCOMPARE(QString::fromStdString(Cp932ToUtf8(r[FieldTag::FG])), kanji);
  QVERIFY(Cp932ToUtf8(r[FieldTag::TX]).find("見積書の説明") != std::string::npos);

  // A redirect address carrying the PDF's address as an encoded parameter.
  const QByteArray inner = QUrl::toPercentEncoding(server_.Url(QStringLiteral("/docs/%E5%A0%B1%E5%91%8A.pdf")));
  Modal::SetNextAnswers({Answer::Yes});  // the same document as the first link
  DropLinkData(list, server_.Url(QStringLiteral("/redirect?target=")).toLatin1() + inner + "&from=page");
  QTRY_COMPARE_WITH_TIMEOUT(services.list.RowCount(), 2, kImportTimeout);
  QCOMPARE(Modal::TakeShownMessages().size(), 1);
  r = Stored(run, "00000001");
  QCOMPARE(Cp932ToUtf8(r[FieldTag::FN]), std::string("報告.pdf"));
  QVERIFY(
      QString::fromStdString(Cp932ToUtf8(r[FieldTag::FG])).endsWith(QStringLiteral("/docs/%E5%A0%B1%E5%91%8A.pdf")));

  // A link to something else: 30061, nothing imported.
  Modal::SetNextAnswers({Answer::Ok});
  DropLinkData(list, server_.Url(QStringLiteral("/page.html")).toLatin1());
  QCOMPARE(Modal::TakeShownMessages(), QStringList{QString::fromUtf8(MessageTextUtf8(Msg::OnlyPdfLinksAccepted))});
  QCOMPARE(services.list.RowCount(), 2);
}

void ImportDesktopTest::wordOutputOfTheShownPdfIsARealWordDocument() {
  Run run;
  const std::string folder = run.dir.File("word");
  QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
  QVERIFY(Start(run, "DspWord=0\nWordStorePath=" + folder + "\n[Last]\nOptWord=0\n"));
  CShelfView* html = run.Frame()->HtmlView();
  html->Navigate2(pdf_.toStdString());
  QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(html->PageType()), QStringLiteral("PDF"), kImportTimeout);
  // Saved into the Word folder under the document's name; 30037 asks to show the folder: No.
  Modal::SetNextAnswers({Answer::No});
  run.Element<QAction>("ID_GET_WORD")->trigger();
  const QStringList shown = Modal::TakeShownMessages();
  QCOMPARE(shown.size(), 1);
  QVERIFY(shown.first().endsWith(QString::fromUtf8(MessageTextUtf8(Msg::WordOutputDoneQuestion))));
  const QByteArray doc = Bytes(folder + "/見積書.doc");
  QVERIFY(doc.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")));
}

int main(int argc, char** argv) {
  PrepareWebEngineProcess();
  QApplication app(argc, argv);
  ImportDesktopTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "import_desktop_test.moc"
