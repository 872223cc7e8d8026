// The recognition window over faked ports: the step text while pages are read, Esc and the
// キャンセル button stop the work, the result comes back, and the Progress port is driven.

#include <QApplication>
#include <QElapsedTimer>
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

// Reads page n (its pixels' value) as "page n", the later pages sooner, so pages read at once
// finish out of page order; counts how many read at once, and reads on until cancelled when told.
class PooledRecognizer : public TextRecognizer {
 public:
  struct Shared {
    std::atomic<int> reading{0};
    std::atomic<int> mostAtOnce{0};
    std::atomic<int> started{0};
    std::atomic<int> cancelled{0};
    bool endless = false;
    int slowPage = -1;  // read for a fifth of a second
  };
  explicit PooledRecognizer(Shared& shared) : shared_(shared) {}
  RecognizerCheck Check() override { return {RecognizerState::Ready, "pooled"}; }
  RecognitionStatus Recognize(const PageImage& image, RecognitionMonitor& monitor, std::u16string& text) override {
    ++shared_.started;
    const int now = ++shared_.reading;
    for (int most = shared_.mostAtOnce; now > most && !shared_.mostAtOnce.compare_exchange_weak(most, now);) {
    }
    const int page = image.bytes[0];
    const int steps = page == shared_.slowPage ? 40 : 10 - page;
    for (int wait = 0; shared_.endless || wait < steps; ++wait) {
      monitor.PageProgress(wait);
      if (monitor.Cancelled()) {
        --shared_.reading;
        ++shared_.cancelled;
        return RecognitionStatus::Cancelled;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    --shared_.reading;
    text = u"page " + std::u16string(1, static_cast<char16_t>(u'0' + page));
    return RecognitionStatus::Done;
  }

 private:
  Shared& shared_;
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

  void thePagesReadAtOnceGiveTheSerialTextAndAreCountedAsTheyFinish() {
    FakePdf pdf;
    pdf.texts = {u"cover", u"", u"", u"", u"", u"end"};
    PooledRecognizer::Shared shared;
    PooledRecognizer serialRecognizer(shared);
    class Quiet : public DocumentTextMonitor {
      bool Cancelled() override { return false; }
    } quiet;
    const DocumentText serial = BuildDocumentText(pdf, serialRecognizer, quiet);
    shared.mostAtOnce = 0;
    shared.slowPage = 4;
    RecognizerPool pool([&shared] { return std::make_unique<PooledRecognizer>(shared); }, 2);
    std::set<QString> seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] { seen.insert(StepText()); });
    poll.start(1);
    const DocumentText d = CRecognitionDlg::Run(nullptr, pdf, pool);
    QCOMPARE(d.outcome, DocumentTextOutcome::Text);
    QVERIFY(d.text == serial.text);
    QVERIFY(d.text == u"cover\r\npage 1\r\npage 2\r\npage 3\r\npage 4\r\nend");
    QCOMPARE(shared.mostAtOnce.load(), 2);
    QCOMPARE(pool.Made(), 2);
    // The last page's step shows while it is read, though it began before the page before it
    // finished.
    QVERIFY(seen.count(QStringLiteral("文字認識中 4/4 ページ")));
  }

  void aCancelStopsBothRecognizersWithinASecond() {
    FakePdf pdf;
    pdf.texts.assign(8, u"");
    PooledRecognizer::Shared shared;
    shared.endless = true;
    RecognizerPool pool([&shared] { return std::make_unique<PooledRecognizer>(shared); }, 2);
    QElapsedTimer sinceCancel;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
      QWidget* dlg = QApplication::activeModalWidget();
      if (sinceCancel.isValid() || !dlg || shared.reading.load() < 2) return;
      sinceCancel.start();
      dlg->findChild<QPushButton*>(QStringLiteral("IDCANCEL"))->click();
    });
    poll.start(5);
    const DocumentText d = CRecognitionDlg::Run(nullptr, pdf, pool);
    QVERIFY(sinceCancel.isValid());
    QVERIFY2(sinceCancel.elapsed() < 1000, std::to_string(sinceCancel.elapsed()).c_str());
    QCOMPARE(d.outcome, DocumentTextOutcome::Cancelled);
    QCOMPARE(shared.cancelled.load(), 2);
    QCOMPARE(shared.started.load(), 2);  // no further page was begun
    QCOMPARE(shared.reading.load(), 0);
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
