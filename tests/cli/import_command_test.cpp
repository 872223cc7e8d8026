// folidex-cli import as a user runs it on folders of PDFs drawn by Qt's PDF writer.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QLockFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <filesystem>
#include <set>

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

TEST_F(CliImport, FilesOfVeryDifferentLengthsReadAheadAreStoredInSortedOrderEachWithItsText) {
  // Long files among short ones: the readers pass each other, the records keep the files' order.
  std::string expected;
  for (int k = 0; k < 14; ++k) {
    QStringList pages;
    const int count = k % 4 == 0 ? 40 : 1;
    for (int p = 0; p < count; ++p) pages << QStringLiteral("文書%1の第%2頁").arg(k).arg(p + 1);
    Pdf(QStringLiteral("%1.pdf").arg(k, 2, 10, QLatin1Char('0')).toStdString(), pages, QStringLiteral("文書%1").arg(k));
    expected += QStringLiteral("%1\t文書%2\n").arg(k, 8, 10, QLatin1Char('0')).arg(k).toStdString();
  }
  CliResult run = Import({"--copy", docs.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, expected);
  for (int k = 0; k < 14; ++k) {
    const std::string text =
        Cp932ToUtf8(Record(QStringLiteral("%1").arg(k, 8, 10, QLatin1Char('0')).toStdString())[FieldTag::TX]);
    const std::string last = QStringLiteral("文書%1の第%2頁").arg(k).arg(k % 4 == 0 ? 40 : 1).toStdString();
    EXPECT_NE(text.find(last), std::string::npos) << k << ": " << text;
    EXPECT_EQ(text.find(QStringLiteral("文書%1の").arg(k + 1).toStdString()), std::string::npos) << k;
  }
}

TEST_F(CliImport, TwoEqualFilesReadAtOnceFollowTheDuplicateRulesInSortedOrder) {
  // a.pdf and b.pdf hold the same bytes and are read at once, each by a worker of its own.
  const std::string a = Pdf("a.pdf", {QStringLiteral("同じ内容の本文")}, QStringLiteral("同じ文書"));
  const std::string b = docs.File("b.pdf");
  fs::copy_file(a, b);
  const std::string c = Pdf("c.pdf", {QStringLiteral("別の報告書")}, QStringLiteral("報告書"));

  // Skipping duplicates: the first stands, the second equals it and is skipped, though neither
  // was stored when both were read.
  CliResult run = Import({"--copy", "--skip-duplicates", docs.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "00000000\t同じ文書\n00000001\t報告書\n");
  EXPECT_NE(run.err.find(b + ": 同じ内容のPDF"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(a + ": 同じ内容のPDF"), std::string::npos) << run.err;
  EXPECT_EQ(Record("00000000")[FieldTag::FG], a);
  EXPECT_EQ(Record("00000001")[FieldTag::FG], c);

  // Without the option both are stored again, each whole with its own name and copy.
  run = Import({"--copy", docs.path()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "00000002\t同じ文書\n00000003\t同じ文書\n00000004\t報告書\n");
  EXPECT_EQ(Counter(), "00000005");
  std::string original;
  ReadFileBytes(a, original);
  for (const auto& [serial, path] : {std::pair{"00000002", a}, std::pair{"00000003", b}}) {
    const IndexRecord r = Record(serial);
    EXPECT_EQ(r[FieldTag::FG], path);
    EXPECT_EQ(r[FieldTag::FN], fs::path(path).filename().string());
    EXPECT_EQ(r[FieldTag::Y2], FileDigestHexNative(a));
    EXPECT_NE(Cp932ToUtf8(r[FieldTag::TX]).find("同じ内容の本文"), std::string::npos);
    std::string copy;
    ReadFileBytes(store.path() + "/DOCDATA/PDF/0" + std::string(1, serial[7]) + "/" + serial + ".PDF", copy);
    EXPECT_EQ(copy, original) << serial;
  }
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

// Two imports on one store at once, as from two computers: each its own runtime folder (no
// shared single-instance guard) and its own settings file (its own Sys/No). The store's lock
// keeps them apart file by file.
TEST_F(CliImport, TwoComputersImportingAtOnceGetUniqueSerialsAndCompleteRecords) {
  constexpr int kEach = 20;
  TempDir docsA, docsB, runtimeA, runtimeB, cacheA, cacheB, homeA, homeB;
  std::vector<std::string> sources;
  for (int k = 0; k < kEach; ++k) {
    for (const TempDir* folder : {&docsA, &docsB}) {
      const std::string path = folder->File("doc" + std::to_string(100 + k) + ".pdf");
      const QString tag = folder == &docsA ? QStringLiteral("甲") : QStringLiteral("乙");
      WriteJapanesePdf(QString::fromStdString(path), {QStringLiteral("本文 %1 %2").arg(tag).arg(k)},
                       QStringLiteral("文書%1%2").arg(tag).arg(k));
      sources.push_back(path);
    }
  }
  const std::string settingsA = WriteSettingsFile(homeA.path(), "[KanSet]\nStorePath=" + store.path() + "\nOcr=0\n");
  const std::string settingsB = WriteSettingsFile(homeB.path(), "[KanSet]\nStorePath=" + store.path() + "\nOcr=0\n");
  auto start = [&](const std::string& settingsFile, const TempDir& runtimeDir, const TempDir& cacheDir,
                   const TempDir& docsDir) {
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("XDG_RUNTIME_DIR", runtimeDir.path().c_str(), 1);
      setenv("XDG_CACHE_HOME", cacheDir.path().c_str(), 1);
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, STDOUT_FILENO);
      const std::string program = CliPath();
      execl(program.c_str(), program.c_str(), "--settings", settingsFile.c_str(), "import", "--copy",
            docsDir.path().c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  };
  const pid_t a = start(settingsA, runtimeA, cacheA, docsA);
  const pid_t b = start(settingsB, runtimeB, cacheB, docsB);
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  for (pid_t pid : {a, b}) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }

  // Forty records, each complete, each at its own serial with its own document's copy.
  std::set<std::string> seen;
  long highest = -1;
  for (const auto& entry : fs::recursive_directory_iterator(store.path() + "/DOCDATA/TXT")) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    ASSERT_EQ(name.size(), 12u) << name;  // no temporaries left either
    const std::string serial = name.substr(0, 8);
    const IndexRecord record = Record(serial);
    EXPECT_FALSE(record[FieldTag::TX].empty()) << serial;
    EXPECT_TRUE(seen.insert(record[FieldTag::FG]).second) << serial << " repeats a document";
    const std::string copy = store.path() + "/DOCDATA/PDF/" + serial.substr(6, 2) + "/" + serial + ".PDF";
    EXPECT_EQ(FileDigestHexNative(copy), record[FieldTag::Y2]) << serial;
    EXPECT_EQ(FileDigestHexNative(ToNativePath(record[FieldTag::FG])), record[FieldTag::Y2]) << serial;
    highest = std::max(highest, std::stol(serial));
  }
  EXPECT_EQ(seen.size(), sources.size());
  std::string counter;
  ASSERT_TRUE(ReadFileBytes(store.path() + "/DOCDATA/counter", counter));
  EXPECT_GT(std::stol(counter), highest);
  EXPECT_FALSE(PathExists(store.path() + "/DOCDATA/.lock"));
}

// Draws one page: each of `columns` as vertical writing (one character under the other, the
// columns from right to left), then each of `lines` as a horizontal line under the last. As
// many producers do, the page's content holds them out of reading order: the last character
// and the last line first.
void DrawPage(const std::string& path, const QStringList& columns, const QStringList& lines) {
  QPdfWriter writer(QString::fromStdString(path));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setResolution(300);
  QPainter painter(&writer);
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPointSize(16);
  painter.setFont(font);
  for (int c = 0; c < columns.size(); ++c)
    for (int i = columns[c].size() - 1; i >= 0; --i)
      painter.drawText(QPoint(2000 - c * 120, 300 + i * 90), columns[c].mid(i, 1));
  for (int l = lines.size() - 1; l >= 0; --l) painter.drawText(QPoint(150, 1500 + l * 100), lines[l]);
}

TEST_F(CliImport, VerticalWritingAndWordsWrappedAtALineEndAreFoundByABodySearch) {
  fs::create_directories(docs.path() + "/ja");
  DrawPage(docs.File("ja/a-vertical.pdf"), {QStringLiteral("縦書きの文章は"), QStringLiteral("右から読む")}, {});
  DrawPage(docs.File("ja/b-wrapped.pdf"), {},
           {QStringLiteral("本日は東京"), QStringLiteral("都庁に行く。データベース"), QStringLiteral("とPDFの話")});
  ASSERT_EQ(Import({"--copy", docs.path() + "/ja"}).status, 0);

  auto hits = [&](const std::string& term, const char* mode) {
    CliResult run = RunCli({"--settings", settings, "search", mode, "--body", term});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string serials;
    for (std::size_t at = 0; (at = run.out.find('\t', at)) != std::string::npos; at = run.out.find('\n', at))
      serials += run.out.substr(at + 1, 8) + " ";
    return serials;
  };
  EXPECT_EQ(hits("縦書きの文章", "--exact"), "00000000 ");
  EXPECT_EQ(hits("右から読む", "--exact"), "00000000 ");
  EXPECT_EQ(hits("東京都庁", "--exact"), "00000001 ");
  // 表記ゆれ: a half-width katakana term and a full-width English one, found only when forgiven.
  EXPECT_EQ(hits("ﾃﾞｰﾀﾍﾞｰｽ", "--fold"), "00000001 ");
  EXPECT_EQ(hits("ﾃﾞｰﾀﾍﾞｰｽ", "--exact"), "");
  EXPECT_EQ(hits("ＰＤＦ", "--fold"), "00000001 ");
  EXPECT_EQ(hits("ＰＤＦ", "--exact"), "");
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

namespace {

class CliRetext : public CliImport {
 protected:
  std::string RecordPath(const std::string& serial) {
    return store.path() + "/DOCDATA/TXT/" + serial.substr(6, 2) + "/" + serial + ".TXT";
  }
  static std::string Bytes(const std::string& path) {
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
  }
  CliResult Retext(std::vector<std::string> args) {
    args.insert(args.begin(), {"--settings", settings, "retext"});
    return RunCli(args, 120);
  }
  bool FoundExactly(const std::string& term) {
    return RunCli({"--settings", settings, "search", "--exact", "--body", term}).out.find("\t00000000\t") !=
           std::string::npos;
  }
  std::vector<std::string> BackupFolders() {
    std::vector<std::string> folders;
    if (!fs::is_directory(store.path() + "/DOCDATA/BACKUP")) return folders;
    for (const auto& entry : fs::directory_iterator(store.path() + "/DOCDATA/BACKUP"))
      folders.push_back(entry.path().string());
    return folders;
  }
  // Imports a document whose 東京都庁 wraps at a line end, then gives its record file the text an
  // older import stored: a space at the line break. Returns the file as the import wrote it.
  std::string StoreWithTheOldSpacing() {
    DrawPage(docs.File("a.pdf"), {}, {QStringLiteral("本日は東京"), QStringLiteral("都庁に行く")});
    EXPECT_EQ(Import({"--copy", docs.File("a.pdf")}).status, 0);
    const std::string now = Bytes(RecordPath("00000000"));
    const IndexRecord record = Record("00000000");
    std::string old = record[FieldTag::TX];
    const std::size_t at = old.find(Utf8ToCp932("東京都庁"));
    EXPECT_NE(at, std::string::npos) << Cp932ToUtf8(old);
    if (at == std::string::npos) return now;
    old.insert(at + 4, " ");
    std::string bytes = now;
    bytes.replace(bytes.find("<TX>") + 4, record[FieldTag::TX].size(), old);
    bytes.replace(bytes.find("<TS>") + 4, record[FieldTag::TS].size(), std::to_string(old.size()));
    EXPECT_TRUE(WriteFileAtomic(RecordPath("00000000"), bytes));
    return now;
  }
};

TEST_F(CliRetext, ARecordStoredWithTheOldSpacingIsFoundAgainAndItsOldFileIsKept) {
  const std::string imported = StoreWithTheOldSpacing();
  const std::string old = Bytes(RecordPath("00000000"));
  // A second record whose outside file is gone.
  DrawPage(docs.File("b.pdf"), {}, {QStringLiteral("別の文書")});
  ASSERT_EQ(Import({"--link", docs.File("b.pdf")}).status, 0);
  fs::remove(docs.File("b.pdf"));
  EXPECT_FALSE(FoundExactly("東京都庁"));

  CliResult dry = Retext({"--dry-run", "--all"});
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.out.substr(0, 9), "00000000\t");
  EXPECT_NE(dry.err.find("変更される 1件、変更なし 0件、PDFが見つからない 1件、失敗 0件"), std::string::npos)
      << dry.err;
  EXPECT_EQ(Bytes(RecordPath("00000000")), old);
  EXPECT_TRUE(BackupFolders().empty());

  CliResult run = Retext({"--all"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, 9), "00000000\t");
  EXPECT_NE(run.err.find("00000001: " + std::string(MessageTextUtf8(Msg::RetextPdfUnreachable))), std::string::npos);
  EXPECT_NE(run.err.find("変更 1件、変更なし 0件、PDFが見つからない 1件、失敗 0件"), std::string::npos) << run.err;
  EXPECT_TRUE(FoundExactly("東京都庁"));
  // Only TX and TS changed: the file is again byte for byte what the import wrote.
  EXPECT_EQ(Bytes(RecordPath("00000000")), imported);
  const std::vector<std::string> backups = BackupFolders();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(Bytes(backups[0] + "/00000000.TXT"), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(backups[0]), fs::directory_iterator()), 1);

  // Nothing to change: nothing written, no new backup folder.
  CliResult again = Retext({"0"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, "");
  EXPECT_NE(again.err.find("変更 0件、変更なし 1件"), std::string::npos) << again.err;
  EXPECT_EQ(BackupFolders().size(), 1u);
}

TEST_F(CliRetext, ABackupThatCannotBeWrittenLeavesTheRecordAsItWas) {
  StoreWithTheOldSpacing();
  const std::string old = Bytes(RecordPath("00000000"));
  TempDir elsewhere;
  fs::create_directory_symlink(elsewhere.path(), store.path() + "/DOCDATA/BACKUP");
  CliResult run = Retext({"--all"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(MessageTextUtf8(Msg::RetextBackupFailed)), std::string::npos) << run.err;
  EXPECT_EQ(Bytes(RecordPath("00000000")), old);
  EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

TEST_F(CliRetext, DroppingTheBackupsAsksAndWithoutATerminalNeedsYes) {
  const std::string backup = store.path() + "/DOCDATA/BACKUP";
  fs::create_directories(backup + "/20260101-120000");
  ASSERT_TRUE(WriteFileAtomic(backup + "/20260101-120000/00000000.TXT", "x"));
  fs::create_directories(backup + "/notes");
  CliResult refused = Retext({"--drop-backups"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find(MessageTextUtf8(Msg::RemovalNeedsTerminal)), std::string::npos) << refused.err;
  EXPECT_TRUE(fs::exists(backup + "/20260101-120000/00000000.TXT"));
  CliResult dropped = Retext({"--drop-backups", "--yes"});
  EXPECT_EQ(dropped.status, 0) << dropped.err;
  EXPECT_FALSE(fs::exists(backup + "/20260101-120000"));
  EXPECT_TRUE(fs::exists(backup + "/notes"));  // not a run's folder
}

}  // namespace
