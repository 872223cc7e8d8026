// The writer's lock of a store: taken and given back, a live holder waited for and named, a dead
// local holder and a silent other computer taken over (by this machine's clock, remembered across
// runs), and a lock that changed hands noticed.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/ListRows.h"
#include "list/SavedLists.h"
#include "store/Store.h"
#include "store/StoreLock.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

struct LockFixture : StoreFixture {
  TempDir cache;
  FixedClock clock{100'000};
  std::vector<long> alive;  // the pids the injected probe calls running
  int waits = 0;

  StoreLockOptions Options(const std::string& host = "alpha", long pid = 4242) {
    StoreLockOptions options;
    options.program = "folidex-test";
    options.host = host;
    options.user = "tester";
    options.pid = pid;
    options.clock = &clock;
    options.processAlive = [this](long p) { return std::find(alive.begin(), alive.end(), p) != alive.end(); };
    options.sightingFolder = cache.path();
    options.wait = std::chrono::milliseconds(300);
    options.poll = std::chrono::milliseconds(20);
    options.waiting = [this](const LockHolder* holder) { waits += holder != nullptr; };
    options.noticeAfter = std::chrono::milliseconds(0);
    return options;
  }
  std::string LockPath() const { return dir.path() + "/DOCDATA/.lock"; }
  std::string LockBytes() const {
    std::string bytes;
    ReadFileBytes(LockPath(), bytes);
    return bytes;
  }
  void PutLock(const std::string& host, long pid, long renewals = 3) {
    LockHolder other{host, "someone", "folidex-cli", pid, renewals, "00000000deadbeef"};
    ASSERT_TRUE(WriteFileAtomic(LockPath(), FormatLockFile(other)));
  }
};

TEST(StoreLock, IsTakenNamedReleasedAndExclusive) {
  LockFixture f;
  StoreLock mine(f.LockPath(), f.Options("alpha", 4242));
  ASSERT_EQ(mine.TryAcquire(), LockResult::Taken);
  const std::optional<LockHolder> holder = ParseLockFile(f.LockBytes());
  ASSERT_TRUE(holder);
  EXPECT_EQ(holder->host, "alpha");
  EXPECT_EQ(holder->user, "tester");
  EXPECT_EQ(holder->program, "folidex-test");
  EXPECT_EQ(holder->pid, 4242);

  // A renewal counts up and replaces the file; our own lock stays ours.
  ASSERT_TRUE(mine.Renew());
  EXPECT_EQ(ParseLockFile(f.LockBytes())->renewals, 1);

  f.alive = {4242};
  StoreLock other(f.LockPath(), f.Options("alpha", 5151));
  EXPECT_EQ(other.TryAcquire(), LockResult::Busy);
  EXPECT_EQ(other.Holder().pid, 4242);
  // An interrupt ends a long wait at once.
  StoreLockOptions interrupted = f.Options("alpha", 5151);
  interrupted.wait = std::chrono::minutes(10);
  interrupted.cancelled = [] { return true; };
  StoreLock waiter(f.LockPath(), interrupted);
  EXPECT_EQ(waiter.Acquire(), LockResult::Cancelled);
  mine.Release();
  EXPECT_FALSE(PathExists(f.LockPath()));
  EXPECT_EQ(other.TryAcquire(), LockResult::Taken);
}

TEST(StoreLock, ALiveHolderIsWaitedForThenNamedAndNothingIsWritten) {
  LockFixture f;
  // A real process of this machine holds the store.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    pause();
    _exit(0);
  }
  StoreLockOptions options = f.Options(std::string(), 0);  // this machine's name, this process
  options.processAlive = nullptr;                          // the real probe
  f.store.SetLockOptions(options);
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  f.PutLock(host, child);
  const std::string before = f.LockBytes();
  const std::string counter = f.store.ReadSerialCounter();

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(f.store.TakeNewSerial(), "");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));  // it waited
  EXPECT_EQ(f.waits, 1);
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  const std::string text = Cp932ToUtf8(f.prompter.shown[0].text);
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::StoreLockBusy)) << text;
  for (const std::string& part :
       {std::string(host), std::string("someone"), std::string("folidex-cli"), std::to_string(child)})
    EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
  // Nothing changed: no counter, no serial handed out, the holder's lock as it was.
  EXPECT_FALSE(PathExists(f.dir.path() + "/DOCDATA/counter"));
  EXPECT_EQ(f.store.ReadSerialCounter(), counter);
  EXPECT_EQ(f.LockBytes(), before);

  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  // Its holder gone, the same write goes through at once and leaves no lock behind.
  f.prompter.shown.clear();
  EXPECT_EQ(f.store.TakeNewSerial(), "00000000");
  EXPECT_TRUE(f.prompter.shown.empty());
  EXPECT_FALSE(PathExists(f.LockPath()));
}

