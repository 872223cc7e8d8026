// BuildDocumentText over a faked PDF engine and recognizer.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <new>
#include <random>
#include <set>
#include <thread>
#include <tuple>

#include "pdf/DocumentText.h"
#include "pdf/RecognizerPool.h"
#include "support/FakePdf.h"
#include "support/TestSupport.h"

using namespace folidex;
using folidex::test::J;

namespace {

using FakePdf = test::FakePdf;

class FakeRecognizer : public TextRecognizer {
 public:
  std::map<int, std::u16string> textOf;  // pages not listed read as empty
  std::set<int> failing;
  int cancelDuring = -1;  // the page whose recognition the user cancels
  std::vector<int> read;

  RecognizerCheck Check() override { return {RecognizerState::Ready, "fake"}; }
  RecognitionStatus Recognize(const PageImage& image, RecognitionMonitor& monitor, std::u16string& text) override;
};

class Monitor : public DocumentTextMonitor {
 public:
  bool cancelled = false;
  std::vector<std::tuple<int, int, int>> started;
  std::vector<std::pair<int, PageSource>> finished;
  bool Cancelled() override { return cancelled; }
  void RecognitionStarted(int index, int count, int page) override { started.emplace_back(index, count, page); }
  void PageFinished(int page, const PageText& result) override { finished.emplace_back(page, result.source); }
};

RecognitionStatus FakeRecognizer::Recognize(const PageImage& image, RecognitionMonitor& monitor, std::u16string& text) {
  const int page = image.bytes.at(0);
  read.push_back(page);
  monitor.PageProgress(50);
  if (page == cancelDuring) static_cast<Monitor&>(monitor).cancelled = true;
  if (monitor.Cancelled()) return RecognitionStatus::Cancelled;
  if (failing.count(page)) return RecognitionStatus::Failed;
  auto it = textOf.find(page);
  text = it == textOf.end() ? std::u16string() : it->second;
  return RecognitionStatus::Done;
}

std::vector<PageSource> Sources(const DocumentText& d) {
  std::vector<PageSource> s;
  for (const PageText& p : d.pages) s.push_back(p.source);
  return s;
}

}  // namespace

TEST(DocumentText, PagesWithoutTextAreRecognisedInPageOrderAndTheOthersKeepTheirText) {
  FakePdf pdf;
  pdf.texts = {u"表紙のテキスト\r\n2024年度", u"", u"  \r\n", u"最終頁"};
  FakeRecognizer ocr;
  ocr.textOf = {{1, u"請求 書 の 支払 期限\n\nTotal amount  100 円\n"}, {2, u"二頁目"}};
  Monitor monitor;

  DocumentText d = BuildDocumentText(pdf, ocr, monitor);

  EXPECT_EQ(d.outcome, DocumentTextOutcome::Text);
  EXPECT_EQ(d.text,
            u"表紙のテキスト\r\n2024年度\r\n"
            u"請求書の支払期限\r\n\r\nTotal amount  100円\r\n"
            u"二頁目\r\n"
            u"最終頁");
  EXPECT_EQ(Sources(d), (std::vector<PageSource>{PageSource::TextLayer, PageSource::Recognised, PageSource::Recognised,
                                                 PageSource::TextLayer}));
  EXPECT_EQ(pdf.rendered, (std::vector<std::pair<int, int>>{{1, 300}, {2, 300}}));
  EXPECT_EQ(monitor.started, (std::vector<std::tuple<int, int, int>>{{1, 2, 1}, {2, 2, 2}}));
  EXPECT_EQ(monitor.finished.size(), 2u);
}

TEST(DocumentText, ADocumentWithTextOnEveryPageIsJoinedLikeTheViewersCopyWithoutRecognition) {
  FakePdf pdf;
  pdf.texts = {u"one\r\n", u"two", u"three"};
  FakeRecognizer ocr;
  Monitor monitor;
  DocumentText d = BuildDocumentText(pdf, ocr, monitor);
  EXPECT_EQ(d.outcome, DocumentTextOutcome::Text);
  EXPECT_EQ(d.text, u"one\r\n\r\ntwo\r\nthree");
  EXPECT_TRUE(ocr.read.empty());
  EXPECT_TRUE(pdf.rendered.empty());
  EXPECT_TRUE(monitor.started.empty());
}

