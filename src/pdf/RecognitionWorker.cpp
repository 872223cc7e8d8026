#include "pdf/RecognitionWorker.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "pdf/WorkerProtocol.h"

namespace folidex {
namespace {

using Clock = std::chrono::steady_clock;

// The worker's side of a page's progress: each new percentage as a Progress reply. It never asks
// for a cancel: the program kills the worker instead.
class ReportingMonitor : public RecognitionMonitor {
 public:
  explicit ReportingMonitor(int out) : out_(out) {}
  bool Cancelled() override { return false; }
  void PageProgress(int percent) override {
    percent = std::clamp(percent, 0, 100);
    if (percent == last_) return;
    last_ = percent;
    RecognitionReply reply;
    reply.op = RecognitionOp::Progress;
    reply.percent = percent;
    WriteWorkerFrame(out_, EncodeRecognitionReply(reply));
  }

 private:
  int out_;
  int last_ = -1;
};

}  // namespace

int ServeRecognition(TextRecognizer& recognizer, int in, int out) {
  std::string buffer, payload;
  try {
    while (ReadWorkerFrame(in, buffer, payload)) {
      RecognitionRequest request;
      if (!DecodeRecognitionRequest(payload, request)) return 2;
      // Only the page's image stays while it is read.
      payload = std::string();
      buffer.shrink_to_fit();
      RecognitionReply reply;
      reply.op = request.op;
      if (request.op == RecognitionOp::Check) {
        reply.check = recognizer.Check();
      } else {
        ReportingMonitor monitor(out);
        reply.status = recognizer.RecognizeTaken(std::move(request.image), monitor, reply.text);
      }
      if (!WriteWorkerFrame(out, EncodeRecognitionReply(reply))) return 0;
    }
  } catch (const std::bad_alloc&) {
    return kWorkerOutOfMemory;
  }
  return 0;
}

std::vector<std::string> RecognitionWorkerCommand() {
  const std::string program = WorkerProgramPath();
  if (program.empty()) return {};
  return {program, "--recognize"};
}

// Starts the recognizer's workers from a thread of its own that lasts as long as the recognizer:
// a worker ends with the thread that started it, and the threads that read pages come and go.
class WorkerTextRecognizer::Starter {
 public:
  Starter() : thread_([this] { Run(); }) {}
  ~Starter() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  Starter(const Starter&) = delete;
  Starter& operator=(const Starter&) = delete;

  bool Start(const std::vector<std::string>& command, const WorkerLimits& limits, pid_t& pid, int& socket) {
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = Job{&command, &limits, &pid, &socket};
    asked_ = true;
    wake_.notify_all();
    wake_.wait(lock, [this] { return !asked_; });
    return started_;
  }

 private:
  struct Job {
    const std::vector<std::string>* command;
    const WorkerLimits* limits;
    pid_t* pid;
    int* socket;
  };
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return asked_ || quit_; });
      if (quit_) return;
      started_ = StartWorkerProcess(*job_.command, *job_.limits, *job_.pid, *job_.socket);
      asked_ = false;
      wake_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  Job job_{};
  bool asked_ = false;
  bool started_ = false;
  bool quit_ = false;
  std::thread thread_;  // last: it starts once the rest is there
};

WorkerTextRecognizer::WorkerTextRecognizer(std::vector<std::string> command, WorkerLimits limits)
    : command_(std::move(command)), limits_(limits) {}

WorkerTextRecognizer::~WorkerTextRecognizer() { KillWorker(); }

bool WorkerTextRecognizer::StartWorker() {
  if (pid_ > 0) return true;
  if (command_.empty()) return false;
  if (!starter_) starter_ = std::make_unique<Starter>();
  buffer_.clear();
  return starter_->Start(command_, limits_, pid_, socket_);
}

void WorkerTextRecognizer::KillWorker() {
  EndWorkerProcess(pid_, socket_, true, limits_);
  buffer_.clear();
}

