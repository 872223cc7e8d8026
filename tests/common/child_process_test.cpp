#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <thread>

#include "common/ChildProcess.h"
#include "common/FileSystem.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

// True while the process exists and is not a zombie.
bool Alive(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

}  // namespace

TEST(RunProgram, TakesTheArgumentsAsTheyAreAndCapturesBothStreams) {
  ProgramOptions options;
  options.environment = {"FOLIDEX_PROBE=set here"};
  ProgramResult run = RunProgram(
      {"sh", "-c", "printf '%s|' \"$@\"; echo \"$FOLIDEX_PROBE\"; echo oops >&2; exit 3", "sh", "a b", "*", "$HOME"},
      options);
  ASSERT_TRUE(run.started);
  EXPECT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_FALSE(run.Succeeded());
  EXPECT_EQ(run.output, "a b|*|$HOME|set here\n");
  EXPECT_EQ(run.errors, "oops\n");

  ProgramResult big = RunProgram({"sh", "-c", "head -c 300000 /dev/zero"});
  EXPECT_TRUE(big.Succeeded());
  EXPECT_EQ(big.output.size(), 300000u);
}

TEST(RunProgram, AMissingProgramIsNotStarted) {
  ProgramResult run = RunProgram({"folidex-no-such-program"});
  EXPECT_FALSE(run.started);
  EXPECT_EQ(run.startError, ENOENT);
  EXPECT_FALSE(RunProgram({"/nonexistent/program"}).started);
  EXPECT_FALSE(RunProgram({}).started);
}

TEST(RunProgram, TheTimeLimitEndsTheProgramWithEverythingItStarted) {
  TempDir dir;
  const std::string pidFile = dir.File("helper.pid");
  ProgramOptions options;
  options.timeLimit = std::chrono::milliseconds(500);
  ProgramResult run = RunProgram({"sh", "-c", "sleep 300 & echo $! > \"$1\"; sleep 300", "sh", pidFile}, options);
  EXPECT_TRUE(run.started);
  EXPECT_TRUE(run.timedOut);
  EXPECT_EQ(run.exitStatus, -1);
  std::string text;
  ASSERT_TRUE(ReadFileBytes(pidFile, text));
  pid_t helper = static_cast<pid_t>(std::stol(text));
  for (int i = 0; i < 100 && Alive(helper); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(Alive(helper));
}
