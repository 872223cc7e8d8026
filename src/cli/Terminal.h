#pragma once
// What the long-running commands (import, retext) share: the interrupt that asks a run to stop
// after the file it is writing, and the progress line on a terminal.

#include <csignal>
#include <cstddef>
#include <mutex>
#include <string>

#include "pdf/DocumentText.h"

namespace folidex::cli {

// Whether Ctrl+C, a polite kill or a closed terminal came while an InterruptGuard was alive.
bool Interrupted();

// Ctrl+C, a polite kill and a closed terminal (SIGHUP) only ask the run to stop after the file it is writing; a
// second Ctrl+C while it winds down is taken the same way.
struct InterruptGuard {
  struct sigaction oldInt = {};
  struct sigaction oldTerm = {};
  struct sigaction oldHup = {};
  InterruptGuard();
  ~InterruptGuard();
};

// A message of the table as one terminal line.
std::string Line(const std::string& cp932);

// The progress line on a terminal, and the recognition's pages; asks the interrupt flag.
class Terminal : public DocumentTextMonitor {
 public:
  Terminal();
  bool Cancelled() override { return Interrupted(); }
  void RecognitionStarted(int index, int count, int) override;
  void File(std::size_t index, std::size_t count, const std::string& path);
  // Before other output: the progress line goes.
  void Clear();

 private:
  void Show(const std::string& step);
  bool tty_;
  bool shown_ = false;
  std::string file_;
  std::mutex mutex_;  // the import's reading threads and its storing thread all show progress
};

}  // namespace folidex::cli