TEST(DocumentText, APageThatCannotBeRenderedOrRecognisedCountsAsEmptyAndTheNextGoesOn) {
  FakePdf pdf;
  pdf.texts = {u"", u"", u"", u""};
  pdf.unrenderable = {0};
  FakeRecognizer ocr;
  ocr.failing = {1};
  ocr.textOf = {{2, u" \n \n"}, {3, u"found"}};
  Monitor monitor;
  DocumentText d = BuildDocumentText(pdf, ocr, monitor);
  EXPECT_EQ(d.outcome, DocumentTextOutcome::Text);
  EXPECT_EQ(d.text, u"\r\n\r\n\r\nfound");
  EXPECT_EQ(Sources(d), (std::vector<PageSource>{PageSource::RenderFailed, PageSource::RecognitionFailed,
                                                 PageSource::NothingRecognised, PageSource::Recognised}));
  EXPECT_EQ(ocr.read, (std::vector<int>{1, 2, 3}));

  ocr.textOf.erase(3);
  d = BuildDocumentText(pdf, ocr, monitor);
  EXPECT_EQ(d.outcome, DocumentTextOutcome::NothingFound);
  EXPECT_EQ(d.text, u"");

  pdf.texts.clear();  // no pages at all
  EXPECT_EQ(BuildDocumentText(pdf, ocr, monitor).outcome, DocumentTextOutcome::NothingFound);
}

TEST(DocumentText, ACancelStopsAtOnceAndGivesNoText) {
  FakePdf pdf;
  pdf.texts = {u"cover", u"", u"", u""};
  FakeRecognizer ocr;
  ocr.textOf = {{1, u"first"}, {2, u"second"}, {3, u"third"}};
  ocr.cancelDuring = 2;
  Monitor monitor;
  DocumentText d = BuildDocumentText(pdf, ocr, monitor);
  EXPECT_EQ(d.outcome, DocumentTextOutcome::Cancelled);
  EXPECT_EQ(d.text, u"");
  EXPECT_TRUE(d.pages.empty());
  EXPECT_EQ(ocr.read, (std::vector<int>{1, 2}));
  EXPECT_EQ(pdf.rendered.size(), 2u);  // page 3 never rendered

  // Cancelled before the first page: nothing is rendered or read.
  FakePdf pdf2;
  pdf2.texts = {u"", u""};
  FakeRecognizer ocr2;
  Monitor cancelled;
  cancelled.cancelled = true;
  EXPECT_EQ(BuildDocumentText(pdf2, ocr2, cancelled).outcome, DocumentTextOutcome::Cancelled);
  EXPECT_TRUE(pdf2.rendered.empty());
  EXPECT_TRUE(ocr2.read.empty());
}

TEST(DocumentText, TidyRemovesTheSpacesBetweenJapaneseCharactersOnly) {
  EXPECT_EQ(TidySpacing(u"これ は テスト です 。", Spacing::Recognised), u"これはテストです。");
  EXPECT_EQ(TidySpacing(u"ABC 社 の Windows 11 対応", Spacing::Recognised), u"ABC社のWindows 11対応");
  EXPECT_EQ(TidySpacing(u"The quick  brown fox", Spacing::Recognised), u"The quick  brown fox");
  EXPECT_EQ(TidySpacing(u"氏名　山田 太郎", Spacing::Recognised),
            u"氏名　山田太郎");  // an ideographic space is the text's own
  EXPECT_EQ(TidySpacing(u"\U00020BB7 野 家", Spacing::Recognised), u"\U00020BB7野家");  // beyond the BMP
  EXPECT_EQ(TidySpacing(u"ＡＢＣ ｶﾀｶﾅ", Spacing::Recognised), u"ＡＢＣｶﾀｶﾅ");           // full and half width forms
  EXPECT_EQ(TidySpacing(u"  字下げ の 行", Spacing::Recognised), u"  字下げの行");      // an indent stays
  // Line ends become CR LF; white space at line ends and blank lines at the end go.
  EXPECT_EQ(TidySpacing(u"a  \nb\r\n\r\nc\rd\n\n \n", Spacing::Recognised), u"a\r\nb\r\n\r\nc\r\nd");
  EXPECT_EQ(TidySpacing(u"\n\n", Spacing::Recognised), u"");
}

TEST(DocumentText, TheTextLayerIsFoundEverywherePartlyOrNowhere) {
  FakePdf pdf;
  pdf.texts = {u"a", u"b"};
  EXPECT_EQ(FindTextLayer(pdf), TextLayer::Everywhere);
  pdf.texts = {u"cover", u" \r\n"};
  EXPECT_EQ(FindTextLayer(pdf), TextLayer::Partly);
  pdf.texts = {u"", u"\r\n"};
  EXPECT_EQ(FindTextLayer(pdf), TextLayer::Nowhere);
  pdf.texts = {};
  EXPECT_EQ(FindTextLayer(pdf), TextLayer::Nowhere);
}

