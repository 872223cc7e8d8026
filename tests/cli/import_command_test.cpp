// folidex-cli import as a user runs it on folders of PDFs drawn by Qt's PDF writer.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QLockFile>
#include <QPainter>
#include <QPdfWriter>
#include <filesystem>

#include "CliRunner.h"
#include "PdfBuilder.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"
#include "common/qt/InstanceLock.h"
#include "store/Digest.h"
#include "store/Store.h"
#include "support/TestSupport.h"
#include "support/qt/QtTestSupport.h"

using namespace folidex;
using namespace folidex::test;
namespace fs = std::filesystem;

namespace {

class CliImport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "cli_import";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);  // fonts for drawing the PDFs
  }
  void SetUp() override {
    // The single-instance lock lives in the runtime folder: this test's own.
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    fs::create_directories(store.path() + "/DOCDATA");
    settings = WriteSettingsFile(store.path(), "[KanSet]\nStorePath=" + store.path() + "\nOcr=0\n");
  }
  std::string Pdf(const std::string& relative, const QStringList& pages, const QString& title) {
    const std::string path = docs.File(relative);
    fs::create_directories(fs::path(path).parent_path());
    WriteJapanesePdf(QString::fromStdString(path), pages, title);
    return path;
  }
  IndexRecord Record(const std::string& serial) {
    std::string bytes;
    ReadFileBytes(store.path() + "/DOCDATA/TXT/" + serial.substr(6, 2) + "/" + serial + ".TXT", bytes);
    IndexRecord record;
    ParseRecordFile(bytes, false, record);
    return record;
  }
  std::string Counter() {
    std::string text;
    ReadFileBytes(settings, text);
    const std::size_t at = text.find("No=");
    return at == std::string::npos ? "" : text.substr(at + 3, 8);
  }
  CliResult Import(std::vector<std::string> args) {
    args.insert(args.begin(), {"--settings", settings, "import"});
    return RunCli(args, 120);
  }

  TempDir runtime, store, docs;
  std::string settings;
};

TEST_F(CliImport, AFolderBecomesRecordsInSortedOrderAndASecondRunSkipsTheDuplicates) {
  const std::string b =
      Pdf("b.pdf", {QStringLiteral("請求書の本文"), QStringLiteral("二頁目の支払期限")}, QStringLiteral("請求書"));
  const std::string a = Pdf("a.pdf", {QStringLiteral("議事録の本文")}, QStringLiteral("議事録"));
  const std::string c = Pdf("sub/c.PDF", {QStringLiteral("報告書の本文")}, QStringLiteral("報告書"));
  ASSERT_TRUE(WriteFileAtomic(docs.File("notes.txt"), "not a pdf"));

  CliResult run = Import({"--copy", docs.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "00000000\t議事録\n00000001\t請求書\n00000002\t報告書\n");
  EXPECT_NE(run.err.find("3件を登録しました"), std::string::npos) << run.err;
  EXPECT_EQ(Counter(), "00000003");

  const IndexRecord r = Record("00000001");
  EXPECT_EQ(Cp932ToUtf8(r[FieldTag::PT]), "請求書");
  EXPECT_EQ(r[FieldTag::TY], "I");
  EXPECT_EQ(r[FieldTag::FN], "b.pdf");
  EXPECT_EQ(r[FieldTag::FG], b);
  EXPECT_EQ(r[FieldTag::Y2], FileDigestHexNative(b));
  EXPECT_EQ(r[FieldTag::FS], std::to_string(fs::file_size(b)));
  const std::string text = Cp932ToUtf8(r[FieldTag::TX]);
  EXPECT_NE(text.find("請求書の本文"), std::string::npos) << text;
  EXPECT_NE(text.find("二頁目の支払期限"), std::string::npos) << text;
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_EQ(r[FieldTag::TS], std::to_string(r[FieldTag::TX].size()));
  std::string copy, original;
  ReadFileBytes(store.path() + "/DOCDATA/PDF/01/00000001.PDF", copy);
  ReadFileBytes(b, original);
  EXPECT_TRUE(!copy.empty() && copy == original);
  EXPECT_EQ(Record("00000002")[FieldTag::FG], c);

  // The same folder again, skipping what is stored: nothing new.
  CliResult again = Import({"--skip-duplicates", docs.path()});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, "");
  EXPECT_NE(again.err.find(a + ": 同じ内容のPDF"), std::string::npos) << again.err;
  EXPECT_EQ(Counter(), "00000003");
}

