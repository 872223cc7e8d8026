// The import pipeline on fakes of the HTML area, the viewer and the downloader: what a drop, a
// link and "PDF 取得" store, and every way they stop.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"
#include "html/PercentText.h"
#include "import/Import.h"
#include "store/Digest.h"
#include "support/FakePdf.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

using test::J;

const std::string kPdf = "%PDF-1.4\n1 0 obj << /Title (Annual Report) /Author (Yamada) >> endobj\n%%EOF\n";

class ImportTest : public ::testing::Test {
 protected:
  test::StoreFixture fx;
  test::FixedClock clock;
  test::RecordingProgress progress;
  ListRows list;
  test::FakeHtmlArea html;
  test::FakeViewer viewer;
  test::FakeDownloader downloader;
  int fits = 0;
  Importer importer{ImportPorts{fx.store, fx.settings, fx.prompter, progress, clock, list, html, viewer, downloader,
                                [this] { ++fits; }}};
  test::TempDir outside;

  void SetUp() override {
    // The viewer pane: found by its marker, it copies the document's text at once.
    viewer.copyingWindow = viewer.root.Add("HtmlStack")->Add("(ADOBE)");
    viewer.copyDelay = 0;
    viewer.documentText = J("第一頁の本文\r\n二頁目は　澤田の--報告");
  }
  std::string PutPdf(const std::string& name, const std::string& bytes = kPdf) {
    const std::string path = outside.File(name);
    EXPECT_TRUE(WriteFileAtomic(path, bytes));
    return path;
  }
  IndexRecord Stored(const std::string& serial) {
    EXPECT_TRUE(fx.store.ReadRecordFile(serial, false));
    return fx.store.WorkingRecord();
  }
  std::string CopyOf(const std::string& serial) {
    std::string bytes;
    ReadFileBytes(fx.store.RecordFilePath(serial, kKindPdf), bytes);
    return bytes;
  }
  void Drop(const std::string& path, Answer answer) {
    importer.ImportDroppedFile({NativePath(path)}, [answer] { return answer; });
    while (importer.Waiting()) importer.Tick();
  }
};

TEST_F(ImportTest, ADroppedPdfCopiedIntoTheStoreBecomesASelectedRow) {
  fx.settings.SetText(setting::SerialCounter, "00000007");
  const std::string path = PutPdf("report.pdf");
  list.AppendRow({"1", "00000001"}, true);  // a row selected before: the new row is the only one
  Drop(path, Answer::Yes);

  IndexRecord r = Stored("00000007");
  EXPECT_EQ(r[FieldTag::PT], "Annual Report");
  EXPECT_EQ(r[FieldTag::PA], "Yamada");
  EXPECT_EQ(r[FieldTag::TY], "I");
  EXPECT_EQ(r[FieldTag::FN], "report.pdf");
  EXPECT_EQ(r[FieldTag::FG], path);
  EXPECT_EQ(r[FieldTag::FS], std::to_string(kPdf.size()));
  EXPECT_EQ(r[FieldTag::FA], FormatLocalTime(clock.Now(), "%Y/%m/%d %H:%M"));
  EXPECT_EQ(r[FieldTag::FC].size(), 19u);
  EXPECT_EQ(r[FieldTag::Y2], FileDigestHexNative(path));
  EXPECT_EQ(r[FieldTag::Y2].size(), 64u);
  EXPECT_EQ(r[FieldTag::TX], NormalizeBodyText(viewer.documentText));
  EXPECT_EQ(r[FieldTag::TS], std::to_string(r[FieldTag::TX].size()));
  EXPECT_EQ(CopyOf("00000007"), kPdf);
  // The work text holds the captured text; the HTML area was sent to the file.
  std::string work;
  ReadFileBytes(fx.store.WorkTextPath(), work);
  EXPECT_EQ(work, viewer.documentText);
  EXPECT_EQ(html.navigated, std::vector<std::string>{path});
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_FALSE(list.IsSelected(0));
  EXPECT_TRUE(list.IsSelected(1));
  EXPECT_EQ(list.Cell(1, ListColumn::SerialNo), "00000007");
  EXPECT_EQ(list.Cell(1, ListColumn::Status), kMarkAvailable);
  EXPECT_EQ(fx.settings.GetText(setting::SerialCounter), "00000008");
  EXPECT_EQ(fits, 1);
  EXPECT_TRUE(fx.prompter.shown.empty());
}

