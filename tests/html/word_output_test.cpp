#include <gtest/gtest.h>
#include <unistd.h>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "html/WordOutput.h"
#include "support/FakeDesktopOpener.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

class FakeWordProcessor : public WordProcessor {
 public:
  WordProcessorStatus status = WordProcessorStatus::Done;
  std::vector<std::pair<WordInput, std::string>> calls;
  RecordingProgress* progress = nullptr;
  bool busyShown = false;  // the wait cursor and pane 120's line while the processor runs
  WordProcessorStatus MakeWordDocument(WordInput kind, std::string_view utf8, std::string& document,
                                       std::string& detail) override {
    calls.emplace_back(kind, std::string(utf8));
    if (progress)
      busyShown = progress->waitDepth > 0 && progress->repaints > 0 && !progress->paneTexts.empty() &&
                  progress->paneTexts.back() == std::pair{StatusPane::Url, MessageText(Msg::WordOutputRunning)};
    if (status != WordProcessorStatus::Done) {
      detail = "no word processor";
      return status;
    }
    document = "\xD0\xCF\x11\xE0 document of " + std::string(utf8);
    return status;
  }
};

struct WordFixture {
  TempDir dir;
  MemorySettings settings;
  ScriptedPrompter prompter;
  RecordingProgress progress;
  FakeWordProcessor processor;
  FakeDesktopOpener opener;
  std::string showFolder = dir.File("Documents/Folidex");
  std::string saveFolder = dir.File("saved");

  WordFixture() {
    processor.progress = &progress;
    settings.SetInt(setting::DspWord, 0);
    settings.SetPath(setting::WordStorePath, NativePath(saveFolder));
  }
  WordOutputResult Run(const std::string& text, const std::string& html = {},
                       const std::string& address = "https://example.com/docs/report.pdf") {
    return RunWordOutput({address, text, html}, showFolder, settings, prompter, progress, processor, opener);
  }
};

std::string Lines(int breaks, int spaces) {
  std::string text;
  for (int i = 0; i < breaks; ++i) text += J("行") + "\r\n";
  for (int i = 0; i < spaces; ++i) text += J("語") + " ";
  return text;
}

}  // namespace

TEST(WordNames, StripFileNameCharsRemovesTheNineCharactersButNoDoubleByteOne) {
  EXPECT_EQ(StripFileNameChars("a\\b/c:d*e?f\"g<h>i|j"), "abcdefghij");
  EXPECT_EQ(StripFileNameChars(J("表示|ソ\\")), J("表示ソ"));  // 表 and ソ end in the byte 0x5C
  EXPECT_EQ(StripFileNameChars(""), "");
}

TEST(WordNames, TheDocumentIsNamedAfterTheAddressLastSegment) {
  EXPECT_EQ(WordDocName("https://example.com/docs/report.pdf"), "report.doc");
  EXPECT_EQ(WordDocName("https://example.com/a:b?c.pdf"), "abc.doc");
  EXPECT_EQ(WordDocName("https://example.com/get?id=3:4.pdf"), "getid=34.doc");
  EXPECT_EQ(WordDocName("https://example.com/archive.tar.gz"), "archive.tar.doc");
  EXPECT_EQ(WordDocName("/home/u/" + J("資料") + ".pdf"), J("資料") + ".doc");
  EXPECT_EQ(WordDocName("C:\\docs\\report.pdf"), "Unknown.doc");  // no "/"
  EXPECT_EQ(WordDocName("report.pdf"), "Unknown.doc");
  // Nothing left of the name, and control characters, which no file name should carry.
  EXPECT_EQ(WordDocName("https://example.com/???.pdf"), "Unknown.doc");
  EXPECT_EQ(WordDocName("https://example.com/a\tb\x01.pdf"), "ab.doc");
  // A name too long for a file system is cut on a character boundary.
  std::string longName;
  for (int i = 0; i < 150; ++i) longName += J("日");
  EXPECT_EQ(WordDocName("https://example.com/" + longName + ".pdf"), longName.substr(0, 200) + ".doc");
}

TEST(WordNames, MakeUniqueDocNameCountsFromZero) {
  TempDir dir;
  EXPECT_EQ(MakeUniqueDocName(dir.path(), "report.doc"), "report.doc");
  ASSERT_TRUE(WriteFileAtomic(dir.File("report.doc"), "1"));
  EXPECT_EQ(MakeUniqueDocName(dir.path(), "report.doc"), "report0.doc");
  ASSERT_TRUE(WriteFileAtomic(dir.File("report0.doc"), "2"));
  ASSERT_EQ(::symlink("/nonexistent", dir.File("report1.doc").c_str()), 0);  // a dangling link is taken too
  EXPECT_EQ(MakeUniqueDocName(dir.path(), "report.doc"), "report2.doc");
}