TEST(DocumentText, StepTextAndOpenFailureMessages) {
  EXPECT_EQ(RecognitionProgressText(3, 12), J("文字認識中 3/12 ページ"));
  EXPECT_EQ(PdfOpenFailureMessage(PdfOpenResult::Unreadable), Msg::FileOpenFailed);
  EXPECT_EQ(PdfOpenFailureMessage(PdfOpenResult::NotPdf), Msg::PdfNotPdf);
  EXPECT_EQ(PdfOpenFailureMessage(PdfOpenResult::Damaged), Msg::PdfDamaged);
  EXPECT_EQ(PdfOpenFailureMessage(PdfOpenResult::Encrypted), Msg::PdfEncrypted);
}

TEST(DocumentText, LineBreaksVanishBetweenJapaneseAndBecomeOneSpaceElsewhere) {
  EXPECT_EQ(JoinBrokenLines(u"東京\r\n都庁"), u"東京都庁");
  EXPECT_EQ(JoinBrokenLines(u"東京 \u3000\r\n\r\n  都庁、「引用」\n（注）"), u"東京都庁、「引用」（注）");
  EXPECT_EQ(JoinBrokenLines(u"ＰＤＦ\nｶﾀｶﾅ"), u"ＰＤＦｶﾀｶﾅ");  // full and half width forms are Japanese
  EXPECT_EQ(JoinBrokenLines(u"quick  \r\n  brown\tfox"), u"quick brown\tfox");
  EXPECT_EQ(JoinBrokenLines(u"東京\nTokyo\n駅"), u"東京 Tokyo 駅");  // mixed: one space
  EXPECT_EQ(JoinBrokenLines(u"exam-\r\nple"), u"exam- ple");         // a hyphen stays as it is
  EXPECT_EQ(JoinBrokenLines(u"\r\n 文 字 \r\n"), u"文 字");          // spaces inside a line are not its business
}

TEST(DocumentText, OnlyASpacedTextLayerLosesItsSpaces) {
  EXPECT_EQ(TidySpacing(u"美 学 や 社 会 学 の 本\r\n次 の 行", Spacing::Detect), u"美学や社会学の本\r\n次の行");
  // Ordinary spacing: names, a space after a full stop, words among Latin text.
  const std::u16string ordinary = u"著者は山田 太郎です。 次に鈴木 花子が述べた。\r\nPDF ファイルの Windows 版";
  EXPECT_EQ(TidySpacing(ordinary, Spacing::Detect), ordinary);
  EXPECT_EQ(TidySpacing(u"山田 太郎", Spacing::Detect), u"山田 太郎");
  EXPECT_EQ(TidySpacing(u"目 次", Spacing::Detect), u"目 次");  // one pair is too little to tell
}

TEST(DocumentText, PreparedBodyTextJoinsTheLinesTheEngineBroke) {
  // A spaced layer wrapped at a line end, with a decomposed voiced mark: found as one word.
  EXPECT_EQ(PrepareBodyText(u"デ \u30FC タ ベ \u30FC ス の\r\n設 計 と カ\u3099 イ ド\r\nof the PDF"),
            J("データベースの設計とガイド of the PDF"));
  EXPECT_EQ(PrepareBodyText(u"\uFB01nal caf\u00E9"), "final cafe");
}

// The pooled recognition: every page's result lands on its own page, whichever recognizer read
// it and in whatever order the pages finished.
namespace {

class PageNumberRecognizer : public TextRecognizer {
 public:
  explicit PageNumberRecognizer(const std::set<int>& failing) : failing_(failing) {}
  RecognizerCheck Check() override { return {RecognizerState::Ready, "fake"}; }
  RecognitionStatus Recognize(const PageImage& image, RecognitionMonitor& monitor, std::u16string& text) override {
    const int page = image.bytes.at(0);
    // Later pages finish sooner now and then, so the pages do not finish in page order.
    std::this_thread::sleep_for(std::chrono::microseconds((7 - page % 7) * 150));
    monitor.PageProgress(50);
    if (monitor.Cancelled()) return RecognitionStatus::Cancelled;
    if (failing_.count(page)) return RecognitionStatus::Failed;
    text = page % 5 == 0 ? u" " : u"頁 " + std::u16string(1, static_cast<char16_t>(u'0' + page % 10)) + u" 本文";
    return RecognitionStatus::Done;
  }