TEST_F(ImportTest, ACounterBehindTheRecordsNeverReplacesOne) {
  // A counter restored from an old settings file names serial 1, but records 0..4 exist.
  IndexRecord existing;
  existing[FieldTag::PT] = "kept";
  for (int i = 0; i < 5; ++i) fx.PutRecord(FormatSerial(i), existing);
  fx.settings.SetText(setting::SerialCounter, "00000001");
  Drop(PutPdf("new.pdf"), Answer::Yes);
  EXPECT_EQ(Stored("00000001")[FieldTag::PT], "kept");
  EXPECT_EQ(Stored("00000005")[FieldTag::FN], "new.pdf");
  EXPECT_EQ(CopyOf("00000005"), kPdf);
  EXPECT_EQ(list.Cell(0, ListColumn::SerialNo), "00000005");
  EXPECT_EQ(fx.settings.GetText(setting::SerialCounter), "00000006");
}

TEST_F(ImportTest, TheAnswerDecidesCopyOrOutsideLinkAndTheStoredAnswerSkipsTheQuestion) {
  const std::string path = PutPdf("REPORT.Pdf");
  Drop(path, Answer::No);
  EXPECT_EQ(Stored("00000000")[FieldTag::TY], "O");
  EXPECT_FALSE(PathExists(fx.store.RecordFilePath("00000000", kKindPdf)));
  EXPECT_EQ(list.Cell(0, ListColumn::Status), kMarkAvailable);

  // Cancel stores nothing.
  Drop(path, Answer::Cancel);
  EXPECT_EQ(fx.settings.GetText(setting::SerialCounter), "00000001");

  // The box ticked: the answer is kept and nothing is asked any more.
  ApplyLinkAnswer(Answer::Yes, true, fx.settings);
  EXPECT_EQ(fx.settings.GetInt(setting::Ques), 0);
  EXPECT_EQ(fx.settings.GetText(setting::Link), "I");
  importer.ImportDroppedFile({NativePath(path)}, [] {
    ADD_FAILURE() << "asked although Ques is 0";
    return Answer::Cancel;
  });
  while (importer.Waiting()) importer.Tick();
  EXPECT_EQ(Stored("00000001")[FieldTag::TY], "I");
  // An answer without the box keeps asking but remembers the last answer.
  fx.settings.SetInt(setting::Ques, 1);
  ApplyLinkAnswer(Answer::No, false, fx.settings);
  EXPECT_EQ(fx.settings.GetInt(setting::Ques), 1);
  EXPECT_EQ(fx.settings.GetText(setting::Link), "O");
}

TEST_F(ImportTest, DropsThatAreNotOneAbsolutePdfAreRefusedOrIgnored) {
  const std::string a = PutPdf("a.pdf");
  const std::string b = PutPdf("b.pdf");
  importer.ImportDroppedFile({NativePath(a), NativePath(b)}, [] { return Answer::Yes; });
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::DropOneFileOnly));
  EXPECT_FALSE(importer.Waiting());
  fx.prompter.shown.clear();
  importer.ImportDroppedFile({NativePath(PutPdf("report.txt"))}, [] { return Answer::Yes; });
  importer.ImportDroppedFile({NativePath("relative/a.pdf")}, [] { return Answer::Yes; });
  EXPECT_FALSE(importer.Waiting());
  EXPECT_TRUE(fx.prompter.shown.empty());
  EXPECT_TRUE(html.navigated.empty());
}