TEST(WordPlainText, MoreLineBreaksThanSpacesJoinsTheLines) {
  std::string text = Lines(30, 10) + "end . next";
  std::string expected;
  for (int i = 0; i < 30; ++i) expected += J("行") + " ";
  for (int i = 0; i < 10; ++i) expected += J("語") + " ";
  expected += "end.\r\nnext";
  EXPECT_EQ(PrepareWordPlainText(text), expected);
  // Fewer line breaks than spaces: unchanged.
  std::string prose = Lines(10, 30) + "end . next";
  EXPECT_EQ(PrepareWordPlainText(prose), prose);
}

TEST(WordPlainText, PairsOfSpacesAndTextBeyondTheSampleAreNotCounted) {
  // 20 line breaks against 12 pairs of spaces and 6 single ones: the pairs do not count.
  std::string text = Lines(20, 0);
  for (int i = 0; i < 12; ++i) text += "a  ";
  for (int i = 0; i < 6; ++i) text += "b ";
  EXPECT_EQ(PrepareWordPlainText(text).find("\r\n"), std::string::npos);
  // Only the first 1000 bytes are looked at.
  std::string spacesFirst, breaksFirst;
  for (int i = 0; i < 500; ++i) spacesFirst += "x ";     // exactly the 1000 bytes sampled
  for (int i = 0; i < 333; ++i) breaksFirst += "y\r\n";  // 999 bytes
  for (int i = 0; i < 2000; ++i) {
    spacesFirst += "y\r\n";
    breaksFirst += "x ";
  }
  EXPECT_EQ(PrepareWordPlainText(spacesFirst), spacesFirst);
  EXPECT_EQ(PrepareWordPlainText(breaksFirst).find("\r\n"), std::string::npos);
}

TEST(WordOutput, SavingWithoutAFolderIsRefused) {
  WordFixture f;
  f.settings.SetText(setting::WordStorePath, "");
  WordOutputResult result = f.Run(J("本文"));
  EXPECT_EQ(result.outcome, WordOutcome::NotDone);
  EXPECT_EQ(f.prompter.TextsUtf8(), std::vector<std::string>{"「保存場所」(フォルダ)を指定してください"});
  EXPECT_TRUE(f.processor.calls.empty());
  EXPECT_TRUE(ListFiles(f.dir.path()).empty());
}

TEST(WordOutput, SavedDocumentsGetNewNamesAndTheFolderIsShownOnYes) {
  WordFixture f;
  f.prompter.answers = {Answer::No, Answer::Yes};
  WordOutputResult first = f.Run(J("本文です"));
  EXPECT_EQ(first.outcome, WordOutcome::Saved);
  EXPECT_EQ(first.path, f.saveFolder + "/report.doc");
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(first.path, bytes));
  EXPECT_EQ(bytes, "\xD0\xCF\x11\xE0 document of 本文です");
  EXPECT_EQ(f.prompter.TextsUtf8().back(), "ファイル名 : report.doc\nWord出力正常終了\n保存場所を表示しますか");
  EXPECT_TRUE(f.opener.shownInFolder.empty());

  WordOutputResult second = f.Run(J("二回目"));
  EXPECT_EQ(second.path, f.saveFolder + "/report0.doc");
  EXPECT_EQ(f.prompter.TextsUtf8().back(), "ファイル名 : report0.doc\nWord出力正常終了\n保存場所を表示しますか");
  EXPECT_EQ(f.opener.shownInFolder, std::vector<std::string>{second.path});
  ASSERT_TRUE(ReadFileBytes(first.path, bytes));
  EXPECT_EQ(bytes, "\xD0\xCF\x11\xE0 document of 本文です");
  EXPECT_TRUE(f.opener.opened.empty());
  EXPECT_EQ(f.progress.waitDepth, 0);
  EXPECT_EQ(f.progress.maxWaitDepth, 1);

  f.opener.showSucceeds = false;
  f.prompter.answers = {Answer::Yes};
  f.Run(J("三回目"), {}, "no-slash");
  EXPECT_TRUE(IsFile(f.saveFolder + "/Unknown.doc"));
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::FileManagerStartFailed));
}

