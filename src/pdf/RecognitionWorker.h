#pragma once
// Text recognition in worker processes. A recognition worker (folidex-worker --recognize: the
// real engine behind ServeRecognition) loads its models once and reads one page image at a time,
// sent over its socket (WorkerProtocol.h), reporting the page's progress as it goes.
// WorkerTextRecognizer is the TextRecognizer port over one such worker: the worker lives as long
// as the recognizer, so a pool of them (RecognizerPool) loads the models once per recognizer.
//
// A worker runs under the address-space limit (KanSet/WorkerMemory) and each page under the page
// time limit (KanSet/WorkerPageSeconds). A worker over a limit, one that dies or answers what does
// not decode, is killed and its page Failed; the next page starts a new worker. A cancel (the
// monitor is asked at least ten times a second while a page is read) kills the worker at once:
// the engine's layout analysis never asks the monitor itself, and a large page takes seconds.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "pdf/RecognizerPool.h"
#include "pdf/TextRecognizer.h"
#include "pdf/WorkerEngine.h"

namespace folidex {

// Serves the requests read from `in` with `recognizer`, replies written to `out`, until `in` ends
// (0) or a request does not decode (2); kWorkerOutOfMemory when an allocation failed.
int ServeRecognition(TextRecognizer& recognizer, int in, int out);

// The recognition worker's command: WorkerProgramPath() with --recognize; empty when the worker
// program is not found.
std::vector<std::string> RecognitionWorkerCommand();

class WorkerTextRecognizer : public TextRecognizer {
 public:
  // `command`: the worker's program and arguments; empty when there is none (Check then says the
  // engine is missing).
  WorkerTextRecognizer(std::vector<std::string> command, WorkerLimits limits);
  ~WorkerTextRecognizer() override;
  WorkerTextRecognizer(const WorkerTextRecognizer&) = delete;
  WorkerTextRecognizer& operator=(const WorkerTextRecognizer&) = delete;

  // The worker's check, asked once (it loads the models, within KanSet/WorkerSeconds). A worker
  // that cannot start or fails to answer is a missing engine.
  RecognizerCheck Check() override;
  // A cancel kills the worker loading its models; the next check starts another.
  std::optional<RecognizerCheck> CheckUnlessCancelled(const std::function<bool()>& cancelled) override;
  RecognitionStatus Recognize(const PageImage& page, RecognitionMonitor& monitor, std::u16string& text) override;
  RecognitionStatus RecognizeTaken(PageImage&& page, RecognitionMonitor& monitor, std::u16string& text) override;

  // The running worker's process, -1 when none runs.
  pid_t WorkerPid() const { return pid_; }

 private:
  class Starter;
  enum class Wait { Replied, Cancelled, Failed };
  bool StartWorker();
  void KillWorker();
  bool Readable(const PageImage& page) const;
  // Sends a Recognize request and takes the page's text from its reply.
  RecognitionStatus Send(std::string payload, RecognitionMonitor& monitor, std::u16string& text);
  // Sends the request `payload` (of operation `op`) and waits for its reply until `deadline`;
  // Progress replies on the way go to `monitor`, which is asked about a cancel (when given).
  Wait Call(RecognitionOp op, const std::string& payload, std::chrono::steady_clock::time_point deadline,
            RecognitionMonitor* monitor, RecognitionReply& reply);

  std::vector<std::string> command_;
  WorkerLimits limits_;
  std::unique_ptr<Starter> starter_;
  pid_t pid_ = -1;
  int socket_ = -1;
  std::string buffer_;  // bytes read past the last frame
  bool checked_ = false;
  RecognizerCheck check_;
};

// Recognizers for a RecognizerPool, each over a worker of its own running `command`.
RecognizerPool::Factory WorkerRecognizers(std::vector<std::string> command, WorkerLimits limits);

}  // namespace folidex
