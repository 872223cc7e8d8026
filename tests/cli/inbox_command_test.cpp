// folidex-cli import --once / --watch on an inbox folder, as a scanner's folder is watched.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "CliRunner.h"
#include "PdfBuilder.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "store/RecordListing.h"
#include "store/StoreLock.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;
namespace fs = std::filesystem;

namespace {

class CliInbox : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    setenv("XDG_DATA_HOME", runtime.path().c_str(), 1);
    fs::create_directories(store.path() + "/DOCDATA");
    settings = WriteSettingsFile(store.path(),
                                 "[KanSet]\nStorePath=" + store.path() + "\nOcr=0\nInbox=" + inbox.path() + "\n");
  }
  std::string Put(const std::string& name, const std::string& title) {
    return WritePdf(inbox.path(), name, BuildPdf({"/Title (" + title + ")", {}, {}, {}}));
  }
  std::size_t Records() { return ListRecordFiles(store.path() + "/DOCDATA/TXT").serials.size(); }
  std::vector<std::string> Args(std::vector<std::string> command) {
    command.insert(command.begin(), {"--settings", settings});
    return command;
  }

  TempDir store, inbox, runtime;
  std::string settings;
};

TEST_F(CliInbox, OnceTakesWhatIsThereSortsOutDuplicatesAndFailuresAndEnds) {
  Put("a.pdf", "First");
  const std::string stored = Put("already.pdf", "Stored before");
  ASSERT_EQ(RunCli(Args({"import", "--copy", stored})).status, 0);
  Put("b.PDF", "Second");
  std::ofstream(inbox.File("broken.pdf")) << "this is not a PDF at all";
  std::ofstream(inbox.File("note.txt")) << "left alone";
  std::ofstream(inbox.File("c.pdf.part")) << "still downloading";

  const CliResult run = RunCli(Args({"import", "--once"}));
  EXPECT_EQ(run.status, 1) << run.err;  // one file failed
  EXPECT_NE(run.out.find("00000001\tFirst"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("00000002\tSecond"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("シリアル番号 00000000"), std::string::npos) << run.err;
  EXPECT_EQ(Records(), 3u);
  EXPECT_TRUE(fs::exists(inbox.File("登録済み/a.pdf")));
  EXPECT_TRUE(fs::exists(inbox.File("登録済み/already.pdf")));
  EXPECT_TRUE(fs::exists(inbox.File("登録済み/b.PDF")));
  EXPECT_TRUE(fs::exists(inbox.File("エラー/broken.pdf")));
  std::string reason;
  ASSERT_TRUE(ReadFileBytes(inbox.File("エラー/broken.pdf.txt"), reason));
  EXPECT_EQ(reason, std::string(MessageTextUtf8(Msg::PdfNotPdf)) + "\n");
  EXPECT_TRUE(fs::exists(inbox.File("note.txt")));
  EXPECT_TRUE(fs::exists(inbox.File("c.pdf.part")));
  std::string log;
  ASSERT_TRUE(ReadFileBytes(store.path() + "/DOCDATA/LOG/inbox.log", log));
  EXPECT_NE(log.find(inbox.File("broken.pdf")), std::string::npos);

  // Nothing is left to take: a second run stores nothing and succeeds.
  const CliResult again = RunCli(Args({"import", "--once"}));
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, "");
  EXPECT_EQ(Records(), 3u);
}

TEST_F(CliInbox, AnInboxWatchedByAnotherProgramIsRefusedByOnceAndWaitedForByWatch) {
  Put("a.pdf", "First");
  // The desktop program (another process, as far as the lock can tell) watches it.
  StoreLockOptions other;
  other.program = "folidex";
  other.pid = 1;  // alive, and not us
  other.host = "";
  StoreLock desktop(inbox.File(".folidex-inbox.lock"), other);
  ASSERT_EQ(desktop.TryAcquire(), LockResult::Taken);

  const CliResult refused = RunCli(Args({"import", "--once"}));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find(MessageTextUtf8(Msg::InboxBusy)), std::string::npos) << refused.err;
  EXPECT_EQ(Records(), 0u);
  EXPECT_TRUE(fs::exists(inbox.File("a.pdf")));

  // --watch waits for the inbox; once the desktop program lets go it takes the file, and a
  // SIGTERM ends it cleanly.
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    const std::string program = CliPath();
    std::vector<std::string> args = Args({"import", "--watch", inbox.path()});
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  auto readFor = [&](int ms) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (got.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end) {
      pollfd p{out[0], POLLIN, 0};
      if (::poll(&p, 1, 100) > 0) {
        char buffer[256];
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
      }
    }
    return got;
  };
  EXPECT_EQ(readFor(3500), "");  // waiting: nothing taken while the other holds the inbox
  EXPECT_EQ(Records(), 0u);
  desktop.Release();
  EXPECT_EQ(readFor(20000), "00000000\tFirst\n");
  EXPECT_EQ(Records(), 1u);
  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  close(out[0]);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(fs::exists(inbox.File(".folidex-inbox.lock")));
}

}  // namespace
