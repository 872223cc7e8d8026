#pragma once
// Test support: a temporary folder per test, a scripted Prompter, a fixed Clock, a Progress that
// records what it was told, and a ready store on a temporary location.

#include <cstdint>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "store/Store.h"

namespace folidex::test {

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }  // native (ASCII) path
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Records every message (CP932 text and kind) and answers from a prepared queue; when the
// queue is empty, questions are answered `fallback` and OK boxes Ok.
class ScriptedPrompter : public Prompter {
 public:
  struct Shown {
    MessageKind kind;
    std::string text;  // CP932
  };
  std::deque<Answer> answers;
  Answer fallback = Answer::Yes;
  std::vector<Shown> shown;

  Answer Show(MessageKind kind, const std::string& text) override;

  // The UTF-8 texts shown, for readable assertions.
  std::vector<std::string> TextsUtf8() const;
  bool ShowedMessage(Msg id) const;  // a text that ends with message `id`
};

class FixedClock : public Clock {
 public:
  explicit FixedClock(std::time_t now = 1291166430) : now_(now) {}  // 2010-12-01 01:20:30 UTC
  std::time_t Now() const override { return now_; }
  void Set(std::time_t now) { now_ = now; }
  void Advance(long seconds) { now_ += seconds; }

 private:
  std::time_t now_;
};

class RecordingProgress : public Progress {
 public:
  std::vector<std::pair<StatusPane, std::string>> paneTexts;
  std::vector<int> bar;
  int waitDepth = 0;
  int maxWaitDepth = 0;
  int repaints = 0;
  void SetPaneText(StatusPane pane, const std::string& cp932) override { paneTexts.emplace_back(pane, cp932); }
  void SetProgressBar(int percent) override { bar.push_back(percent); }
  void BeginWait() override { maxWaitDepth = std::max(maxWaitDepth, ++waitDepth); }
  void EndWait() override { --waitDepth; }
  void Repaint() override { ++repaints; }
};

// A store on a temporary storage location with in-memory settings and a scripted prompter.
struct StoreFixture {
  TempDir dir;
  MemorySettings settings;
  ScriptedPrompter prompter;
  Store store{settings, prompter};
  // A store as the settings sheet leaves it: the location chosen, its DOCDATA made.
  StoreFixture();
  // Writes a record file for `serial` with the given fields (others empty) through the store.
  void PutRecord(const std::string& serial, const IndexRecord& record);
  // A file of the list folder DOCDATA/LIST (native path), and its bytes (empty when unreadable).
  std::string ListFilePath(const std::string& name) const { return dir.path() + "/DOCDATA/LIST/" + name; }
  std::string ReadListFile(const std::string& name) const;
};

// UTF-8 literal to CP932, for readable test data.
std::string J(const char* utf8);

// Whether file modes stop this process: false for root (and any process that may override them),
// whose writes into a read-only folder succeed, so a test of that failure path cannot fail there.
bool FileModesBind();

// The number of write system calls this process has made so far (write, pwrite, ...), from the
// kernel's accounting in /proc/self/io; nothing where the kernel keeps none.
std::optional<std::uint64_t> WriteSystemCalls();

}  // namespace folidex::test

// Skips a test of a permission failure path when file modes do not bind this process, saying why;
// ./test.sh --ci runs these tests again as an unprivileged user.
#define FOLIDEX_REQUIRE_FILE_MODES()                                                                \
  do {                                                                                              \
    if (!::folidex::test::FileModesBind())                                                          \
      GTEST_SKIP() << "file modes do not bind this process (root?): this permission test needs an " \
                      "unprivileged user (scripts/unprivileged-tests runs it as nobody)";           \
  } while (false)
