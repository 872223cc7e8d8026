#pragma once
// The PDF engine in worker processes. A worker (folidex-worker: the real engine behind
// ServeWorker) is a child process that serves one request at a time over a socket on its
// standard input and output (WorkerProtocol.h). The pool keeps long-lived workers and starts a
// new one where one was killed; WorkerPdfEngine is the PdfEngine port over one worker of the
// pool for the time a document is open.
//
// Each worker runs under an address-space limit; each document has a time limit from its Open
// (KanSet/WorkerSeconds, plus KanSet/WorkerPageSeconds for each page rendered). A worker over a
// limit, one that dies or answers what does not decode, is killed; the document then fails with
// the message Failure() names, and every later call on it answers empty until the next Open. A
// cancel (the monitor asked to stop) kills the worker at once as well.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/Settings.h"
#include "pdf/PdfEngine.h"
#include "pdf/WorkerProtocol.h"

namespace folidex {

// The exit status of a worker whose engine ran out of memory.
inline constexpr int kWorkerOutOfMemory = 3;

// Serves requests read from `in` with `engine`, replies written to `out`, until `in` ends (0) or
// a request does not decode (2); kWorkerOutOfMemory when an allocation failed.
int ServeWorker(PdfEngine& engine, int in, int out);

struct WorkerLimits {
  long memoryMb = 2048;
  int documentSeconds = 120;
  int pageSeconds = 60;
};

// KanSet/WorkerMemory, KanSet/WorkerSeconds and KanSet/WorkerPageSeconds, each at least 1 (a
// memory limit at least 64 MB).
WorkerLimits ReadWorkerLimits(Settings& settings);

// The worker program: $FOLIDEX_WORKER when set, else folidex-worker beside this program or in
// the build tree's pdf folder next to it; empty when none is found.
std::string WorkerProgramPath();

// Starts `command` as a worker: its standard input and output a socket (`socket`, this side's
// end), its standard error /dev/null, in a process group of its own, under the address-space
// limit of `limits`, killed when the thread that started it ends. False when it cannot start (a
// program that is not there starts and ends at once, with status 127).
bool StartWorkerProcess(const std::vector<std::string>& command, const WorkerLimits& limits, pid_t& pid, int& socket);
// Closes `socket` and waits for the worker, killed first (SIGKILL) when `kill`; both become -1.
// True when it ran out of memory: it said so by its exit status, or it died of a signal after
// using at least half its limit.
bool EndWorkerProcess(pid_t& pid, int& socket, bool kill, const WorkerLimits& limits);

// A worker's side of the frames: one read from a blocking descriptor (false at its end or when it
// does not decode), one written whole.
bool ReadWorkerFrame(int fd, std::string& buffer, std::string& payload);
bool WriteWorkerFrame(int fd, std::string_view payload);

// Acquire, Release, Kill and Started may come from several threads (a WorkerPdfEngine on each).
// A worker is killed when the thread that started it (the one whose Acquire started it) ends, so
// threads sharing a pool stay until none of them uses a worker any more.
class WorkerPool {
 public:
  // `command`: the worker's program and arguments. `size`: how many workers may run at once.
  WorkerPool(std::vector<std::string> command, WorkerLimits limits, int size = 1);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  struct Worker {
    pid_t pid = -1;
    int socket = -1;
    std::string buffer;  // bytes read past the last frame
    bool busy = false;
  };

  const WorkerLimits& Limits() const { return limits_; }
  // An idle worker, started when none is idle and the pool has room; null when none can start.
  Worker* Acquire();
  // Gives a worker back to the pool.
  void Release(Worker* worker);
  // Ends a worker at once (SIGKILL) and waits for it. True when it ran out of memory: it said so
  // by its exit status, or it died of a signal after using at least half its limit.
  bool Kill(Worker* worker);
  // How many workers have been started so far.
  int Started() const;

 private:
  bool Start(Worker& worker);
  bool Reap(Worker& worker, bool kill);

  std::vector<std::string> command_;
  WorkerLimits limits_;
  std::vector<std::unique_ptr<Worker>> workers_;
  int size_;
  int started_ = 0;
  mutable std::mutex mutex_;
};

class WorkerPdfEngine : public PdfEngine {
 public:
  // `cancelled` is asked while a reply is awaited (about ten times a second).
  explicit WorkerPdfEngine(WorkerPool& pool, std::function<bool()> cancelled = {});
  ~WorkerPdfEngine() override;
  WorkerPdfEngine(const WorkerPdfEngine&) = delete;
  WorkerPdfEngine& operator=(const WorkerPdfEngine&) = delete;

  PdfOpenResult Open(const std::string& nativePath) override;
  void Close() override;
  int PageCount() override;
  std::u16string PageText(int page) override;
  PdfMetaData MetaData() override;
  std::u16string PageHeading(int page) override;
  bool RenderPage(int page, int dpi, PageImage& image) override;
  bool RenderPageWithin(int page, int dpi, long long maxPixels, PageImage& image) override;
  std::optional<Msg> Failure() const override { return failure_; }

 private:
  bool Call(const WorkerRequest& request, WorkerReply& reply);
  void Fail(Msg message, bool kill);

  WorkerPool& pool_;
  std::function<bool()> cancelled_;
  WorkerPool::Worker* worker_ = nullptr;
  std::chrono::steady_clock::time_point deadline_;
  std::optional<Msg> failure_;
  int pageCount_ = -1;
};

}  // namespace folidex