TEST_F(ImportTest, TheTimedImportWaitsForTheDocumentAtMostTwentyOneTicks) {
  html.loadsAtOnce = false;
  importer.ImportDroppedFile({NativePath(PutPdf("slow.pdf"))}, [] { return Answer::Yes; });
  int ticks = 0;
  while (importer.Waiting()) {
    importer.Tick();
    ++ticks;
  }
  EXPECT_EQ(ticks, 21);
  EXPECT_EQ(list.RowCount(), 1);

  // A second drop while waiting replaces the first: only the second is imported.
  importer.ImportDroppedFile({NativePath(PutPdf("first.pdf"))}, [] { return Answer::Yes; });
  importer.Tick();
  importer.ImportDroppedFile({NativePath(PutPdf("second.pdf"))}, [] { return Answer::Yes; });
  html.SetDocumentLoaded(true);
  importer.Tick();
  EXPECT_FALSE(importer.Waiting());
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(Stored("00000001")[FieldTag::FN], "second.pdf");
  EXPECT_EQ(fx.settings.GetText(setting::SerialCounter), "00000002");
}

TEST_F(ImportTest, AFailedCaptureAsksWhetherToStoreWithoutText) {
  viewer.documentText = "";  // the viewer copies nothing
  fx.prompter.answers = {Answer::No};
  Drop(PutPdf("images.pdf"), Answer::Yes);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::ContinueWithoutTextQuestion));
  EXPECT_EQ(list.RowCount(), 0);
  // The serial was reserved before the copy: it stays a gap, and the copy without its record
  // is taken away again.
  EXPECT_EQ(fx.settings.GetText(setting::SerialCounter), "00000001");
  EXPECT_EQ(CopyOf("00000000"), "");
  fx.prompter.answers = {Answer::Yes};
  Drop(PutPdf("images.pdf", kPdf + "%2"), Answer::Yes);
  IndexRecord r = Stored("00000001");
  EXPECT_EQ(r[FieldTag::TX], "");
  EXPECT_EQ(r[FieldTag::TS], "0");
  EXPECT_EQ(CopyOf("00000001"), kPdf + "%2");
  EXPECT_EQ(fx.settings.GetText(setting::SerialCounter), "00000002");
}

TEST_F(ImportTest, ANameWithNothingBeforeTheExtensionStopsAfterTheCopy) {
  Drop(PutPdf(".pdf"), Answer::Yes);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(CopyOf("00000000"), "");  // no copy without its record
  EXPECT_FALSE(PathExists(fx.store.RecordFilePath("00000000", kKindText)));
  EXPECT_EQ(fx.settings.GetText(setting::SerialCounter), "00000001");
  EXPECT_TRUE(fx.prompter.shown.empty());
}

TEST_F(ImportTest, APathWithoutACp932FormIsAlwaysCopied) {
  std::filesystem::create_directories(outside.File("caf\xC3\xA9"));  // café
  const std::string path = PutPdf("caf\xC3\xA9/a.pdf");
  EXPECT_FALSE(HasExactCp932Form(NativePath(path)));
  EXPECT_TRUE(HasExactCp932Form(NativePath(outside.File("\xE8\xB3\x87\xE6\x96\x99.pdf"))));  // 資料.pdf
  Drop(path, Answer::No);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::OutsideLinkImpossible));
  EXPECT_EQ(Stored("00000000")[FieldTag::TY], "I");
  EXPECT_EQ(CopyOf("00000000"), kPdf);
}

TEST_F(ImportTest, ALinkIsDownloadedCopiedAndTheAreaGoesBack) {
  const std::string address = "http://127.0.0.1/docs/%E8%B3%87%E6%96%99.pdf";
  downloader.answers[address] = kPdf;
  importer.ImportFromUrl(address);
  while (importer.Waiting()) importer.Tick();
  IndexRecord r = Stored("00000000");
  EXPECT_EQ(r[FieldTag::TY], "I");
  EXPECT_EQ(r[FieldTag::FG], address);
  EXPECT_EQ(r[FieldTag::FN], J("資料.pdf"));
  EXPECT_EQ(r[FieldTag::PT], "Annual Report");
  EXPECT_EQ(CopyOf("00000000"), kPdf);
  EXPECT_EQ(html.navigated, std::vector<std::string>{address});
  EXPECT_EQ(html.goneBack, 1);

  // A failed download and a web page instead of the PDF: 30076, nothing stored.
  importer.ImportFromUrl("http://127.0.0.1/missing.pdf");
  downloader.answers["http://127.0.0.1/error.pdf"] = "<html>not found</html>";
  importer.ImportFromUrl("http://127.0.0.1/error.pdf");
  EXPECT_FALSE(importer.Waiting());
  EXPECT_EQ(fx.prompter.shown.size(), 2u);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::DownloadFailed));
  EXPECT_EQ(list.RowCount(), 1);
}

