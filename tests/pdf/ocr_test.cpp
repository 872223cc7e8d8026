// Text recognition with the real engine (Tesseract with the Japanese data) on PDFs drawn here:
// skipped, saying why, when the engine's Japanese data is not installed.

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <random>

#include "ScanPdf.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/Messages.h"
#include "common/Normalize.h"
#include "pdf/DocumentText.h"
#include "pdf/RecognitionWorker.h"
#include "pdf/RecognizerPool.h"
#include "pdf/WorkerEngine.h"
#include "pdf/poppler/PopplerPdfEngine.h"
#include "pdf/qt/CRecognitionDlg.h"
#include "pdf/tesseract/PagePreparation.h"
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

// The peak resident memory of a running process in MB (VmHWM), 0 when it cannot be read.
long PeakResidentMb(pid_t pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (pid <= 0 || !status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024;
  return 0;
}

const char* kSentence = "請求書の支払期限は来月末です。";

const char* kLeftColumn =
    "左の段には会議の日程と場所を書きました。出席者は十名で、議題は来年度の計画と予算の見直しです。";
const char* kRightColumn = "右の段には予算の内訳を書きました。合計は五十万円で、そのうち半分を設備の更新に充てます。";

// A page of two columns of horizontal lines, each wrapping over several lines.
test::ScanPage TwoColumns() {
  test::ScanPage page{QString::fromUtf8(kLeftColumn) + QLatin1Char('\f') + QString::fromUtf8(kRightColumn), true, false,
                      56};
  page.columns = 2;
  return page;
}

// Whether the stored text holds each column whole, the left one first (the right one from its
// second character).
bool LeftColumnThenRight(const std::string& stored) {
  const std::size_t l = FindCp932(stored, NormalizeSearchTerm(Utf8ToCp932(kLeftColumn)));
  const std::size_t r = FindCp932(stored, NormalizeSearchTerm(Utf8ToCp932(kRightColumn + 3)));
  return l != std::string::npos && r != std::string::npos && l < r;
}

// A rendered page as a scanner gives it: a little soft, with grey noise, saved as JPEG.
PageImage AsScanned(const PageImage& sharp) {
  QImage image(sharp.width, sharp.height, QImage::Format_Grayscale8);
  std::mt19937 random(11);
  std::normal_distribution<double> grey(0, 18);
  for (int y = 0; y < sharp.height; ++y) {
    uchar* line = image.scanLine(y);
    for (int x = 0; x < sharp.width; ++x) {
      int sum = 0, count = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int yy = std::clamp(y + dy, 0, sharp.height - 1), xx = std::clamp(x + dx, 0, sharp.width - 1);
          sum += sharp.bytes[static_cast<std::size_t>(yy * sharp.bytesPerLine + xx)];
          ++count;
        }
      line[x] = static_cast<uchar>(std::clamp(sum / count + static_cast<int>(grey(random)), 0, 255));
    }
  }
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG", 75);
  image = QImage::fromData(jpeg, "JPG").convertToFormat(QImage::Format_Grayscale8);
  PageImage page{image.width(), image.height(), image.width(), sharp.dpi, {}};
  page.bytes.resize(static_cast<std::size_t>(page.width) * static_cast<std::size_t>(page.height));
  for (int y = 0; y < page.height; ++y)
    std::copy_n(image.constScanLine(y), page.width, page.bytes.data() + static_cast<std::size_t>(y * page.width));
  return page;
}

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

  void eachPageIsReadWithTheModelsOfItsScript() {
    // A Japanese page with a large heading: the heading is read as Japanese, not as English words.
    test::ScanPage japanese{QString::fromUtf8(kSentence) + QString::fromUtf8("取引先には来週までに連絡します。"), true,
                            false, 48};
    japanese.heading = QString::fromUtf8("第一章　請求書の扱い");
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(Write("heading.pdf", {japanese})), PdfOpenResult::Opened);
    Quiet monitor;
    const DocumentText heading = BuildDocumentText(pdf, recognizer_, monitor);
    const std::string seen = Cp932ToUtf8(Utf16ToCp932(heading.text));
    QVERIFY2(BodyHas(heading.text, "請求書の扱い"), seen.c_str());
    QVERIFY2(BodyHas(heading.text, "支払期限"), seen.c_str());
    QCOMPARE(recognizer_.LastScript(), PageScript::Japanese);
    QVERIFY(recognizer_.LastLanguages().rfind("jpn", 0) == 0);

    // An English page: the English model alone.
    test::ScanPage english{QStringLiteral("The invoice is due at the end of next month. Please send the signed "
                                          "contract to the office before Friday."),
                           true, false, 48};
    english.heading = QStringLiteral("Payment Terms");
    QCOMPARE(pdf.Open(Write("english.pdf", {english})), PdfOpenResult::Opened);
    const DocumentText words = BuildDocumentText(pdf, recognizer_, monitor);
    QCOMPARE(recognizer_.LastScript(), PageScript::Latin);
    QCOMPARE(recognizer_.LastLanguages(), std::string("eng"));
    QVERIFY2(BodyHas(words.text, "signed contract"), Cp932ToUtf8(Utf16ToCp932(words.text)).c_str());
    QVERIFY(BodyHas(words.text, "Payment Terms"));
  }

  void aPageFedSidewaysOrUpsideDownIsReadUprightColumnByColumn() {
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(Write("turned.pdf", {TwoColumns()})), PdfOpenResult::Opened);
    PageImage upright;
    QVERIFY(pdf.RenderPage(0, 300, upright));
    // Turned back by 90 is a sheet fed turned clockwise by 270, and so on.
    for (int fed : {90, 180, 270}) {
      const std::optional<PageImage> page = TurnedBack(upright, 360 - fed);
      QVERIFY(page);
      std::u16string text;
      Quiet monitor;
      QCOMPARE(recognizer_.Recognize(*page, monitor, text), RecognitionStatus::Done);
      const std::string stored = NormalizeBodyText(PrepareBodyText(TidySpacing(text, Spacing::Recognised)));
      QVERIFY2(LeftColumnThenRight(stored),
               qPrintable(QStringLiteral("%1: ").arg(fed) + QString::fromStdString(Cp932ToUtf8(stored))));
    }
  }

  void aParagraphsShortLastLineIsReadAsJapanese() {
    // A scanned line with a character or two on it: the engine read 「た。」 as "7" or "ye".
    test::ScanPage sheet{
        QString::fromUtf8("利用者への案内が今後の課題として残っ\nた。\n新しい受付の仕組みは来月から使われ\nる。\n"
                          "参加者の意見を集めて次回の計画に反映し\nた。"),
        true, false, 44};
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(Write("short.pdf", {sheet})), PdfOpenResult::Opened);
    PageImage sharp;
    QVERIFY(pdf.RenderPage(0, 300, sharp));
    std::u16string text;
    Quiet monitor;
    QCOMPARE(recognizer_.Recognize(AsScanned(sharp), monitor, text), RecognitionStatus::Done);
    const std::string stored = NormalizeBodyText(PrepareBodyText(TidySpacing(text, Spacing::Recognised)));
    for (const char* words : {"課題として残った。", "使われる。", "反映した。"})
      QVERIFY2(FindCp932(stored, NormalizeSearchTerm(Utf8ToCp932(words))) != std::string::npos,
               Cp932ToUtf8(stored).c_str());
  }

  void twoColumnsAreReadOneAfterTheOther() {
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(Write("columns.pdf", {TwoColumns()})), PdfOpenResult::Opened);
    Quiet monitor;
    const DocumentText d = BuildDocumentText(pdf, recognizer_, monitor);
    // Each column wraps over several lines; each reads whole, the left one first.
    const std::string stored = NormalizeBodyText(PrepareBodyText(d.text));
    QVERIFY2(LeftColumnThenRight(stored), Cp932ToUtf8(stored).c_str());
  }

  void thePagesReadAtOnceGiveTheTextReadOneByOne() {
    const std::string path = Write("three.pdf", {{QString::fromUtf8(kSentence)},
                                                 {QStringLiteral("表紙"), false},
                                                 {QString::fromUtf8("会議は午後三時から始まります。")},
                                                 {QString::fromUtf8("資料は前日までに配ります。")}});
    PopplerPdfEngine pdf;
    QCOMPARE(pdf.Open(path), PdfOpenResult::Opened);
    Quiet serialMonitor;
    const DocumentText serial = BuildDocumentText(pdf, recognizer_, serialMonitor);
    RecognizerPool pool([] { return std::make_unique<TesseractRecognizer>(); }, 2);
    Quiet monitor;
    const DocumentText pooled = BuildDocumentText(pdf, pool, monitor);
    QCOMPARE(pooled.outcome, DocumentTextOutcome::Text);
    QVERIFY(pooled.text == serial.text);
    QCOMPARE(pool.Made(), 2);
    // Read in worker processes, the same text again.
    RecognizerPool workers(WorkerRecognizers(RecognitionWorkerCommand(), WorkerLimits{}), 2);
    QVERIFY(workers.Check().Ready());
    Quiet inWorkers;
    const DocumentText apart = BuildDocumentText(pdf, workers, inWorkers);
    QVERIFY2(apart.text == serial.text, Cp932ToUtf8(Utf16ToCp932(apart.text)).c_str());

    // A cancel while both read stops both; the pool reads the next document again.
    Quiet cancelling;
    cancelling.cancelAtProgress = true;
    QCOMPARE(BuildDocumentText(pdf, pool, cancelling).outcome, DocumentTextOutcome::Cancelled);
    Quiet again;
    QVERIFY(BuildDocumentText(pdf, pool, again).text == serial.text);
  }

  void aVeryLargePageIsRenderedAndReadWithinTheWorkersMemory() {
    const QString path = dir_.filePath(QStringLiteral("huge.pdf"));
    {
      QPdfWriter writer(path);
      writer.setPageSize(QPageSize(QSizeF(3000, 3000), QPageSize::Millimeter));
      writer.setResolution(72);
      // A picture the size of the page, the sentence across its top.
      QImage picture(3000, 3000, QImage::Format_Grayscale8);
      picture.fill(255);
      {
        QPainter drawing(&picture);
        QFont font(QStringLiteral("Noto Sans CJK JP"));
        font.setPixelSize(90);
        drawing.setFont(font);
        drawing.drawText(QPointF(200, 400), QString::fromUtf8(kSentence));
      }
      QPainter painter(&writer);
      painter.drawImage(QRect(0, 0, writer.width(), writer.height()), picture);
    }
    const std::string worker = WorkerProgramPath();
    QVERIFY(!worker.empty());
    WorkerLimits limits;
    limits.memoryMb = 300;
    WorkerPool workers({worker}, limits, 1);
    WorkerPdfEngine pdf(workers);
    QCOMPARE(pdf.Open(path.toStdString()), PdfOpenResult::Opened);
    // The page is rendered within the recognizer's pixel budget, and the worker that reads it,
    // its models loaded, stays within 300 MB resident at its peak.
    WorkerTextRecognizer reader(RecognitionWorkerCommand(), WorkerLimits{});
    Quiet monitor;
    const DocumentText d = BuildDocumentText(pdf, reader, monitor);
    QVERIFY2(!pdf.Failure(), pdf.Failure() ? MessageTextUtf8(*pdf.Failure()) : "");
    QCOMPARE(d.pages.at(0).source, PageSource::Recognised);
    QVERIFY2(BodyHas(d.text, "支払期限"), Cp932ToUtf8(Utf16ToCp932(d.text)).c_str());
    const long peak = PeakResidentMb(reader.WorkerPid());
    QVERIFY2(peak > 0 && peak <= 300, QByteArray::number(static_cast<qlonglong>(peak)).constData());
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
