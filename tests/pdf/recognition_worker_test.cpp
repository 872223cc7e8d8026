// Text recognition in worker processes: the protocol's frames, and WorkerTextRecognizer over a
// worker with a scripted recognizer (fake_recognition_worker) that hogs memory, never answers,
// dies or garbles its reply, or is slow on every page.

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "pdf/DocumentText.h"
#include "pdf/RecognitionWorker.h"
#include "pdf/WorkerProtocol.h"
#include "support/FakePdf.h"

namespace folidex {
namespace {

using Clock = std::chrono::steady_clock;

bool Gone(pid_t pid) { return pid > 0 && ::kill(pid, 0) == -1 && errno == ESRCH; }

PageImage Page(char kind) {
  PageImage page{4, 2, 5, 300, std::vector<std::uint8_t>(10, 255)};
  page.bytes[0] = static_cast<std::uint8_t>(kind);
  return page;
}

class Watching : public DocumentTextMonitor {
 public:
  std::atomic<bool> cancel{false};
  std::atomic<int> progressed{0};
  bool Cancelled() override { return cancel.load(); }
  void PageProgress(int percent) override { progressed += percent == 10 ? 1 : 0; }
};

TEST(RecognitionProtocol, RequestsAndRepliesRoundTripAndWhatDoesNotDecodeIsRefused) {
  RecognitionRequest recognize{RecognitionOp::Recognize, PageImage{3, 2, 4, 300, {1, 2, 3, 0, 4, 5, 6, 0}}};
  for (const RecognitionRequest& request : {RecognitionRequest{}, recognize}) {
    const std::string payload = EncodeRecognitionRequest(request);
    RecognitionRequest back;
    ASSERT_TRUE(DecodeRecognitionRequest(payload, back));
    EXPECT_EQ(back.op, request.op);
    EXPECT_EQ(back.image.bytes, request.image.bytes);
    EXPECT_EQ(back.image.bytesPerLine, request.image.bytesPerLine);
    for (std::size_t cut = 0; cut < payload.size(); ++cut)
      EXPECT_FALSE(DecodeRecognitionRequest(payload.substr(0, cut), back));
    EXPECT_FALSE(DecodeRecognitionRequest(payload + "x", back));
  }
  // The bytes past an image's rows are not sent; a PDF engine's request is not a recognizer's.
  recognize.image.bytes.push_back(9);
  RecognitionRequest back;
  ASSERT_TRUE(DecodeRecognitionRequest(EncodeRecognizeRequest(recognize.image), back));
  EXPECT_EQ(back.image.bytes.size(), 8u);
  EXPECT_FALSE(DecodeRecognitionRequest(EncodeRequest({WorkerOp::Close, {}, 0, 0}), back));

  RecognitionReply check{RecognitionOp::Check, {RecognizerState::JapaneseDataMissing, "eng"}, 0, {}, {}};
  RecognitionReply progress{RecognitionOp::Progress, {}, 100, {}, {}};
  RecognitionReply done{RecognitionOp::Recognize, {}, 0, RecognitionStatus::Done, u"一頁\nline"};
  for (const RecognitionReply& reply : {check, progress, done}) {
    const std::string payload = EncodeRecognitionReply(reply);
    RecognitionReply decoded;
    ASSERT_TRUE(DecodeRecognitionReply(payload, decoded));
    EXPECT_EQ(decoded.op, reply.op);
    EXPECT_EQ(decoded.check.state, reply.check.state);
    EXPECT_EQ(decoded.check.detail, reply.check.detail);
    EXPECT_EQ(decoded.percent, reply.percent);
    EXPECT_EQ(decoded.text, reply.text);
    for (std::size_t cut = 0; cut < payload.size(); ++cut)
      EXPECT_FALSE(DecodeRecognitionReply(payload.substr(0, cut), decoded));
  }
  progress.percent = 101;
  RecognitionReply decoded;
  EXPECT_FALSE(DecodeRecognitionReply(EncodeRecognitionReply(progress), decoded));
}

class RecognitionWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves terabytes of address space at start: a worker under an
    // address-space limit cannot even start, so the workers are tested in the plain build only.
    GTEST_SKIP() << "address-space limits cannot be tested under AddressSanitizer";
#endif
  }
};

