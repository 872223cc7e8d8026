#include "pdf/WorkerEngine.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>

#include "common/SettingsTable.h"

namespace folidex {
namespace {

using Clock = std::chrono::steady_clock;

// Reads exactly one frame from a blocking descriptor; false at its end or on an error.
bool ReadFrame(int fd, std::string& buffer, std::string& payload) {
  for (;;) {
    switch (TakeFrame(buffer, payload)) {
      case FrameStatus::Complete:
        return true;
      case FrameStatus::Invalid:
        return false;
      case FrameStatus::Incomplete:
        break;
    }
    char chunk[65536];
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(n));
    // Room for the whole frame at once: a buffer grown by doubling holds up to twice a page.
    if (buffer.size() >= 4) {
      const std::size_t whole = 4 + FrameLength(buffer);
      if (whole <= 4 + static_cast<std::size_t>(kMaxWorkerFrame) && buffer.capacity() < whole) buffer.reserve(whole);
    }
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool Executable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

int ServeWorker(PdfEngine& engine, int in, int out) {
  std::string buffer, payload;
  try {
    while (ReadFrame(in, buffer, payload)) {
      WorkerRequest request;
      if (!DecodeRequest(payload, request)) return 2;
      WorkerReply reply;
      reply.op = request.op;
      switch (request.op) {
        case WorkerOp::Open:
          reply.opened = engine.Open(request.path);
          break;
        case WorkerOp::Close:
          engine.Close();
          break;
        case WorkerOp::PageCount:
          reply.pageCount = engine.PageCount();
          break;
        case WorkerOp::PageText:
          reply.text = engine.PageText(request.page);
          break;
        case WorkerOp::MetaData:
          reply.meta = engine.MetaData();
          break;
        case WorkerOp::PageHeading:
          reply.text = engine.PageHeading(request.page);
          break;
        case WorkerOp::Render:
          reply.rendered = engine.RenderPageWithin(request.page, request.dpi, request.maxPixels, reply.image);
          break;
      }
      if (!WriteAll(out, EncodeFrame(EncodeReply(reply)))) return 0;
    }
  } catch (const std::bad_alloc&) {
    return kWorkerOutOfMemory;
  }
  return 0;
}

WorkerLimits ReadWorkerLimits(Settings& settings) {
  WorkerLimits limits;
  limits.memoryMb = std::max(64L, settings.GetInt(setting::WorkerMemory));
  limits.documentSeconds = static_cast<int>(std::clamp(settings.GetInt(setting::WorkerSeconds), 1L, 86400L));
  limits.pageSeconds = static_cast<int>(std::clamp(settings.GetInt(setting::WorkerPageSeconds), 1L, 86400L));
  return limits;
}

std::string WorkerProgramPath() {
  if (const char* named = std::getenv("FOLIDEX_WORKER"); named && *named) return named;
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  std::string folder(self, static_cast<std::size_t>(n));
  folder.resize(folder.rfind('/') + 1);
  for (const std::string& candidate : {folder + "folidex-worker", folder + "../pdf/folidex-worker"})
    if (Executable(candidate)) return candidate;
#ifdef FOLIDEX_WORKER_BUILT
  if (Executable(FOLIDEX_WORKER_BUILT)) return FOLIDEX_WORKER_BUILT;
#endif
  return {};
}

bool StartWorkerProcess(const std::vector<std::string>& command, const WorkerLimits& limits, pid_t& pid, int& socket) {
  pid = -1;
  socket = -1;
  if (command.empty()) return false;
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
  // Everything the child needs is made before the fork: after it only system calls run.
  std::vector<char*> argv;
  for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const rlim_t bytes = static_cast<rlim_t>(limits.memoryMb) << 20;
  const rlimit memory{bytes, bytes};
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(pair[0]);
    ::close(pair[1]);
    return false;
  }
  if (child == 0) {
    // The worker ends with this process, never outlives it in a loop of its own.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    ::setpgid(0, 0);  // a terminal's Ctrl+C reaches this process, which ends the worker itself
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::setrlimit(RLIMIT_AS, &memory);
    ::dup2(pair[1], 0);
    ::dup2(pair[1], 1);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) ::dup2(null, 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pair[1]);
  pid = child;
  socket = pair[0];
  return true;
}

bool EndWorkerProcess(pid_t& pid, int& socket, bool kill, const WorkerLimits& limits) {
  if (socket >= 0) ::close(socket);
  socket = -1;
  bool outOfMemory = false;
  if (pid > 0) {
    if (kill) ::kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const long usedMb = usage.ru_maxrss / 1024;  // kilobytes
    outOfMemory = (WIFEXITED(status) && WEXITSTATUS(status) == kWorkerOutOfMemory) ||
                  (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL && usedMb * 2 >= limits.memoryMb);
  }
  pid = -1;
  return outOfMemory;
}

bool ReadWorkerFrame(int fd, std::string& buffer, std::string& payload) { return ReadFrame(fd, buffer, payload); }

bool WriteWorkerFrame(int fd, std::string_view payload) { return WriteAll(fd, EncodeFrame(payload)); }

WorkerPool::WorkerPool(std::vector<std::string> command, WorkerLimits limits, int size)
    : command_(std::move(command)), limits_(limits), size_(std::max(1, size)) {}

WorkerPool::~WorkerPool() {
  for (auto& worker : workers_) Reap(*worker, true);
}

bool WorkerPool::Start(Worker& worker) {
  if (!StartWorkerProcess(command_, limits_, worker.pid, worker.socket)) return false;
  worker.buffer.clear();
  worker.busy = false;
  ++started_;
  return true;
}

bool WorkerPool::Reap(Worker& worker, bool kill) {
  const bool outOfMemory = EndWorkerProcess(worker.pid, worker.socket, kill, limits_);
  worker.busy = false;
  worker.buffer.clear();
  return outOfMemory;
}

WorkerPool::Worker* WorkerPool::Acquire() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& worker : workers_) {
    if (worker->busy) continue;
    if (worker->pid < 0 && !Start(*worker)) return nullptr;
    worker->busy = true;
    return worker.get();
  }
  if (static_cast<int>(workers_.size()) >= size_) return nullptr;
  auto worker = std::make_unique<Worker>();
  if (!Start(*worker)) return nullptr;
  worker->busy = true;
  workers_.push_back(std::move(worker));
  return workers_.back().get();
}

