// The recognition window over faked ports: the step text while pages are read, Esc and the
// キャンセル button stop the work, the result comes back, and the Progress port is driven.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "common/qt/QtText.h"
#include "pdf/qt/CRecognitionDlg.h"
#include "support/TestSupport.h"

using namespace folidex;

namespace {

class FakePdf : public PdfEngine {
 public:
  std::vector<std::u16string> texts{u"cover", u"", u""};
  PdfOpenResult Open(const std::string&) override { return PdfOpenResult::Opened; }
  void Close() override {}
  int PageCount() override { return static_cast<int>(texts.size()); }
  std::u16string PageText(int page) override { return texts.at(static_cast<std::size_t>(page)); }
  PdfMetaData MetaData() override { return {}; }
  bool RenderPage(int page, int dpi, PageImage& image) override {
    image = PageImage{4, 4, 4, dpi, std::vector<std::uint8_t>(16, static_cast<std::uint8_t>(page))};
    return true;
  }
};

// Reads a page only when the test lets it, and keeps asking whether to stop meanwhile.
class GatedRecognizer : public TextRecognizer {
 public:
  std::atomic<int> allowed{0};
  std::atomic<int> started{0};
  std::atomic<bool> sawCancel{false};
  RecognizerCheck Check() override { return {RecognizerState::Ready, "gated"}; }
  RecognitionStatus Recognize(const PageImage& image, RecognitionMonitor& monitor, std::u16string& text) override {
    const int n = ++started;
    monitor.PageProgress(0);
    while (allowed.load() < n) {
      if (monitor.Cancelled()) {
        sawCancel = true;
        return RecognitionStatus::Cancelled;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    monitor.PageProgress(100);
    text = u"page " + std::u16string(1, static_cast<char16_t>(u'0' + image.bytes[0]));
    return RecognitionStatus::Done;
  }
};

class BlankRecognizer : public TextRecognizer {
 public:
  RecognizerCheck Check() override { return {RecognizerState::Ready, "blank"}; }
  RecognitionStatus Recognize(const PageImage&, RecognitionMonitor&, std::u16string& text) override {
    text.clear();
    return RecognitionStatus::Done;
  }
};

QString StepText() {
  QWidget* dlg = QApplication::activeModalWidget();
  auto* label = dlg ? dlg->findChild<QLabel*>(QStringLiteral("IDC_RECOGNITION_STEP")) : nullptr;
  return label ? label->text() : QString();
}

}  // namespace

class RecognitionDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void showsEachStepAndReturnsTheText() {
    FakePdf pdf;
    GatedRecognizer ocr;
    test::RecordingProgress progress;
    std::set<QString> seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
      const QString step = StepText();
      seen.insert(step);
      if (step == QStringLiteral("文字認識中 1/2 ページ")) ocr.allowed = 1;
      if (step == QStringLiteral("文字認識中 2/2 ページ")) ocr.allowed = 2;
    });
    poll.start(5);
    const DocumentText d = CRecognitionDlg::Run(nullptr, pdf, ocr, &progress);
    QCOMPARE(d.outcome, DocumentTextOutcome::Text);
    QVERIFY(d.text == u"cover\r\npage 1\r\npage 2");
    QVERIFY(seen.count(QStringLiteral("文字認識中 1/2 ページ")));
    QVERIFY(seen.count(QStringLiteral("文字認識中 2/2 ページ")));
    QCOMPARE(QApplication::activeModalWidget(), nullptr);

    // Pane 120 and the bar follow the window; both are cleared at the end, under the wait cursor.
    bool paneShown = false;
    for (const auto& [pane, text] : progress.paneTexts)
      paneShown = paneShown || (pane == StatusPane::Url && ToQString(text) == QStringLiteral("文字認識中 2/2 ページ"));
    QVERIFY(paneShown);
    QCOMPARE(progress.paneTexts.back().second, std::string());
    QVERIFY(std::find(progress.bar.begin(), progress.bar.end(), 50) != progress.bar.end());
    QCOMPARE(progress.bar.back(), 0);
    QCOMPARE(progress.maxWaitDepth, 1);
    QCOMPARE(progress.waitDepth, 0);
  }

  void escapeOrTheButtonCancels() {
    for (const bool escape : {true, false}) {
      FakePdf pdf;
      GatedRecognizer ocr;
      QTimer poll;
      bool pressed = false;
      connect(&poll, &QTimer::timeout, [&] {
        QWidget* dlg = QApplication::activeModalWidget();
        if (pressed || !dlg || StepText() != QStringLiteral("文字認識中 1/2 ページ")) return;
        pressed = true;
        if (escape) {
          QTest::keyClick(dlg, Qt::Key_Escape);
        } else {
          dlg->findChild<QPushButton*>(QStringLiteral("IDCANCEL"))->click();
        }
      });
      poll.start(5);
      const DocumentText d = CRecognitionDlg::Run(nullptr, pdf, ocr);
      QCOMPARE(d.outcome, DocumentTextOutcome::Cancelled);
      QVERIFY(d.text.empty());
      QVERIFY(ocr.sawCancel);
      QCOMPARE(ocr.started.load(), 1);  // the second page was never begun
    }
  }

  void nothingFound() {
    FakePdf pdf;
    pdf.texts = {u"", u" "};
    BlankRecognizer blank;
    QCOMPARE(CRecognitionDlg::Run(nullptr, pdf, blank).outcome, DocumentTextOutcome::NothingFound);
  }
};

QTEST_MAIN(RecognitionDlgTest)
#include "recognition_dlg_test.moc"