TEST_F(ImportTest, AStoredDocumentAgainAsksNamingItsRecordAndNoStoresNothing) {
  IndexRecord other;
  other[FieldTag::PT] = "other";
  other[FieldTag::Y2] = std::string(64, 'A');
  fx.PutRecord("00000000", other);
  fx.settings.SetText(setting::SerialCounter, "00000001");
  const std::string path = PutPdf("report.pdf");
  Drop(path, Answer::Yes);
  ASSERT_EQ(Stored("00000001")[FieldTag::PT], "Annual Report");
  EXPECT_TRUE(fx.prompter.shown.empty());  // a new document: no question

  // The same bytes dropped under another name, and as a link: asked, いいえ, nothing written.
  const std::string address = "http://127.0.0.1/again.pdf";
  downloader.answers[address] = kPdf;
  fx.prompter.answers = {Answer::No, Answer::No};
  Drop(PutPdf("copy of report.pdf"), Answer::Yes);
  importer.ImportFromUrl(address);
  while (importer.Waiting()) importer.Tick();
  ASSERT_EQ(fx.prompter.shown.size(), 2u);
  for (const auto& shown : fx.prompter.shown) {
    EXPECT_EQ(shown.kind, MessageKind::YesNoSafe);
    EXPECT_EQ(
        Cp932ToUtf8(shown.text),
        "この文書は既に登録されています\nシリアル番号 00000001「Annual Report」\n\n同じ文書をもう一件登録しますか");
  }
  EXPECT_EQ(fx.settings.GetText(setting::SerialCounter), "00000002");
  EXPECT_EQ(list.RowCount(), 1);
  // はい stores it again.
  fx.prompter.answers = {Answer::Yes};
  Drop(path, Answer::Yes);
  EXPECT_EQ(Stored("00000002")[FieldTag::Y2], FileDigestHexNative(path));
}

TEST_F(ImportTest, TheShownPdfIsFetchedWithItsLastModifiedTime) {
  const std::string address = "http://127.0.0.1/shown/annual.pdf";
  downloader.answers[address] = kPdf;
  html.navigated = {address};
  html.pageType = "HTML";
  EXPECT_FALSE(importer.ImportShownPdf());
  EXPECT_TRUE(downloader.fetched.empty());
  html.pageType = "PDF";
  html.lastModified = "12/01/2010 10:20:30";
  ASSERT_TRUE(importer.ImportShownPdf());
  IndexRecord r = Stored("00000000");
  EXPECT_EQ(r[FieldTag::FC], "2010/12/01 10:20:30");
  EXPECT_EQ(r[FieldTag::FG], address);
  EXPECT_EQ(r[FieldTag::FN], "annual.pdf");
  EXPECT_EQ(r[FieldTag::TY], "I");
  EXPECT_EQ(RearrangeLastModified("Wed, 01 Dec 2010"), "Wed, 01 Dec 2010");
}

TEST_F(ImportTest, OnlyTheWebIsDownloadedAShownLocalFileGoesThroughTheFileChecks) {
  html.pageType = "PDF";
  // A local PDF the area shows is that file, read where it is; nothing is downloaded.
  const std::string local = PutPdf("local report.pdf");
  const std::string address = "file://" + EncodeAddressBytes(local);
  html.navigated = {address};
  ASSERT_TRUE(importer.ImportShownPdf());
  EXPECT_EQ(CopyOf("00000000"), kPdf);
  EXPECT_EQ(Stored("00000000")[FieldTag::FG], address);
  // A FIFO or a device behind a file address is refused without being opened for reading; another
  // scheme is never handed to the downloader.
  const std::string fifo = outside.File("pipe.pdf");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& refused : {"file://" + fifo, std::string("file:///dev/zero"), std::string("ftp://h/a.pdf"),
                                     std::string("FILE://otherhost/a.pdf")}) {
    fx.store.WorkingRecord().Clear();
    html.navigated = {refused};
    EXPECT_FALSE(importer.ImportShownPdf()) << refused;
  }
  EXPECT_TRUE(downloader.fetched.empty());
  EXPECT_EQ(fx.store.ReadSerialCounter(), "00000001");
  EXPECT_TRUE(IsHttpAddress("HTTPS://a/b.pdf"));
  EXPECT_FALSE(IsHttpAddress("httpx://a/b.pdf"));
}