WorkerTextRecognizer::Wait WorkerTextRecognizer::Call(RecognitionOp op, const std::string& payload,
                                                      Clock::time_point deadline, RecognitionMonitor* monitor,
                                                      RecognitionReply& reply) {
  const std::string header = FrameHeader(payload.size());
  std::string_view unsent[2] = {header, payload};
  std::string frame;
  for (;;) {
    if (monitor && monitor->Cancelled()) {
      KillWorker();
      return Wait::Cancelled;
    }
    for (FrameStatus status; (status = TakeFrame(buffer_, frame)) != FrameStatus::Incomplete;) {
      if (status == FrameStatus::Invalid || !DecodeRecognitionReply(frame, reply) || !unsent[1].empty()) {
        KillWorker();
        return Wait::Failed;
      }
      if (reply.op == op) return Wait::Replied;
      if (reply.op != RecognitionOp::Progress || op != RecognitionOp::Recognize) {
        KillWorker();
        return Wait::Failed;
      }
      if (monitor) monitor->PageProgress(reply.percent);
    }
    const auto now = Clock::now();
    if (now >= deadline) {
      KillWorker();
      return Wait::Failed;
    }
    const bool sending = !unsent[1].empty();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    pollfd fd{socket_, static_cast<short>(sending ? (POLLIN | POLLOUT) : POLLIN), 0};
    const int ready = ::poll(&fd, 1, static_cast<int>(std::min<long long>(left + 1, 100)));
    if (ready < 0 && errno != EINTR) {
      KillWorker();
      return Wait::Failed;
    }
    if (ready <= 0) continue;
    if (sending && (fd.revents & POLLOUT)) {
      std::string_view& piece = unsent[0].empty() ? unsent[1] : unsent[0];
      const ssize_t n = ::send(socket_, piece.data(), piece.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && errno != EINTR && errno != EAGAIN) {
        KillWorker();
        return Wait::Failed;
      }
      if (n > 0) piece.remove_prefix(static_cast<std::size_t>(n));
    }
    if (fd.revents & (POLLIN | POLLHUP | POLLERR)) {
      char chunk[65536];
      const ssize_t n = ::recv(socket_, chunk, sizeof chunk, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        KillWorker();  // died, mid-reply or before it
        return Wait::Failed;
      }
      if (n > 0) buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }
}

RecognizerCheck WorkerTextRecognizer::Check() {
  return CheckUnlessCancelled(std::function<bool()>()).value_or(RecognizerCheck{});
}

std::optional<RecognizerCheck> WorkerTextRecognizer::CheckUnlessCancelled(const std::function<bool()>& cancelled) {
  if (checked_) return check_;
  if (command_.empty()) {
    checked_ = true;
    check_ = {RecognizerState::EngineMissing, "folidex-worker not found"};
    return check_;
  }
  class Asker : public RecognitionMonitor {
   public:
    explicit Asker(const std::function<bool()>& cancelled) : cancelled_(cancelled) {}
    bool Cancelled() override { return cancelled_ && cancelled_(); }

   private:
    const std::function<bool()>& cancelled_;
  } asker(cancelled);
  RecognitionReply reply;
  const auto deadline = Clock::now() + std::chrono::seconds(limits_.documentSeconds);
  const Wait wait =
      StartWorker() ? Call(RecognitionOp::Check, EncodeRecognitionRequest({}), deadline, &asker, reply) : Wait::Failed;
  if (wait == Wait::Cancelled) return std::nullopt;  // the worker is gone; nothing is known yet
  checked_ = true;
  if (wait == Wait::Replied) {
    check_ = reply.check;
  } else {
    check_ = {RecognizerState::EngineMissing, command_.front() + ": the recognition worker ended without an answer"};
  }
  if (!check_.Ready()) KillWorker();  // it reads no page: its memory goes now
  return check_;
}

RecognitionStatus WorkerTextRecognizer::Recognize(const PageImage& page, RecognitionMonitor& monitor,
                                                  std::u16string& text) {
  text.clear();
  if (!Readable(page)) return RecognitionStatus::Failed;
  return Send(EncodeRecognizeRequest(page), monitor, text);
}

RecognitionStatus WorkerTextRecognizer::RecognizeTaken(PageImage&& page, RecognitionMonitor& monitor,
                                                       std::u16string& text) {
  text.clear();
  const bool readable = Readable(page);
  std::string payload = readable ? EncodeRecognizeRequest(page) : std::string();
  page = PageImage{};  // the request holds the page's one copy in this process
  return readable ? Send(std::move(payload), monitor, text) : RecognitionStatus::Failed;
}

bool WorkerTextRecognizer::Readable(const PageImage& page) const {
  const std::size_t size =
      static_cast<std::size_t>(std::max(0, page.bytesPerLine)) * static_cast<std::size_t>(std::max(0, page.height));
  return !(checked_ && !check_.Ready()) && !page.Empty() && page.bytesPerLine >= page.width &&
         page.bytes.size() >= size;
}

RecognitionStatus WorkerTextRecognizer::Send(std::string payload, RecognitionMonitor& monitor, std::u16string& text) {
  if (monitor.Cancelled()) return RecognitionStatus::Cancelled;
  // The worker loads its models on its first page; a new worker's first page takes that time too.
  if (!StartWorker()) return RecognitionStatus::Failed;
  RecognitionReply reply;
  const auto deadline = Clock::now() + std::chrono::seconds(limits_.pageSeconds);
  if (payload.size() > kMaxWorkerFrame) return RecognitionStatus::Failed;  // no worker takes it
  const Wait wait = Call(RecognitionOp::Recognize, payload, deadline, &monitor, reply);
  if (wait == Wait::Cancelled) return RecognitionStatus::Cancelled;
  // The worker never cancels a page by itself.
  if (wait == Wait::Failed || reply.status != RecognitionStatus::Done) return RecognitionStatus::Failed;
  text = std::move(reply.text);
  return RecognitionStatus::Done;
}

RecognizerPool::Factory WorkerRecognizers(std::vector<std::string> command, WorkerLimits limits) {
  return [command = std::move(command), limits]() -> std::unique_ptr<TextRecognizer> {
    return std::make_unique<WorkerTextRecognizer>(command, limits);
  };
}

}  // namespace folidex