TEST_F(CliImport, ADamagedFileIsReportedAndTheRestAreStored) {
  Pdf("a.pdf", {QStringLiteral("一つ目")}, QStringLiteral("一"));
  ASSERT_TRUE(WriteFileAtomic(docs.File("b.pdf"), "%PDF-1.7\n1 0 obj\n<< /Type /Cat"));
  Pdf("c.pdf", {QStringLiteral("三つ目")}, QStringLiteral("三"));

  CliResult run = Import({"--link", docs.path(), docs.File("missing")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "00000000\t一\n00000001\t三\n");
  EXPECT_NE(run.err.find(docs.File("b.pdf") + ": PDF"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(docs.File("missing") + ": ファイルまたはフォルダが見つかりません"), std::string::npos);
  EXPECT_NE(run.err.find("1件は登録できませんでした"), std::string::npos) << run.err;
  EXPECT_EQ(Counter(), "00000002");
  // --link: the file's own path, no copy in the store.
  EXPECT_EQ(Record("00000001")[FieldTag::TY], "O");
  EXPECT_FALSE(fs::exists(store.path() + "/DOCDATA/PDF/01/00000001.PDF"));
}

TEST_F(CliImport, APdfWithoutTextIsStoredWithoutTextAndAWarning) {
  ASSERT_TRUE(WriteFileAtomic(docs.File("blank.pdf"), BuildPdf({})));
  CliResult run = Import({"--no-ocr", docs.File("blank.pdf")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "00000000\tblank\n");  // no title, no text: the file name is the title
  EXPECT_NE(run.err.find("本文なしで登録しました"), std::string::npos) << run.err;
  EXPECT_EQ(Record("00000000")[FieldTag::TX], "");
  EXPECT_EQ(Record("00000000")[FieldTag::TS], "0");
}

TEST_F(CliImport, APdfWithoutATitleTakesTheLineInTheLargestTypeOnItsFirstPage) {
  // A small line at the top, the heading in large type, small body text below it, and a second
  // page in still larger type: the first page's heading is the title.
  const std::string path = docs.File("untitled.pdf");
  {
    QPdfWriter writer(QString::fromStdString(path));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    QPainter painter(&writer);
    auto draw = [&painter](int points, int y, const QString& text) {
      QFont font(QStringLiteral("Noto Sans CJK JP"));
      font.setPointSize(points);
      painter.setFont(font);
      painter.drawText(QPoint(150, y), text);
    };
    draw(9, 150, QStringLiteral("社外秘 2026/12"));
    draw(26, 400, QStringLiteral("年次報告書 Annual Report"));
    draw(11, 600, QStringLiteral("本文は小さな文字で書かれています。"));
    draw(11, 700, QStringLiteral("二行目の本文"));
    writer.newPage();
    draw(40, 400, QStringLiteral("二頁目の大見出し"));
  }
  CliResult run = Import({"--copy", path});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Cp932ToUtf8(Record("00000000")[FieldTag::PT]), "年次報告書 Annual Report");
  // info prints what the metadata says; --title adds what the import stores.
  CliResult info = RunCli({"--settings", settings, "info", "--title", path});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("PT\t\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("TITLE\t年次報告書 Annual Report\n"), std::string::npos) << info.out;

  // KanSet/AutoTitle 0: the title stays empty.
  settings = WriteSettingsFile(store.path(), "[KanSet]\nStorePath=" + store.path() + "\nOcr=0\nAutoTitle=0\n");
  run = Import({"--copy", path});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Record("00000001")[FieldTag::PT], "");
}

TEST_F(CliImport, WhileTheDesktopProgramRunsNothingIsImported) {
  const std::string a = Pdf("a.pdf", {QStringLiteral("本文")}, QStringLiteral("題"));
  QLockFile desktop(InstanceLockPath());
  ASSERT_TRUE(desktop.tryLock(0));
  CliResult run = Import({a});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Folidexが起動しているため登録できません"), std::string::npos) << run.err;
  EXPECT_EQ(Counter(), "");
  desktop.unlock();
  EXPECT_EQ(Import({a}).status, 0);
  EXPECT_EQ(Counter(), "00000001");
}

// Ctrl+C, a polite kill and a closed terminal end the run alike.
class CliImportInterrupt : public CliImport, public ::testing::WithParamInterface<int> {};

TEST_P(CliImportInterrupt, LeavesCompleteRecordsAndACounterAfterThem) {
  for (int k = 0; k < 40; ++k)
    Pdf("doc" + std::to_string(100 + k) + ".pdf", {QStringLiteral("本文 %1").arg(k), QStringLiteral("二頁目")},
        QStringLiteral("文書%1").arg(k));
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    const std::string program = CliPath();
    execl(program.c_str(), program.c_str(), "--settings", settings.c_str(), "import", docs.path().c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  char c = 0;
  while (read(out[0], &c, 1) == 1 && c != '\n') {
  }
  kill(pid, GetParam());  // after the first stored file
  std::string rest;
  while (read(out[0], &c, 1) == 1) rest += c;
  close(out[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  const long stored = 1 + static_cast<long>(std::count(rest.begin(), rest.end(), '\n'));
  if (stored < 40) {
    EXPECT_EQ(WEXITSTATUS(status), 130);
  }
  EXPECT_EQ(std::stol(Counter()), stored);
  for (long n = 0; n < stored; ++n) {
    char serial[24];
    std::snprintf(serial, sizeof serial, "%08ld", n);
    EXPECT_FALSE(Record(serial)[FieldTag::TX].empty()) << serial;
  }
  char next[24];
  std::snprintf(next, sizeof next, "%08ld", stored);
  EXPECT_TRUE(Record(next)[FieldTag::TS].empty());  // nothing under the counter's serial
}

INSTANTIATE_TEST_SUITE_P(Signals, CliImportInterrupt, ::testing::Values(SIGINT, SIGTERM, SIGHUP));

}  // namespace
