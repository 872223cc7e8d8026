#include <gtest/gtest.h>

#include <QGuiApplication>

#include "CliRunner.h"
#include "PdfBuilder.h"
#include "ScanPdf.h"
#include "pdf/tesseract/TesseractRecognizer.h"
#include "support/TestSupport.h"

using namespace folidex::test;

TEST(CliOcr, PrintsTheTextOfThePicturePagesAndSaysWhatHappenedToEachPage) {
  if (!folidex::TesseractRecognizer().Check().Ready())
    GTEST_SKIP() << "text recognition is not installed (libtesseract5, tesseract-ocr-jpn, -jpn-vert, -eng, -osd)";
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "cli_ocr";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);  // fonts for drawing the PDF

  TempDir dir;
  std::string settings = WriteSettingsFile(dir.path(), "[KanSet]\nStorePath=" + dir.path() + "\n");
  const std::string pdf = dir.File("mixed.pdf");
  ASSERT_TRUE(WriteScanPdf(QString::fromStdString(pdf), {{QStringLiteral("表紙 Annual Report"), false},
                                                         {QStringLiteral("請求書の支払期限は来月末です。")}}));
  CliResult run = RunCli({"--settings", settings, "ocr", pdf});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("支払期限"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("Annual"), std::string::npos) << run.out;  // the text page is not printed
  EXPECT_EQ(run.out.back(), '\n');
  EXPECT_NE(run.err.find("page 1/2: text layer"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("page 2/2: recognised, "), std::string::npos) << run.err;
}

TEST(CliOcr, ReportsAFileItCannotRead) {
  TempDir dir;
  std::string settings = WriteSettingsFile(dir.path(), "[KanSet]\nStorePath=" + dir.path() + "\n");
  const std::string missing = dir.File("missing.pdf");
  CliResult run = RunCli({"--settings", settings, "ocr", missing});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, missing + "\nファイルのオープンに失敗\n");

  const std::string text = WritePdf(dir.path(), "notes.pdf", "plain words\n");
  run = RunCli({"--settings", settings, "ocr", text});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, text + "\nPDFファイルではありません\n");

  EXPECT_EQ(RunCli({"--settings", settings, "ocr"}).status, 2);
}