// The recognition of pages without text, over a faked engine and recognizer.
class FakeRecognizer : public TextRecognizer {
 public:
  std::u16string text;  // what every page reads as
  int calls = 0;
  RecognizerCheck Check() override { return {RecognizerState::Ready, "fake"}; }
  RecognitionStatus Recognize(const PageImage&, RecognitionMonitor&, std::u16string& out) override {
    ++calls;
    out = text;
    return RecognitionStatus::Done;
  }
};

// The pool's recognizer, reading as the test's.
class SharedRecognizer : public TextRecognizer {
 public:
  explicit SharedRecognizer(TextRecognizer& to) : to_(to) {}
  RecognizerCheck Check() override { return to_.Check(); }
  RecognitionStatus Recognize(const PageImage& page, RecognitionMonitor& monitor, std::u16string& out) override {
    return to_.Recognize(page, monitor, out);
  }

 private:
  TextRecognizer& to_;
};

class RecognitionImportTest : public ImportTest {
 protected:
  test::FakePdf pdf;
  FakeRecognizer ocr;
  RecognizerPool recognizers{[this] { return std::make_unique<SharedRecognizer>(ocr); }, 1};
  void SetUp() override {
    ImportTest::SetUp();
    ImportPorts ports{fx.store, fx.settings, fx.prompter, progress, clock, list, html, viewer, downloader, {}};
    ports.pdf = &pdf;
    ports.recognizers = &recognizers;
    recognising = std::make_unique<Importer>(std::move(ports));
    recognising->SetCaptureTiming({3, 0});
    fx.settings.SetInt(setting::Ocr, 1);
    ocr.text = u"請求書の\n支払期限";
  }
  std::unique_ptr<Importer> recognising;
  IndexRecord DropAndStore(const std::string& name) {
    recognising->ImportDroppedFile({NativePath(PutPdf(name))}, [] { return Answer::Yes; });
    while (recognising->Waiting()) recognising->Tick();
    return Stored("00000000");
  }
};

TEST_F(RecognitionImportTest, AFileTheEngineCannotOpenIsRefusedBeforeAnythingIsWritten) {
  // A truncated PDF the engine finds damaged, dropped, dropped as a link and fetched as the shown
  // PDF: each says 31122 and stores nothing; no copy question is asked.
  pdf.openResult = PdfOpenResult::Damaged;
  const std::string truncated = kPdf.substr(0, 30);
  const std::string counter = fx.store.ReadSerialCounter();
  int asked = 0;
  recognising->ImportDroppedFile({NativePath(PutPdf("cut.pdf", truncated))}, [&asked] {
    ++asked;
    return Answer::Yes;
  });
  const std::string address = "http://127.0.0.1/cut.pdf";
  downloader.answers[address] = truncated;
  recognising->ImportFromUrl(address);
  html.navigated = {address};
  html.pageType = "PDF";
  EXPECT_FALSE(recognising->ImportShownPdf());
  while (recognising->Waiting()) recognising->Tick();
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(fx.prompter.shown.size(), 3u);
  for (const auto& shown : fx.prompter.shown)
    EXPECT_TRUE(std::string_view(shown.text).ends_with(MessageText(Msg::PdfDamaged))) << Cp932ToUtf8(shown.text);
  EXPECT_FALSE(fx.store.ReadRecordFile("00000000", true));
  EXPECT_FALSE(std::filesystem::exists(fx.store.RecordFilePath("00000000", kKindPdf).str()));
  EXPECT_EQ(fx.store.ReadSerialCounter(), counter);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(html.navigated, std::vector<std::string>{address});  // the viewer was never sent to them
}