TEST(StoreLock, ADeadLocalHolderIsTakenOverAtOnceAndTheLockIsOursAfterwards) {
  LockFixture f;
  f.PutLock("alpha", 777);  // same host; 777 does not run
  StoreLockOptions options = f.Options("alpha", 4242);
  options.wait = std::chrono::milliseconds(0);
  StoreLock lock(f.LockPath(), options);
  ASSERT_EQ(lock.Acquire(), LockResult::Taken);
  EXPECT_EQ(f.waits, 0);
  const std::optional<LockHolder> holder = ParseLockFile(f.LockBytes());
  ASSERT_TRUE(holder);
  EXPECT_EQ(holder->pid, 4242);
  EXPECT_EQ(f.LockBytes(), lock.OwnBytes());
  // Nothing of the takeover is left beside it.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(f.dir.path() + "/DOCDATA"))
    entries += entry.path().filename().string().rfind(".lock", 0) == 0;
  EXPECT_EQ(entries, 1);
  lock.Release();
  EXPECT_FALSE(PathExists(f.LockPath()));
}

TEST(StoreLock, AnotherComputersSilentLockIsTakenAfterTwoMinutesOfOurOwnClock) {
  LockFixture f;
  f.PutLock("beta", 4242);  // another host: its pid says nothing here
  auto attempt = [&] {
    StoreLock lock(f.LockPath(), f.Options("alpha", 4242));  // a new run each time
    return lock.TryAcquire();
  };
  EXPECT_EQ(attempt(), LockResult::Busy);  // first seen now
  f.clock.Advance(119);
  EXPECT_EQ(attempt(), LockResult::Busy);
  f.clock.Advance(1);
  StoreLock lock(f.LockPath(), f.Options("alpha", 4242));
  ASSERT_EQ(lock.TryAcquire(), LockResult::Taken);
  EXPECT_EQ(ParseLockFile(f.LockBytes())->host, "alpha");
}

TEST(StoreLock, AnotherComputerThatRenewsItsLockKeepsIt) {
  LockFixture f;
  auto attempt = [&] {
    StoreLock lock(f.LockPath(), f.Options("alpha", 4242));
    return lock.TryAcquire();
  };
  f.PutLock("beta", 99, 1);
  EXPECT_EQ(attempt(), LockResult::Busy);
  for (long renewal = 2; renewal < 12; ++renewal) {  // renewed every twenty seconds, for 200
    f.clock.Advance(20);
    f.PutLock("beta", 99, renewal);
    EXPECT_EQ(attempt(), LockResult::Busy) << renewal;
  }
  // Its clock is not ours to compare: a lock file far in the past by its date stays held too.
  std::filesystem::last_write_time(f.LockPath(),
                                   std::filesystem::file_time_type::clock::now() - std::chrono::hours(24));
  EXPECT_EQ(attempt(), LockResult::Busy);
}

TEST(StoreLock, ALockThatChangedHandsIsNeverRemovedAndStopsTheWriter) {
  LockFixture f;
  StoreLockOptions options = f.Options("alpha", 4242);
  // The first renewal comes well after the takeover below, so the two never cross.
  options.renewal = std::chrono::milliseconds(300);
  f.store.SetLockOptions(options);
  StoreWriteLock hold = f.store.LockForWriting();
  ASSERT_TRUE(hold);
  {
    StoreWriteLock nested = f.store.LockForWriting();  // nests: no wait, the same file
    EXPECT_TRUE(nested);
  }
  EXPECT_TRUE(PathExists(f.LockPath()));  // the outer hold still has it
  // Taken over meanwhile (this program looked gone to another computer).
  f.PutLock("beta", 1);
  const std::string theirs = f.LockBytes();
  for (int i = 0; i < 2000; ++i) {
    if (!f.store.LockForWriting()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // The renewal noticed: every further write is refused, and their lock is left alone.
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::StoreLockLost));
  EXPECT_EQ(f.store.TakeNewSerial(), "");
  EXPECT_FALSE(PathExists(f.dir.path() + "/DOCDATA/counter"));
  hold.Reset();
  EXPECT_EQ(f.LockBytes(), theirs);
}

