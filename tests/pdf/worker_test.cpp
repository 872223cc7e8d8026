// The engine in worker processes: the protocol's frames, and the pool over a worker with a
// scripted engine (fake_worker) that loops, hogs memory, crashes or dies mid-reply.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/FileSystem.h"
#include "import/BulkImport.h"
#include "pdf/WorkerEngine.h"
#include "pdf/WorkerProtocol.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

TEST(WorkerProtocol, EveryRequestAndReplyRoundTripsAndACutOrPaddedOneIsRefused) {
  const std::vector<WorkerRequest> requests = {{WorkerOp::Open, "/tmp/\xE8\xB3\x87 a.pdf", 0, 0},
                                               {WorkerOp::Close, {}, 0, 0},
                                               {WorkerOp::PageCount, {}, 0, 0},
                                               {WorkerOp::PageText, {}, 7, 0},
                                               {WorkerOp::MetaData, {}, 0, 0},
                                               {WorkerOp::Render, {}, 3, 300, 17'500'000},
                                               {WorkerOp::PageHeading, {}, 0, 0}};
  for (const WorkerRequest& request : requests) {
    const std::string payload = EncodeRequest(request);
    WorkerRequest back;
    ASSERT_TRUE(DecodeRequest(payload, back));
    EXPECT_EQ(back, request);
    for (std::size_t cut = 0; cut < payload.size(); ++cut) EXPECT_FALSE(DecodeRequest(payload.substr(0, cut), back));
    EXPECT_FALSE(DecodeRequest(payload + "x", back));
  }
  WorkerReply meta;
  meta.op = WorkerOp::MetaData;
  meta.meta = {u"題名", u"著者", u"", u"鍵", PdfDateTime{2010, 12, 1, 10, 20, 30}, std::nullopt};
  WorkerReply image;
  image.op = WorkerOp::Render;
  image.rendered = true;
  image.image = PageImage{3, 2, 4, 300, {1, 2, 3, 0, 4, 5, 6, 0}};
  WorkerReply text;
  text.op = WorkerOp::PageText;
  text.text = u"一頁\r\nline";
  WorkerReply heading;
  heading.op = WorkerOp::PageHeading;
  heading.text = u"年次報告書";
  for (const WorkerReply& reply : {meta, image, text, heading}) {
    const std::string frame = EncodeFrame(EncodeReply(reply));
    // A reply arriving in pieces is taken whole only once its last byte is there.
    std::string buffer, payload;
    for (std::size_t k = 0; k + 1 < frame.size(); ++k) {
      buffer += frame[k];
      ASSERT_EQ(TakeFrame(buffer, payload), FrameStatus::Incomplete);
    }
    buffer += frame.back();
    ASSERT_EQ(TakeFrame(buffer, payload), FrameStatus::Complete);
    EXPECT_TRUE(buffer.empty());
    WorkerReply back;
    ASSERT_TRUE(DecodeReply(payload, back));
    EXPECT_EQ(back.meta.title, reply.meta.title);
    EXPECT_EQ(back.meta.created, reply.meta.created);
    EXPECT_EQ(back.meta.modified, reply.meta.modified);
    EXPECT_EQ(back.text, reply.text);
    EXPECT_EQ(back.image.bytes, reply.image.bytes);
    EXPECT_EQ(back.image.bytesPerLine, reply.image.bytesPerLine);
    for (std::size_t cut = 0; cut < payload.size(); ++cut) EXPECT_FALSE(DecodeReply(payload.substr(0, cut), back));
  }
  // Two frames come in one read: each is taken in turn, the second one as it was sent.
  {
    std::string buffer = EncodeFrame(EncodeReply(text)) + EncodeFrame(EncodeReply(image)), payload;
    ASSERT_EQ(TakeFrame(buffer, payload), FrameStatus::Complete);
    ASSERT_EQ(TakeFrame(buffer, payload), FrameStatus::Complete);
    EXPECT_TRUE(buffer.empty());
    WorkerReply back;
    ASSERT_TRUE(DecodeReply(payload, back));
    EXPECT_EQ(back.image.bytes, image.image.bytes);
    EXPECT_EQ(TakeFrame(buffer, payload), FrameStatus::Incomplete);
  }
  // An image whose bytes do not fill its rows, and a frame longer than any reply, are refused.
  image.image.bytes.pop_back();
  WorkerReply back;
  EXPECT_FALSE(DecodeReply(EncodeReply(image), back));
  std::string huge = "\xFF\xFF\xFF\x7F";
  std::string payload;
  EXPECT_EQ(TakeFrame(huge, payload), FrameStatus::Invalid);
}

class WorkerPoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves terabytes of address space at start: a worker under an
    // address-space limit cannot even start, so the limits are tested in the plain build only.
    GTEST_SKIP() << "address-space limits cannot be tested under AddressSanitizer";
#endif
  }
  test::TempDir dir;
  WorkerLimits limits{256, 2, 1};
  WorkerPool pool{{FOLIDEX_FAKE_WORKER}, limits};

  std::string File(const std::string& name) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(WriteFileAtomic(path, "%PDF-1.4\n/Title (" + name + ")\n%%EOF\n"));
    return path;
  }
};

TEST_F(WorkerPoolTest, AWorkerOverALimitIsKilledReportedAndReplacedForTheNextDocument) {
  WorkerPdfEngine engine(pool);
  ASSERT_EQ(engine.Open(File("good.pdf")), PdfOpenResult::Opened);
  EXPECT_EQ(engine.PageCount(), 2);
  EXPECT_EQ(engine.PageText(1), u"page 2");
  EXPECT_EQ(engine.MetaData().author, u"Author");
  engine.Close();
  const struct {
    const char* name;
    Msg failure;
  } cases[] = {{"loop.pdf", Msg::EngineTooSlow},
               {"hog.pdf", Msg::EngineOutOfMemory},
               {"crash.pdf", Msg::EngineCrashed},
               {"half.pdf", Msg::EngineCrashed}};
  int started = pool.Started();
  for (const auto& c : cases) {
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_NE(engine.Open(File(c.name)), PdfOpenResult::Opened) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(limits.documentSeconds + 2)) << c.name;
    EXPECT_EQ(engine.Failure(), c.failure) << c.name;
    EXPECT_EQ(engine.PageCount(), 0);
    // The next document gets a new worker and its own limits.
    ASSERT_EQ(engine.Open(File("next.pdf")), PdfOpenResult::Opened) << c.name;
    EXPECT_FALSE(engine.Failure());
    EXPECT_EQ(engine.PageText(0), u"page 1");
    EXPECT_EQ(pool.Started(), ++started) << c.name;
    engine.Close();
  }
  // A worker that served well serves the next document too: its models stay loaded.
  ASSERT_EQ(engine.Open(File("again.pdf")), PdfOpenResult::Opened);
  EXPECT_EQ(pool.Started(), started);
}

TEST_F(WorkerPoolTest, ACancelEndsTheWorkerWithinASecond) {
  std::atomic<bool> stop{false};
  WorkerPdfEngine engine(pool, [&stop] { return stop.load(); });
  ASSERT_EQ(engine.Open(File("slowpage.pdf")), PdfOpenResult::Opened);
  std::thread cancel([&stop] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop = true;
  });
  const auto begun = std::chrono::steady_clock::now();
  EXPECT_EQ(engine.PageText(0), u"");
  EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(1200));
  cancel.join();
  EXPECT_EQ(engine.Failure(), Msg::ImportInterrupted);
}

TEST_F(WorkerPoolTest, TheImportReportsAFileTheEngineGaveUpOnAndStoresTheNext) {
  test::StoreFixture fx;
  WorkerPdfEngine engine(pool);
  const SystemClock clock;
  class Quiet : public DocumentTextMonitor {
    bool Cancelled() override { return false; }
  } monitor;
  BulkImportOptions options;
  options.recognise = false;
  BulkImporter importer(fx.store, clock, engine, nullptr, options, monitor);
  ASSERT_TRUE(importer.Prepare());
  const FileReport looped = importer.ImportFile(NativePath(File("loop.pdf")));
  EXPECT_EQ(looped.outcome, FileOutcome::Failed);
  EXPECT_EQ(looped.note, MessageText(Msg::EngineTooSlow));
  const FileReport stored = importer.ImportFile(NativePath(File("next.pdf")));
  ASSERT_EQ(stored.outcome, FileOutcome::Stored) << stored.note;
  EXPECT_EQ(stored.serial, "00000000");  // nothing was written for the file given up
  ASSERT_TRUE(fx.store.ReadRecordFile("00000000", false));
  EXPECT_EQ(fx.store.WorkingRecord()[FieldTag::TX], "PAGE 1 PAGE 2");
}

}  // namespace
}  // namespace folidex
