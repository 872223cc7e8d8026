// folidex-cli for a user who has no store yet: every command says why it cannot run, and
// `init` makes the store (or refuses to touch a folder that holds something).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CliRunner.h"
#include "support/TestSupport.h"

using namespace folidex::test;

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool IsDir(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

TEST(CliWithoutStore, EveryCommandSaysWhyAndNoQtWarningAppears) {
  TempDir dir;
  // Neither settings nor a runtime folder: what a fresh terminal session on a server has.
  unsetenv("XDG_RUNTIME_DIR");
  const std::string settings = WriteSettingsFile(dir.path(), "");
  const std::string pdf = dir.path() + "/missing.pdf";
  const std::vector<std::vector<std::string>> needStore = {
      {"record", "1"},    {"search", "--title", "a"},        {"import", pdf}, {"list", "ListData.csv"}, {"dupes"},
      {"dupes", "--all"}, {"export", dir.path() + "/o.xlsx"}};
  for (const auto& command : needStore) {
    std::vector<std::string> args = {"--settings", settings};
    args.insert(args.end(), command.begin(), command.end());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 1) << command[0];
    EXPECT_TRUE(result.out.empty()) << command[0];
    EXPECT_NE(result.err.find("folidex-cli init DIR --use"), std::string::npos) << command[0] << ": " << result.err;
    EXPECT_EQ(result.err.find("QStandardPaths"), std::string::npos) << result.err;
  }
  for (const std::string command : {"info", "ocr"}) {
    const CliResult result = RunCli({"--settings", settings, command, pdf});
    EXPECT_EQ(result.status, 1) << command;
    // The file is named and followed by a reason, never by nothing.
    const std::size_t at = result.err.find(pdf);
    ASSERT_NE(at, std::string::npos) << result.err;
    EXPECT_GT(result.err.size(), at + pdf.size() + 2) << command << ": " << result.err;
  }
  EXPECT_FALSE(IsDir(dir.path() + "/DOCDATA"));  // nothing was created on the way
}

TEST(CliInit, MakesAnEmptyStoreAndUsesIt) {
  TempDir dir;
  unsetenv("XDG_RUNTIME_DIR");
  const std::string settings = WriteSettingsFile(dir.path(), "[Sys]\nNo=00000042\n");
  const std::string location = dir.path() + "/新しい/資料";  // made with its parent
  CliResult result = RunCli({"--settings", settings, "init", location, "--use"});
  ASSERT_EQ(result.status, 0) << result.err;
  for (const char* folder : {"TXT", "PDF", "LIST"}) EXPECT_TRUE(IsDir(location + "/DOCDATA/" + folder)) << folder;
  EXPECT_EQ(Slurp(location + "/DOCDATA/counter"), "00000000");
  EXPECT_TRUE(Slurp(location + "/DOCDATA/index").empty());
  EXPECT_TRUE(IsDir(location + "/DOCDATA/index") == false);

  // The store is now the user's: the counter starts again, a search runs and finds nothing.
  result = RunCli({"--settings", settings, "counter"});
  EXPECT_EQ(result.out, "00000000\n");
  result = RunCli({"--settings", settings, "search", "--title", "x"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err.find("QStandardPaths"), std::string::npos) << result.err;

  // A second init of the same folder is refused and leaves the store as it was.
  std::ofstream(location + "/DOCDATA/TXT/keep") << "x";
  result = RunCli({"--settings", settings, "init", location, "--force"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("DOCDATA"), std::string::npos) << result.err;
  EXPECT_EQ(Slurp(location + "/DOCDATA/TXT/keep"), "x");
}

TEST(CliInit, RefusesFoldersThatHoldSomething) {
  TempDir dir;
  const std::string settings = WriteSettingsFile(dir.path(), "");
  // A folder with other files.
  const std::string busy = dir.path() + "/busy";
  ASSERT_EQ(mkdir(busy.c_str(), 0700), 0);
  std::ofstream(busy + "/note.txt") << "mine";
  CliResult result = RunCli({"--settings", settings, "init", busy});
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(IsDir(busy + "/DOCDATA"));
  EXPECT_EQ(Slurp(busy + "/note.txt"), "mine");

  // An empty DOCDATA: refused, accepted with --force.
  const std::string empty = dir.path() + "/empty";
  ASSERT_EQ(mkdir(empty.c_str(), 0700), 0);
  ASSERT_EQ(mkdir((empty + "/DOCDATA").c_str(), 0700), 0);
  result = RunCli({"--settings", settings, "init", empty});
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(IsDir(empty + "/DOCDATA/TXT"));
  result = RunCli({"--settings", settings, "init", empty, "--force"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Slurp(empty + "/DOCDATA/counter"), "00000000");

  // A file where the folder should be; no folder named; an unknown option.
  const std::string file = dir.path() + "/file";
  std::ofstream(file) << "x";
  EXPECT_EQ(RunCli({"--settings", settings, "init", file}).status, 1);
  EXPECT_EQ(RunCli({"--settings", settings, "init"}).status, 2);
  EXPECT_EQ(RunCli({"--settings", settings, "init", empty, "--now"}).status, 2);
  // Without --use the settings stay untouched.
  EXPECT_EQ(Slurp(settings).find("StorePath"), std::string::npos);
}
