#include <gtest/gtest.h>

#include "CliRunner.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

TEST(CliRecord, PrintsTheSeventeenFieldsOfAStoredRecord) {
  StoreFixture f;
  IndexRecord r;
  r[FieldTag::PT] = J("報告書");
  r[FieldTag::FS] = "1234";
  r[FieldTag::TX] = "BODY TEXT";
  f.PutRecord("00000107", r);
  std::string settings =
      WriteSettingsFile(f.dir.path(), "[KanSet]\nStorePath=" + f.dir.path() + "\n[Sys]\nNo=00000108\n");

  CliResult result = RunCli({"--settings", settings, "record", "00000107"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "PT\t報告書\nPA\t\nPS\t\nPK\t\nPC\t\nPM\t\nTY\t\nFN\t\nFS\t1234\nTS\t\nFC\t\nFA\t\nFP\t\nFG\t\nY1\t\n"
            "Y2\t\nTX\tBODY TEXT\n");
  // A short serial is padded; --store overrides the settings' location.
  result = RunCli({"--settings", settings, "--store", f.dir.path(), "record", "107"});
  EXPECT_EQ(result.status, 0);

  result = RunCli({"--settings", settings, "counter"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "00000108\n");
}

TEST(CliRecord, ReportsErrorsOnStderr) {
  StoreFixture f;
  std::string settings = WriteSettingsFile(f.dir.path(), "[KanSet]\nStorePath=" + f.dir.path() + "\n");
  CliResult missing = RunCli({"--settings", settings, "record", "00000001"});
  EXPECT_NE(missing.status, 0);
  EXPECT_TRUE(missing.out.empty());
  EXPECT_NE(missing.err.find("00000001"), std::string::npos);

  EXPECT_EQ(RunCli({"--settings", settings, "record", "12x"}).status, 2);
  EXPECT_EQ(RunCli({"--settings", settings, "nosuchcommand"}).status, 2);
  EXPECT_NE(RunCli({"--settings", f.dir.File("absent.conf"), "record", "1"}).status, 0);
}
