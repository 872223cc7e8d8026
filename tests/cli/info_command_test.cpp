#include <gtest/gtest.h>

#include "CliRunner.h"
#include "PdfBuilder.h"
#include "support/TestSupport.h"

using namespace folidex::test;

TEST(CliInfo, PrintsTheSixFieldsOfEachFileAndReportsAnUnreadableOne) {
  TempDir dir;
  std::string settings = WriteSettingsFile(dir.path(), "[KanSet]\nStorePath=" + dir.path() + "\n");
  std::string xmpPdf = WritePdf(
      dir.path(), "cli_xmp.pdf",
      BuildPdf({{},
                XmpPacket("<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">報告書</rdf:li></rdf:Alt></dc:title>"
                          "<xmp:CreateDate>2010-12-01T10:20:30+09:00</xmp:CreateDate>"),
                {},
                {}}));
  std::string dictPdf =
      WritePdf(dir.path(), "cli_dict.pdf",
               BuildPdf({"/Title <FEFF30C630B930C8> /Author (Bob) /ModDate (D:20101201)", {}, {}, {}}));

  CliResult ok = RunCli({"--settings", settings, "info", xmpPdf, dictPdf});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.out,
            "PT\t報告書\nPA\t\nPS\t\nPK\t\nPC\t2010.12.01 10:20:30\nPM\t\n"
            "PT\tテスト\nPA\tBob\nPS\t\nPK\t\nPC\t\nPM\t2010.12.01 00:00:00\n");
  EXPECT_EQ(ok.err, "");

  std::string missing = dir.File("missing.pdf");
  CliResult bad = RunCli({"--settings", settings, "info", missing, dictPdf});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "PT\tテスト\nPA\tBob\nPS\t\nPK\t\nPC\t\nPM\t2010.12.01 00:00:00\n");
  EXPECT_EQ(bad.err, missing + "\nファイルのオープンに失敗\n");

  EXPECT_EQ(RunCli({"--settings", settings, "info"}).status, 2);
}