TEST_F(RecognitionImportTest, ADocumentWithoutATitleTakesItsFirstPagesHeadingUnlessTurnedOff) {
  pdf.texts = {u"本文"};
  pdf.heading = u" 年次報告書 ";
  const std::string untitled = "%PDF-1.4\n1 0 obj << /Author (Yamada) >> endobj\n%%EOF\n";
  recognising->ImportDroppedFile({NativePath(PutPdf("untitled.pdf", untitled))}, [] { return Answer::Yes; });
  while (recognising->Waiting()) recognising->Tick();
  EXPECT_EQ(Stored("00000000")[FieldTag::PT], J("年次報告書"));
  // A link to a document without text on its first page: the name the link gives.
  pdf.heading.clear();
  const std::string address = "http://127.0.0.1/docs/%E8%B3%87%E6%96%99.pdf";
  downloader.answers[address] = untitled;
  recognising->ImportFromUrl(address);
  while (recognising->Waiting()) recognising->Tick();
  EXPECT_EQ(Stored("00000001")[FieldTag::PT], J("資料"));
  fx.settings.SetInt(setting::AutoTitle, 0);
  pdf.heading = u"年次報告書";
  recognising->ImportDroppedFile({NativePath(PutPdf("again.pdf", untitled))}, [] { return Answer::Yes; });
  while (recognising->Waiting()) recognising->Tick();
  EXPECT_EQ(Stored("00000002")[FieldTag::PT], "");
  EXPECT_EQ(Stored("00000002")[FieldTag::PA], "Yamada");
}

TEST_F(RecognitionImportTest, APictureOnlyPdfIsRecognisedWithoutWaitingForTheViewer) {
  pdf.texts = {u"", u" \r\n"};
  const IndexRecord r = DropAndStore("scan.pdf");
  EXPECT_EQ(ocr.calls, 2);
  // Line ends between Japanese characters vanish: a word wrapped at one is found whole.
  EXPECT_EQ(Cp932ToUtf8(r[FieldTag::TX]), "請求書の支払期限請求書の支払期限");
  EXPECT_EQ(r[FieldTag::TS], std::to_string(r[FieldTag::TX].size()));
  EXPECT_TRUE(viewer.events.empty());  // no capture was tried
  EXPECT_TRUE(fx.prompter.shown.empty());
  EXPECT_FALSE(pdf.isOpen);
  std::string work;
  ReadFileBytes(fx.store.WorkTextPath(), work);
  EXPECT_EQ(Cp932ToUtf8(work), "請求書の支払期限請求書の支払期限");
}

TEST_F(RecognitionImportTest, AMixedPdfKeepsItsTextPagesAndRecognisesTheOthersInPageOrder) {
  pdf.texts = {u"表紙", u"", u"裏表紙"};
  const IndexRecord r = DropAndStore("mixed.pdf");
  EXPECT_EQ(ocr.calls, 1);
  EXPECT_EQ(Cp932ToUtf8(r[FieldTag::TX]), "表紙請求書の支払期限裏表紙");
  EXPECT_TRUE(viewer.events.empty());
}

TEST_F(RecognitionImportTest, AViewerThatNeverCopiesGivesWayToTheEnginesTextWithout30009) {
  pdf.texts = {u"エンジンの本文"};
  viewer.copyingWindow = nullptr;  // the sentinel stays on the clipboard
  const IndexRecord r = DropAndStore("text.pdf");
  EXPECT_FALSE(viewer.events.empty());  // the capture ran first
  EXPECT_EQ(Cp932ToUtf8(r[FieldTag::TX]), "エンジンの本文");
  EXPECT_EQ(ocr.calls, 0);
  EXPECT_TRUE(fx.prompter.shown.empty());
}

TEST_F(RecognitionImportTest, NothingRecognisedFallsBackTo30009And30039) {
  pdf.texts = {u""};
  ocr.text.clear();
  fx.prompter.answers = {Answer::Yes};
  const IndexRecord r = DropAndStore("blank.pdf");
  EXPECT_EQ(ocr.calls, 1);
  ASSERT_EQ(fx.prompter.shown.size(), 2u);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::ViewerTextUnavailable));
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::ContinueWithoutTextQuestion));
  EXPECT_EQ(r[FieldTag::TX], "");
  EXPECT_EQ(r[FieldTag::TS], "0");
}

