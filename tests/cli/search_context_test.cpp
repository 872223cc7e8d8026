#include <gtest/gtest.h>

#include <QGuiApplication>

#include "CliRunner.h"
#include "common/Cp932.h"
#include "support/TestSupport.h"
#include "support/qt/QtTestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

class CliSearchContext : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "cli_search_context";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);  // fonts for drawing the PDF
  }
  StoreFixture f;
  std::string settings;
  void SetUp() override {
    const std::string pdf = f.dir.path() + "/outside.pdf";
    WriteJapanesePdf(QString::fromStdString(pdf),
                     {QStringLiteral("表紙"), QStringLiteral("第二章の契約条項"), QStringLiteral("三"),
                      QStringLiteral("四"), QStringLiteral("契約の終わり")});
    IndexRecord r;
    r[FieldTag::PT] = J("文書");
    r[FieldTag::TY] = "O";
    r[FieldTag::FG] = FromNativePath(pdf);
    r[FieldTag::TX] = J("表紙 第二章の契約条項 三 四 契約の終わり");
    f.PutRecord("00000000", r);
    r[FieldTag::FG] = FromNativePath(f.dir.path() + "/gone.pdf");
    r[FieldTag::TX] = J("ここにｹｲﾔｸがある");
    f.PutRecord("00000001", r);
    settings =
        WriteSettingsFile(f.dir.path(), "[KanSet]\nKakunin=0\nStorePath=" + f.dir.path() + "\n[Sys]\nNo=00000002\n");
  }
  CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--settings", settings, "search"});
    return RunCli(args);
  }
};

}  // namespace

TEST_F(CliSearchContext, EachHitIsFollowedByItsPlacesWithTheirPages) {
  CliResult result = Run({"--body", "契約", "--fold", "--context"});
  ASSERT_EQ(result.status, 0) << result.err;
  // From the document's pages, with their numbers (a page's text as the document has it).
  const std::string row = "1\t00000000\t";
  ASSERT_EQ(result.out.substr(0, row.size()), row);
  EXPECT_EQ(result.out.substr(result.out.find('\n') + 1),
            "\t[page 2] 第二章の【契約】条項\n\t[page 5] 【契約】の終わり\n");

  // The document out of reach: the stored text, as stored, page unknown; the folded rule shows
  // the half-width form it matched, and the exact rule matches nothing there.
  result = Run({"--body", "ケイヤク", "--fold", "--context"});
  ASSERT_EQ(result.out.substr(0, row.size()), "1\t00000001\t");
  EXPECT_EQ(result.out.substr(result.out.find('\n') + 1), "\t[page ?] ここに【ｹｲﾔｸ】がある\n");
  EXPECT_EQ(Run({"--body", "ケイヤク", "--exact", "--context"}).out, "");
  EXPECT_EQ(Run({"--body", "x", "--json", "--context"}).status, 2);
}
