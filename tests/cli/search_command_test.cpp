#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "CliRunner.h"
#include "list/RecordRow.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

struct CliSearch {
  StoreFixture f;
  std::string settings;
  CliSearch(const std::string& extra = "[KanSet]\nKakunin=0\n") {
    IndexRecord r;
    r[FieldTag::PT] = J("報告書");
    r[FieldTag::TY] = "O";
    r[FieldTag::FS] = "1234";
    r[FieldTag::FA] = "2011/02/01 10:00";
    r[FieldTag::TX] = J("年次REPORT 渡辺");
    f.PutRecord("00000000", r);
    r[FieldTag::PT] = "Minutes";
    r[FieldTag::FA] = "2010/02/01 10:00";
    r[FieldTag::TX] = "MEETING NOTES";
    f.PutRecord("00000002", r);
    settings = WriteSettingsFile(f.dir.path(), extra + "StorePath=" + f.dir.path() + "\n[Sys]\nNo=00000003\n");
  }
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--settings", settings, "search"});
    return RunCli(args);
  }
};

}  // namespace

TEST(CliSearch, PrintsEachHitAsItsSeventeenCells) {
  CliSearch s;
  CliResult result = s.Run({"--body", "report"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "1\t00000000\t×\t報告書\t\t\t\t\t\tO\t\t1,234\t\t\t2011/02/01 10:00\t\t\n");
  EXPECT_NE(result.err.find("該当 1件"), std::string::npos);

  result = s.Run({"--all", "渡邊"});
  EXPECT_EQ(result.out.substr(0, 11), "1\t00000000\t");
  result = s.Run({"--title", "Min", "--acquired", "--to", "2010/12/31"});
  EXPECT_EQ(result.out.substr(0, 11), "1\t00000002\t");
  // No condition lists every record; --max stops at the limit with its message.
  result = s.Run({"--max", "1"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out.substr(0, 11), "1\t00000000\t");
  EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1);
  EXPECT_NE(result.err.find(MessageTextUtf8(Msg::HitLimitReached)), std::string::npos);
  // Nothing found is no error.
  result = s.Run({"--title", "nothing"});
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(result.out.empty());
  EXPECT_NE(result.err.find(MessageTextUtf8(Msg::NoMatchingData)), std::string::npos);
}

TEST(CliSearch, BadConditionsAndADeclinedConfirmationFail) {
  CliSearch s("[KanSet]\nKakunin=1\n");
  CliResult result = s.Run({"--from", "2010-01-01"});
  EXPECT_NE(result.status, 0);
  EXPECT_NE(result.err.find(std::string("(自) ") + MessageTextUtf8(Msg::DateHasBadCharacter)), std::string::npos);
  EXPECT_TRUE(result.out.empty());

  result = RunCli({"--settings", s.settings, "--no", "search", "--body", "report"});
  EXPECT_NE(result.status, 0);
  EXPECT_NE(result.err.find("\tPDF本文：report\n"), std::string::npos);
  EXPECT_TRUE(result.out.empty());
  // The default answer is Yes.
  EXPECT_EQ(s.Run({"--body", "report"}).status, 0);

  EXPECT_EQ(s.Run({"--all", "x", "--title", "y"}).status, 2);
  EXPECT_EQ(s.Run({"--max", "0"}).status, 2);
  EXPECT_EQ(s.Run({"--body"}).status, 2);
  EXPECT_EQ(s.Run({"--space-cut"}).status, 2);
}

TEST(CliSearch, YureFollowsTheSettingAndTheFlagsOverrideItForOneRun) {
  CliSearch folded;  // no Search/Yure: forgiven
  EXPECT_EQ(folded.Run({"--title", "minutes"}).out.substr(0, 11), "1\t00000002\t");
  EXPECT_TRUE(folded.Run({"--title", "minutes", "--exact"}).out.empty());
  EXPECT_EQ(folded.Run({"--body", "ｒｅｐｏｒｔ"}).out.substr(0, 11), "1\t00000000\t");
  CliSearch exact("[Search]\nYure=0\n[KanSet]\nKakunin=0\n");
  EXPECT_TRUE(exact.Run({"--title", "minutes"}).out.empty());
  EXPECT_EQ(exact.Run({"--title", "minutes", "--fold"}).out.substr(0, 11), "1\t00000002\t");
  EXPECT_TRUE(exact.Run({"--title", "minutes"}).out.empty());  // the flag was not saved
}

TEST(CliSearch, TheIndexFiguresCountTheRecordFilesWhateverTheMode) {
  CliSearch s;
  const std::string cache = s.f.dir.File("cache");
  ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  std::uintmax_t bytes = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(s.f.dir.File("DOCDATA/TXT")))
    if (entry.is_regular_file()) bytes += entry.file_size();
  ASSERT_GT(bytes, 0u);
  const std::string figure = "（記録ファイル " + GroupDigits(std::to_string(bytes)) + "バイト）";
  for (const char* mode : {"--rebuild", "--check", ""}) {
    std::vector<std::string> args = {"--settings", s.settings, "index"};
    if (*mode) args.push_back(mode);
    const CliResult result = RunCli(args);
    ASSERT_EQ(result.status, 0) << mode << result.err;
    EXPECT_NE(result.out.find(figure), std::string::npos) << mode << ": " << result.out;
  }
  ::unsetenv("XDG_CACHE_HOME");
}