TEST(WordOutput, ShownDocumentsAreWrittenToTheShowFolderAndOpened) {
  WordFixture f;
  f.settings.SetInt(setting::DspWord, 1);
  f.settings.SetText(setting::WordStorePath, "");  // not needed for showing
  WordOutputResult result = f.Run(J("本文"));
  EXPECT_EQ(result.outcome, WordOutcome::Shown);
  EXPECT_EQ(result.path, f.showFolder + "/report.doc");
  EXPECT_TRUE(IsFile(result.path));
  EXPECT_EQ(f.opener.opened, std::vector<std::string>{result.path});
  EXPECT_TRUE(f.prompter.shown.empty());
  EXPECT_TRUE(f.processor.busyShown);  // a sign of life while LibreOffice works

  f.opener.hasProgram = false;
  WordOutputResult left = f.Run(J("本文"));
  EXPECT_EQ(left.outcome, WordOutcome::LeftForUser);
  EXPECT_EQ(left.path, f.showFolder + "/report0.doc");
  EXPECT_TRUE(IsFile(left.path));
  EXPECT_EQ(f.opener.opened.size(), 1u);
  // The document was written: an information naming it, not a failure.
  EXPECT_EQ(f.prompter.shown.back().kind, MessageKind::Information);
  EXPECT_EQ(f.prompter.TextsUtf8().back(), left.path + "\n" + MessageTextUtf8(Msg::OutputWrittenNoProgram));

  f.opener.hasProgram = true;
  f.opener.openSucceeds = false;
  WordOutputResult failed = f.Run(J("本文"));
  EXPECT_EQ(failed.outcome, WordOutcome::LeftForUser);
  EXPECT_EQ(f.prompter.shown.back().kind, MessageKind::Error);
  EXPECT_EQ(f.prompter.TextsUtf8().back(), failed.path + "\n" + MessageTextUtf8(Msg::WordStartFailed));
}

TEST(WordOutput, AMissingOrFailingWordProcessorIsReportedAndNothingWritten) {
  for (WordProcessorStatus status : {WordProcessorStatus::Missing, WordProcessorStatus::Failed}) {
    WordFixture f;
    f.processor.status = status;
    WordOutputResult result = f.Run(J("本文"));
    EXPECT_EQ(result.outcome, WordOutcome::NotDone);
    EXPECT_EQ(result.detail, "no word processor");
    EXPECT_EQ(f.prompter.TextsUtf8(), std::vector<std::string>{MessageTextUtf8(Msg::WordStartFailed)});
    EXPECT_FALSE(PathExists(f.saveFolder));
    EXPECT_EQ(f.progress.waitDepth, 0);
  }
}

TEST(WordOutput, TheOptionChoosesTheRichCopyOrThePlainText) {
  WordFixture f;
  const std::string lines = Lines(30, 10) + "end . next";
  f.Run(lines, "<p>本文<b>太字</b></p>");  // formatted (the default)
  f.Run(lines);                            // formatted without a rich copy: the text as it is
  f.Run("a\nb\rc\r\n");                    // lone line ends become CR LF
  f.settings.SetInt(setting::OptWord, 0);
  f.Run(lines, "<p>ignored</p>");  // plain: the line-break rule, the rich copy unused
  ASSERT_EQ(f.processor.calls.size(), 4u);
  EXPECT_EQ(f.processor.calls[0].first, WordInput::Html);
  EXPECT_EQ(f.processor.calls[0].second, "<p>本文<b>太字</b></p>");
  EXPECT_EQ(f.processor.calls[1].first, WordInput::PlainText);
  EXPECT_EQ(f.processor.calls[1].second, Cp932ToUtf8(lines));
  EXPECT_EQ(f.processor.calls[2].second, "a\r\nb\r\nc\r\n");
  EXPECT_EQ(f.processor.calls[3].first, WordInput::PlainText);
  EXPECT_EQ(f.processor.calls[3].second, Cp932ToUtf8(PrepareWordPlainText(lines)));
  EXPECT_EQ(f.processor.calls[3].second.find("\r\n"), f.processor.calls[3].second.size() - 6);  // "end.\r\nnext"

  // Nothing captured: nothing to do.
  EXPECT_EQ(f.Run("").outcome, WordOutcome::NotDone);
  EXPECT_EQ(f.processor.calls.size(), 4u);
}

TEST(WordOutput, AnExistingDocumentIsNeverOverwritten) {
  WordFixture f;
  ASSERT_TRUE(EnsureFolders(f.saveFolder));
  ASSERT_TRUE(WriteFileAtomic(f.saveFolder + "/report.doc", "mine"));
  for (int n = 0; n <= 9998; ++n) {
    ASSERT_TRUE(WriteFileAtomic(f.saveFolder + "/report" + std::to_string(n) + ".doc", "x"));
  }
  WordOutputResult result = f.Run(J("本文"));
  EXPECT_EQ(result.outcome, WordOutcome::NotDone);
  EXPECT_TRUE(f.prompter.ShowedMessage(Msg::FileExists));
  std::string bytes;
  ASSERT_TRUE(ReadFileBytes(f.saveFolder + "/report.doc", bytes));
  EXPECT_EQ(bytes, "mine");
  EXPECT_EQ(ListFiles(f.saveFolder).size(), 10000u);  // no temporary file left
}