TEST_F(RecognitionImportTest, ACancelledRecognitionAsks30039) {
  pdf.texts = {u""};
  ImportPorts ports{fx.store, fx.settings, fx.prompter, progress, clock, list, html, viewer, downloader, {}};
  ports.pdf = &pdf;
  ports.recognizers = &recognizers;
  ports.recognize = [](PdfEngine&, RecognizerPool&) { return DocumentText{DocumentTextOutcome::Cancelled, {}, {}}; };
  recognising = std::make_unique<Importer>(std::move(ports));
  fx.prompter.answers = {Answer::No};
  recognising->ImportDroppedFile({NativePath(PutPdf("scan.pdf"))}, [] { return Answer::Yes; });
  while (recognising->Waiting()) recognising->Tick();
  ASSERT_EQ(fx.prompter.shown.size(), 1u);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::ContinueWithoutTextQuestion));
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(fx.settings.GetText(setting::SerialCounter), "00000001");  // a gap, reserved before the copy
}

TEST_F(RecognitionImportTest, WithTheSettingOffTheRecognizerIsNeverAskedAnd30009IsAsBefore) {
  fx.settings.SetInt(setting::Ocr, 0);
  pdf.texts = {u""};
  viewer.copyingWindow = nullptr;
  fx.prompter.answers = {Answer::Cancel, Answer::Yes};
  const IndexRecord r = DropAndStore("scan.pdf");
  EXPECT_EQ(ocr.calls, 0);
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::ViewerTextUnavailable));
  EXPECT_TRUE(fx.prompter.ShowedMessage(Msg::ContinueWithoutTextQuestion));
  EXPECT_EQ(r[FieldTag::TS], "0");
}

TEST_F(RecognitionImportTest, MetadataTheScanCannotSeeComesFromTheEngineOnlyWhenItFindsNoName) {
  pdf.texts = {u"本文"};
  pdf.meta.title = u"年度報告書";
  pdf.meta.created = PdfDateTime{2010, 12, 1, 10, 20, 30};
  // The information dictionary sits in a compressed object stream: no name in the raw bytes.
  recognising->ImportDroppedFile(
      {NativePath(PutPdf("compressed.pdf", "%PDF-1.5\n%\xE2\xE3\n1 0 obj\n<< /Length 3 >>\n%%EOF\n"))},
      [] { return Answer::Yes; });
  while (recognising->Waiting()) recognising->Tick();
  IndexRecord r = Stored("00000000");
  EXPECT_EQ(Cp932ToUtf8(r[FieldTag::PT]), "年度報告書");
  EXPECT_EQ(r[FieldTag::PC], "2010.12.01 10:20:30");
  EXPECT_EQ(r[FieldTag::PM], "");

  // kPdf names its title and author: the scan's result stands, the engine's title is not taken.
  recognising->ImportDroppedFile({NativePath(PutPdf("named.pdf"))}, [] { return Answer::Yes; });
  while (recognising->Waiting()) recognising->Tick();
  r = Stored("00000001");
  EXPECT_EQ(r[FieldTag::PT], "Annual Report");
  EXPECT_EQ(r[FieldTag::PC], "");
}

TEST_F(ImportTest, AShownPdfAtAScriptAddressIsNamedByTheKeptFileName) {
  // A download script answered with a PDF: the area keeps "get.pdf" beside the address.
  const std::string address = "http://127.0.0.1/dl/get?id=5";
  downloader.answers[address] = kPdf;
  html.navigated = {address};
  html.pageType = "PDF";
  html.shownFileName = "get.pdf";
  ASSERT_TRUE(importer.ImportShownPdf());
  IndexRecord r = Stored("00000000");
  EXPECT_EQ(r[FieldTag::FN], "get.pdf");
  EXPECT_EQ(r[FieldTag::FG], address);  // the address it came from
  EXPECT_EQ(r[FieldTag::TX], NormalizeBodyText(viewer.documentText));
  EXPECT_EQ(downloader.fetched.back(), address);
}

}  // namespace
}  // namespace folidex
