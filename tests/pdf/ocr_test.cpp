// Text recognition with the real engine (Tesseract with the Japanese data) on PDFs drawn here:
// skipped, saying why, when the engine's Japanese data is not installed.

#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "ScanPdf.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/Normalize.h"
#include "pdf/DocumentText.h"
#include "pdf/poppler/PopplerPdfEngine.h"
#include "pdf/qt/CRecognitionDlg.h"
#include "pdf/tesseract/TesseractRecognizer.h"

using namespace folidex;

namespace {

class Quiet : public DocumentTextMonitor {
 public:
  bool cancelAtProgress = false;
  bool progressed = false;
  bool Cancelled() override { return cancelAtProgress && progressed; }
  void PageProgress(int) override { progressed = true; }
};

// Whether a body search for `word` would find the stored form of `text`.
bool BodyHas(const std::u16string& text, const char* word) {
  return FindCp932(NormalizeBodyText(Utf16ToCp932(text)), NormalizeSearchTerm(Utf8ToCp932(word))) != std::string::npos;
}

const char* kSentence = "請求書の支払期限は来月末です。";

}  // namespace

class OcrTest : public QObject {
  Q_OBJECT

  TesseractRecognizer recognizer_;
  QTemporaryDir dir_;

  std::string Write(const char* name, const std::vector<test::ScanPage>& pages) {
    const QString path = dir_.filePath(QLatin1String(name));
    if (!test::WriteScanPdf(path, pages)) return {};
    return path.toStdString();
  }

 private slots:
  void initTestCase() {
    const RecognizerCheck check = recognizer_.Check();
    qInfo("%s", check.detail.c_str());
    if (!check.Ready())
      QSKIP(qPrintable(QStringLiteral("text recognition is not installed (libtesseract5 with tesseract-ocr-jpn, "
                                      "-jpn-vert, -eng, -osd): ") +
                       QString::fromStdString(check.detail)));
  }

  void aPictureOnlyPageIsRecognisedWellEnoughToFindAWord() {
    const std::string path = Write("scan.pdf", {{QString::fromUtf8(kSentence)}});
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    QCOMPARE(pdf.PageText(0), std::u16string());  // no text of its own
    Quiet monitor;
    const DocumentText d = BuildDocumentText(pdf, recognizer_, monitor);
    QCOMPARE(d.outcome, DocumentTextOutcome::Text);
    QCOMPARE(d.pages.size(), std::size_t{1});
    QCOMPARE(d.pages[0].source, PageSource::Recognised);
    QVERIFY2(BodyHas(d.text, "支払期限"), Cp932ToUtf8(Utf16ToCp932(d.text)).c_str());
    QVERIFY(monitor.progressed);
  }

  void aMixedDocumentKeepsItsTextPageAndRecognisesItsPicturePage() {
    const std::string path = Write(
        "mixed.pdf", {{QStringLiteral("表紙 年次報告書 Annual Report 2024"), false}, {QString::fromUtf8(kSentence)}});
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    const std::u16string cover = pdf.PageText(0);
    Quiet monitor;
    const DocumentText d = BuildDocumentText(pdf, recognizer_, monitor);
    QCOMPARE(d.outcome, DocumentTextOutcome::Text);
    QCOMPARE(d.pages[0].source, PageSource::TextLayer);
    QVERIFY(d.pages[0].text == cover);
    QCOMPARE(d.pages[1].source, PageSource::Recognised);
    QVERIFY(d.text.rfind(cover + u"\r\n", 0) == 0);  // the cover first, as the engine gives it
    QVERIFY(BodyHas(d.text, "年次報告書"));
    QVERIFY2(BodyHas(d.pages[1].text, "支払期限"), Cp932ToUtf8(Utf16ToCp932(d.pages[1].text)).c_str());
  }

  void aVerticalPageIsReadInColumns() {
    const std::string path =
        Write("vertical.pdf", {{QStringLiteral("縦書きの契約書です。\n印鑑を押印してください。"), true, true, 80}});
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    Quiet monitor;
    const DocumentText d = BuildDocumentText(pdf, recognizer_, monitor);
    QVERIFY2(BodyHas(d.text, "契約書"), Cp932ToUtf8(Utf16ToCp932(d.text)).c_str());
  }

  void aBlankPageGivesNothingAndACancelStopsThePage() {
    const std::string path = Write("blank.pdf", {{QString()}});
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    Quiet monitor;
    const DocumentText blank = BuildDocumentText(pdf, recognizer_, monitor);
    QCOMPARE(blank.outcome, DocumentTextOutcome::NothingFound);
    QCOMPARE(blank.pages[0].source, PageSource::NothingRecognised);

    QCOMPARE(pdf.Open(Write("cancel.pdf", {{QString::fromUtf8(kSentence).repeated(20), true, false, 48}})),
             PdfOpenResult::Opened);
    Quiet cancelling;
    cancelling.cancelAtProgress = true;
    QCOMPARE(BuildDocumentText(pdf, recognizer_, cancelling).outcome, DocumentTextOutcome::Cancelled);
    // The recognizer is still good for the next page.
    Quiet again;
    QCOMPARE(BuildDocumentText(pdf, recognizer_, again).outcome, DocumentTextOutcome::Text);
  }

  void theWindowRecognisesOnItsWorkerThread() {
    const std::string path = Write("window.pdf", {{QStringLiteral("表紙"), false}, {QString::fromUtf8(kSentence)}});
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    QCOMPARE(FindTextLayer(pdf), TextLayer::Partly);
    const DocumentText d = CRecognitionDlg::Run(nullptr, pdf, recognizer_);
    QCOMPARE(d.outcome, DocumentTextOutcome::Text);
    QVERIFY(BodyHas(d.text, "支払期限"));
  }

  void tinyPagesDoNotUpsetTheEngine() {
    for (int side : {1, 2, 7}) {
      PageImage page{side, side, side, 300, std::vector<std::uint8_t>(static_cast<std::size_t>(side * side), 0)};
      std::u16string text;
      Quiet monitor;
      const RecognitionStatus status = recognizer_.Recognize(page, monitor, text);
      QVERIFY(status == RecognitionStatus::Done || status == RecognitionStatus::Failed);  // and no abort
    }
  }

  void missingDataIsReportedNotFailedOn() {
    QTemporaryDir empty;
    TesseractRecognizer none(empty.path().toStdString());
    QCOMPARE(none.Check().state, RecognizerState::EngineMissing);
    std::u16string text;
    Quiet monitor;
    PageImage page{10, 10, 10, 300, std::vector<std::uint8_t>(100, 255)};
    QCOMPARE(none.Recognize(page, monitor, text), RecognitionStatus::Failed);

    // English alone: the engine runs, the Japanese data is missing.
    const std::string folder = recognizer_.DataFolder();
    QTemporaryDir englishOnly;
    std::filesystem::create_symlink(std::filesystem::path(folder) / "eng.traineddata",
                                    std::filesystem::path(englishOnly.path().toStdString()) / "eng.traineddata");
    TesseractRecognizer english(englishOnly.path().toStdString() + "/");
    const RecognizerCheck check = english.Check();
    QCOMPARE(check.state, RecognizerState::JapaneseDataMissing);
    QVERIFY2(check.detail.find("jpn") != std::string::npos, check.detail.c_str());
  }
};

QTEST_MAIN(OcrTest)
#include "ocr_test.moc"