void WorkerPool::Release(Worker* worker) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (worker) worker->busy = false;
}

int WorkerPool::Started() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return started_;
}

bool WorkerPool::Kill(Worker* worker) {
  if (!worker) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  // A worker that has already died is reaped for its status; a live one is killed first. It
  // stays its caller's until Release: no other thread may start a worker in its place before.
  const bool busy = worker->busy;
  const bool outOfMemory = Reap(*worker, true);
  worker->busy = busy;
  return outOfMemory;
}

WorkerPdfEngine::WorkerPdfEngine(WorkerPool& pool, std::function<bool()> cancelled)
    : pool_(pool), cancelled_(std::move(cancelled)) {}

WorkerPdfEngine::~WorkerPdfEngine() { Close(); }

void WorkerPdfEngine::Fail(Msg message, bool kill) {
  failure_ = message;
  pageCount_ = 0;
  if (worker_) {
    if (kill && pool_.Kill(worker_) && message == Msg::EngineCrashed) failure_ = Msg::EngineOutOfMemory;
    pool_.Release(worker_);
  }
  worker_ = nullptr;
}

bool WorkerPdfEngine::Call(const WorkerRequest& request, WorkerReply& reply) {
  if (!worker_) return false;
  const std::string frame = EncodeFrame(EncodeRequest(request));
  std::string_view unsent = frame;
  std::string payload;
  for (;;) {
    if (cancelled_ && cancelled_()) {
      Fail(Msg::ImportInterrupted, true);
      return false;
    }
    const auto now = Clock::now();
    if (now >= deadline_) {
      Fail(Msg::EngineTooSlow, true);
      return false;
    }
    if (unsent.empty()) {
      switch (TakeFrame(worker_->buffer, payload)) {
        case FrameStatus::Complete:
          if (!DecodeReply(payload, reply) || reply.op != request.op) {
            Fail(Msg::EngineCrashed, true);
            return false;
          }
          return true;
        case FrameStatus::Invalid:
          Fail(Msg::EngineCrashed, true);
          return false;
        case FrameStatus::Incomplete:
          break;
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - now).count();
    pollfd fd{worker_->socket, static_cast<short>(unsent.empty() ? POLLIN : (POLLIN | POLLOUT)), 0};
    const int ready = ::poll(&fd, 1, static_cast<int>(std::min<long long>(left + 1, 100)));
    if (ready < 0 && errno != EINTR) {
      Fail(Msg::EngineCrashed, true);
      return false;
    }
    if (ready <= 0) continue;
    if (!unsent.empty() && (fd.revents & POLLOUT)) {
      const ssize_t n = ::send(worker_->socket, unsent.data(), unsent.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && errno != EINTR && errno != EAGAIN) {
        Fail(Msg::EngineCrashed, true);
        return false;
      }
      if (n > 0) unsent.remove_prefix(static_cast<std::size_t>(n));
    }
    if (fd.revents & (POLLIN | POLLHUP | POLLERR)) {
      char chunk[65536];
      const ssize_t n = ::recv(worker_->socket, chunk, sizeof chunk, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
        Fail(Msg::EngineCrashed, true);  // died, mid-reply or before it
        return false;
      }
      if (n > 0) worker_->buffer.append(chunk, static_cast<std::size_t>(n));
    }
  }
}

PdfOpenResult WorkerPdfEngine::Open(const std::string& nativePath) {
  Close();
  failure_.reset();
  pageCount_ = -1;
  worker_ = pool_.Acquire();
  if (!worker_) {
    failure_ = Msg::EngineCrashed;
    return PdfOpenResult::Damaged;
  }
  deadline_ = Clock::now() + std::chrono::seconds(pool_.Limits().documentSeconds);
  WorkerRequest request{WorkerOp::Open, nativePath, 0, 0};
  WorkerReply reply;
  if (!Call(request, reply)) return PdfOpenResult::Damaged;
  if (reply.opened != PdfOpenResult::Opened) Close();
  return reply.opened;
}

void WorkerPdfEngine::Close() {
  if (!worker_) return;
  WorkerReply reply;
  // A worker that does not close in time is not given the next document.
  deadline_ = std::min(deadline_, Clock::now() + std::chrono::seconds(10));
  const std::optional<Msg> before = failure_;
  if (Call(WorkerRequest{WorkerOp::Close, {}, 0, 0}, reply)) {
    pool_.Release(worker_);
    worker_ = nullptr;
  } else {
    failure_ = before ? before : failure_;
  }
}

int WorkerPdfEngine::PageCount() {
  if (pageCount_ >= 0) return pageCount_;
  WorkerReply reply;
  if (!Call(WorkerRequest{WorkerOp::PageCount, {}, 0, 0}, reply)) return 0;
  pageCount_ = std::max(0, reply.pageCount);
  return pageCount_;
}

std::u16string WorkerPdfEngine::PageText(int page) {
  WorkerReply reply;
  if (!Call(WorkerRequest{WorkerOp::PageText, {}, page, 0}, reply)) return {};
  return std::move(reply.text);
}

std::u16string WorkerPdfEngine::PageHeading(int page) {
  WorkerReply reply;
  if (!Call(WorkerRequest{WorkerOp::PageHeading, {}, page, 0}, reply)) return {};
  return std::move(reply.text);
}

PdfMetaData WorkerPdfEngine::MetaData() {
  WorkerReply reply;
  if (!Call(WorkerRequest{WorkerOp::MetaData, {}, 0, 0}, reply)) return {};
  return std::move(reply.meta);
}

bool WorkerPdfEngine::RenderPage(int page, int dpi, PageImage& image) {
  return RenderPageWithin(page, dpi, kMaxRenderPixels, image);
}

bool WorkerPdfEngine::RenderPageWithin(int page, int dpi, long long maxPixels, PageImage& image) {
  image = PageImage{};
  if (!worker_) return false;
  deadline_ += std::chrono::seconds(pool_.Limits().pageSeconds);  // each page recognised adds its time
  WorkerReply reply;
  if (!Call(WorkerRequest{WorkerOp::Render, {}, page, dpi, maxPixels}, reply) || !reply.rendered) return false;
  image = std::move(reply.image);
  return true;
}

}  // namespace folidex