TEST_F(RecognitionWorkerTest, OneWorkerReadsEveryPageAndOneOverALimitFailsOnlyItsPage) {
  const WorkerLimits limits{256, 5, 1};
  for (const std::vector<std::string>& missing :
       {std::vector<std::string>{}, std::vector<std::string>{"/nonexistent/folidex-worker", "--recognize"}}) {
    WorkerTextRecognizer recognizer(missing, limits);
    EXPECT_EQ(recognizer.Check().state, RecognizerState::EngineMissing);
    Watching monitor;
    std::u16string text;
    EXPECT_EQ(recognizer.Recognize(Page('1'), monitor, text), RecognitionStatus::Failed);
  }

  WorkerTextRecognizer recognizer({FOLIDEX_FAKE_RECOGNITION_WORKER}, limits);
  ASSERT_TRUE(recognizer.Check().Ready());
  pid_t worker = recognizer.WorkerPid();
  EXPECT_EQ(recognizer.Check().detail, "fake " + std::to_string(worker));
  auto read = [&](char kind, RecognitionStatus expected) {
    Watching monitor;
    std::u16string text;
    EXPECT_EQ(recognizer.Recognize(Page(kind), monitor, text), expected) << kind;
    EXPECT_EQ(monitor.progressed, 1) << kind;
    return std::string(text.begin(), text.end());
  };
  // The worker that checked reads the pages, one after the other: its models load once.
  const std::string by = " by " + std::to_string(worker);
  EXPECT_EQ(read('A', RecognitionStatus::Done), "page 65" + by + " #1");
  EXPECT_EQ(read('B', RecognitionStatus::Done), "page 66" + by + " #2");
  for (const char kind : {'h', 's', 'c', 'g'}) {
    const auto begun = Clock::now();
    EXPECT_EQ(read(kind, RecognitionStatus::Failed), "");
    EXPECT_LT(Clock::now() - begun, std::chrono::seconds(limits.pageSeconds + 2)) << kind;
    EXPECT_TRUE(Gone(worker)) << kind;  // killed and reaped
    // The next page gets a new worker.
    const std::string next = read('C', RecognitionStatus::Done);
    EXPECT_EQ(next, "page 67 by " + std::to_string(recognizer.WorkerPid()) + " #1");
    EXPECT_NE(recognizer.WorkerPid(), worker);
    worker = recognizer.WorkerPid();
  }
}

TEST_F(RecognitionWorkerTest, ACancelStopsEveryBusyWorkerWithinASecond) {
  RecognizerPool pool(WorkerRecognizers({FOLIDEX_FAKE_RECOGNITION_WORKER, "slow"}, WorkerLimits{}), 2);
  std::vector<pid_t> workers;
  {
    TextRecognizer* first = pool.Acquire({});
    TextRecognizer* second = pool.Acquire({});
    for (TextRecognizer* recognizer : {first, second}) {
      ASSERT_TRUE(recognizer->Check().Ready());
      workers.push_back(dynamic_cast<WorkerTextRecognizer&>(*recognizer).WorkerPid());
    }
    pool.Release(first);
    pool.Release(second);
  }
  test::FakePdf pdf;
  pdf.texts = {u"", u"", u""};
  Watching monitor;
  DocumentText result;
  Clock::time_point ended;
  std::thread build([&] {
    result = BuildDocumentText(pdf, pool, monitor);
    ended = Clock::now();
  });
  // Both workers are reading a page (each has said so) when the cancel comes.
  const auto waited = Clock::now();
  while (monitor.progressed < 2 && Clock::now() - waited < std::chrono::seconds(20))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(monitor.progressed, 2);
  const auto cancelled = Clock::now();
  monitor.cancel = true;
  build.join();
  EXPECT_EQ(result.outcome, DocumentTextOutcome::Cancelled);
  EXPECT_LT(ended - cancelled, std::chrono::seconds(1));
  for (pid_t worker : workers) EXPECT_TRUE(Gone(worker)) << worker;
  EXPECT_EQ(pool.Made(), 2);
}

TEST_F(RecognitionWorkerTest, ACancelEndsTheWaitForTheModelsAndTheNextCheckAsksAgain) {
  WorkerTextRecognizer recognizer({FOLIDEX_FAKE_RECOGNITION_WORKER, "slowcheck"}, WorkerLimits{});
  RecognizerPool pool([] { return std::unique_ptr<TextRecognizer>(); }, 1);
  std::atomic<bool> cancel{false};
  std::optional<RecognizerCheck> check = RecognizerCheck{RecognizerState::Ready, "not asked"};
  Clock::time_point ended;
  std::thread checking([&] {
    check = recognizer.CheckUnlessCancelled([&] { return cancel.load(); });
    ended = Clock::now();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the worker runs, its check unanswered
  const auto cancelled = Clock::now();
  cancel = true;
  checking.join();
  EXPECT_FALSE(check.has_value());
  EXPECT_LT(ended - cancelled, std::chrono::seconds(1));
  EXPECT_EQ(recognizer.WorkerPid(), -1);  // killed and reaped
  // Nothing was kept: the next check starts a worker and asks again.
  EXPECT_FALSE(recognizer.CheckUnlessCancelled([] { return true; }).has_value());
  // A pool whose recognizers cannot be made says so, unless the wait was cancelled.
  EXPECT_EQ(pool.Check().state, RecognizerState::EngineMissing);
  EXPECT_FALSE(pool.Check([] { return true; }).has_value());
}

}  // namespace
}  // namespace folidex
