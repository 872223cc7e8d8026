#pragma once
// The Progress port: feedback of long commands — the status panes, the ribbon progress bar,
// the wait cursor and a repaint that does not process user input.

#include <string>

namespace folidex {

enum class StatusPane { Url = 120, Download = 121, ProcessingTime = 123 };

class Progress {
 public:
  virtual ~Progress() = default;
  virtual void SetPaneText(StatusPane pane, const std::string& cp932) = 0;
  virtual void SetProgressBar(int percent) = 0;  // 0..100
  virtual void BeginWait() = 0;                  // wait cursor on
  virtual void EndWait() = 0;                    // wait cursor off
  virtual void Repaint() = 0;                    // repaint now, without taking input
};

// Feedback nobody sees: the command-line tool and tests that do not look.
class NullProgress : public Progress {
 public:
  void SetPaneText(StatusPane, const std::string&) override {}
  void SetProgressBar(int) override {}
  void BeginWait() override {}
  void EndWait() override {}
  void Repaint() override {}
};

// Holds the wait cursor for a scope.
class WaitCursor {
 public:
  explicit WaitCursor(Progress& progress) : progress_(progress) { progress_.BeginWait(); }
  ~WaitCursor() { progress_.EndWait(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  Progress& progress_;
};

}  // namespace folidex