// Store folders are real folders; the clean-up removes only the program's own temporaries.
TEST(StoreFolders, ALinkedFolderIsRefusedAndItsTargetUntouched) {
  StoreFixture f;
  TempDir elsewhere;
  const std::string decoy = elsewhere.File("report.docx.tmp0000abcd");
  const std::string lookalike = elsewhere.File("00000005.PDF.tmp0000abcd");
  for (const std::string& path : {decoy, lookalike}) {
    ASSERT_TRUE(WriteFileAtomic(path, "keep"));
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  }
  std::filesystem::create_directories(f.dir.path() + "/DOCDATA/PDF");
  ASSERT_EQ(symlink(elsewhere.path().c_str(), (f.dir.path() + "/DOCDATA/PDF/05").c_str()), 0);
  const std::string source = f.dir.File("in.pdf");
  ASSERT_TRUE(WriteFileAtomic(source, "%PDF-1.4 body"));

  EXPECT_FALSE(f.store.StorePdfCopy(NativePath(source), "00000005"));
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::StoreFolderIsLink));
  EXPECT_NE(Cp932ToUtf8(f.prompter.shown[0].text).find("DOCDATA/PDF/05"), std::string::npos);
  int inTarget = 0;
  for (const auto& entry : std::filesystem::directory_iterator(elsewhere.path())) inTarget += entry.exists();
  EXPECT_EQ(inTarget, 2);
  EXPECT_TRUE(PathExists(decoy));
  EXPECT_TRUE(PathExists(lookalike));
  // A delete does not reach through it either.
  ASSERT_TRUE(WriteFileAtomic(elsewhere.File("00000005.PDF"), "theirs"));
  f.store.RemoveDocumentCopy("00000005");
  EXPECT_TRUE(PathExists(elsewhere.File("00000005.PDF")));

  // A linked DOCDATA is refused as a whole.
  StoreFixture g;
  TempDir real;
  std::filesystem::remove_all(g.dir.path() + "/DOCDATA");
  std::filesystem::create_directories(real.path() + "/DOCDATA");
  ASSERT_EQ(symlink((real.path() + "/DOCDATA").c_str(), (g.dir.path() + "/DOCDATA").c_str()), 0);
  EXPECT_EQ(g.store.TakeNewSerial(), "");
  EXPECT_TRUE(g.prompter.ShowedMessage(Msg::StoreFolderIsLink));
  EXPECT_TRUE(std::filesystem::is_empty(real.path() + "/DOCDATA"));

  // LIST and the folders kept for later use alike.
  StoreFixture h;
  TempDir target;
  for (const char* name : {"LIST", "BACKUP"})
    ASSERT_EQ(symlink(target.path().c_str(), (h.dir.path() + "/DOCDATA/" + name).c_str()), 0);
  ListRows list;
  EXPECT_EQ(SaveListFile(list, h.store, h.prompter, "ListData.csv"), kListFileOpenFailed);
  EXPECT_EQ(h.store.WritableFolder("BACKUP"), "");
  ASSERT_EQ(h.prompter.shown.size(), 2u);
  EXPECT_TRUE(h.prompter.ShowedMessage(Msg::StoreFolderIsLink));
  EXPECT_TRUE(std::filesystem::is_empty(target.path()));
}

TEST(StoreFolders, TheFirstLockedWriteRemovesKilledRunsTemporariesAndNothingElse) {
  StoreFixture f;
  const std::string root = f.dir.path() + "/DOCDATA";
  auto put = [](const std::string& path, bool old) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(WriteFileAtomic(path, "x"));
    if (old)
      std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
  };
  // What killed runs left: removed whatever their age (no other writer holds the lock).
  const std::vector<std::string> stale = {root + "/TXT/07/00000007.TXT.tmp0123abcd",
                                          root + "/PDF/99/00000199.PDF.tmp89abcdef",
                                          root + "/LIST/ListData.csv.tmp0000ffff"};
  // Not the program's own pattern for that folder, too fresh in LIST, or in a folder never cleaned.
  const std::vector<std::string> kept = {
      root + "/TXT/07/notes.TXT.tmp0123abcd",    root + "/TXT/07/00000007.PDF.tmp0123abcd",
      root + "/PDF/99/00000199.PDF.tmp0123ABCD", root + "/PDF/99/report.docx.tmp0000abcd",
      root + "/LIST/ListData.csv.tmp0000eeee",   root + "/BACKUP/00000001.TXT.tmp0123abcd",
      root + "/TRASH/00000001.PDF.tmp0123abcd",  root + "/00000001.TXT.tmp0123abcd"};
  put(stale[0], false);
  put(stale[1], false);
  put(stale[2], true);
  for (const std::string& path : kept) put(path, path.find("ListData") == std::string::npos);

  EXPECT_NE(f.store.TakeNewSerial(), "");
  for (const std::string& path : stale) EXPECT_FALSE(PathExists(path)) << path;
  for (const std::string& path : kept) EXPECT_TRUE(PathExists(path)) << path;
}

}  // namespace