 private:
  const std::set<int>& failing_;
};

// A recognizer that reads until it is cancelled, counting how many read at once.
class EndlessRecognizer : public TextRecognizer {
 public:
  explicit EndlessRecognizer(std::atomic<int>& reading) : reading_(reading) {}
  RecognizerCheck Check() override { return {RecognizerState::Ready, "fake"}; }
  RecognitionStatus Recognize(const PageImage&, RecognitionMonitor& monitor, std::u16string&) override {
    ++reading_;
    while (!monitor.Cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    --reading_;
    return RecognitionStatus::Cancelled;
  }

 private:
  std::atomic<int>& reading_;
};

}  // namespace

TEST(DocumentText, ThePooledRecognitionGivesTheSerialResultForAnyMixOfPages) {
  std::mt19937 random(7);
  for (int round = 0; round < 30; ++round) {
    FakePdf pdf;
    std::set<int> failing;
    const int pages = 1 + static_cast<int>(random() % 12);
    for (int page = 0; page < pages; ++page) {
      const unsigned kind = random() % 5;
      pdf.texts.push_back(kind == 0 ? u"本文のある頁" : u"");
      if (kind == 1) pdf.unrenderable.insert(page);
      if (kind == 2) failing.insert(page);
    }
    PageNumberRecognizer serialRecognizer(failing);
    Monitor serialMonitor;
    const DocumentText serial = BuildDocumentText(pdf, serialRecognizer, serialMonitor);

    RecognizerPool pool([&failing] { return std::make_unique<PageNumberRecognizer>(failing); }, 1 + round % 4);
    Monitor monitor;
    const DocumentText pooled = BuildDocumentText(pdf, pool, monitor);
    EXPECT_EQ(pooled.outcome, serial.outcome);
    EXPECT_TRUE(pooled.text == serial.text) << round;
    EXPECT_EQ(Sources(pooled), Sources(serial)) << round;
    // Each page without text reported once, the counts of the pages finished going 1, 2, ...
    std::multiset<int> reported, expected;
    for (const auto& [page, source] : monitor.finished) reported.insert(page);
    for (const auto& [page, source] : serialMonitor.finished) expected.insert(page);
    EXPECT_EQ(reported, expected);
    for (const auto& [index, count, page] : monitor.started) EXPECT_TRUE(index >= 1 && index <= count);
    EXPECT_LE(pool.Made(), pool.Size());
  }
}

TEST(DocumentText, ACancelStopsEveryPageBeingReadOnThePool) {
  FakePdf pdf;
  pdf.texts.assign(6, u"");
  std::atomic<int> reading{0};
  RecognizerPool pool([&reading] { return std::make_unique<EndlessRecognizer>(reading); }, 2);
  // The user cancels once both recognizers are reading.
  class CancelWhenBothRead : public DocumentTextMonitor {
   public:
    explicit CancelWhenBothRead(std::atomic<int>& reading) : reading_(reading) {}
    bool Cancelled() override { return cancelled_ = cancelled_ || reading_ == 2; }
    std::atomic<int>& reading_;
    bool cancelled_ = false;
  } monitor(reading);
  const DocumentText d = BuildDocumentText(pdf, pool, monitor);
  EXPECT_EQ(d.outcome, DocumentTextOutcome::Cancelled);
  EXPECT_TRUE(d.text.empty() && d.pages.empty());
  EXPECT_EQ(pool.Made(), 2);
  EXPECT_EQ(reading, 0);  // none is still reading
  // The pages after the two being read were never rendered.
  EXPECT_EQ(pdf.rendered.size(), 2u);
}

TEST(DocumentText, APageWhoseRecognizerThrowsFailsAloneOnThePool) {
  // A page read on a thread of its own: an engine out of memory there fails that page, where it
  // would otherwise end the program.
  class Throwing : public TextRecognizer {
    RecognizerCheck Check() override { return {RecognizerState::Ready, "fake"}; }
    RecognitionStatus Recognize(const PageImage& image, RecognitionMonitor&, std::u16string& text) override {
      if (image.bytes.at(0) == 1) throw std::bad_alloc();
      text = u"本文";
      return RecognitionStatus::Done;
    }
  };
  FakePdf pdf;
  pdf.texts.assign(3, u"");
  RecognizerPool pool([] { return std::make_unique<Throwing>(); }, 2);
  Monitor monitor;
  const DocumentText d = BuildDocumentText(pdf, pool, monitor);
  ASSERT_EQ(d.outcome, DocumentTextOutcome::Text);
  EXPECT_TRUE(d.text == u"本文\r\n\r\n本文");
  EXPECT_EQ(d.pages.at(1).source, PageSource::RecognitionFailed);
  EXPECT_EQ(pool.Made(), 2);
}
