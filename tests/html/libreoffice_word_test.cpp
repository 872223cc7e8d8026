// Word documents made by the real LibreOffice (installed by scripts/setup). Each conversion
// starts LibreOffice with a fresh profile, which takes seconds, so the cases share runs.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "html/LibreOfficeWordProcessor.h"
#include "html/WordOutput.h"
#include "support/FakeDesktopOpener.h"
#include "support/TestSupport.h"

using namespace folidex;
using namespace folidex::test;

namespace {

// The text of a document as LibreOffice reads it back: UTF-8, LF line ends, no byte-order mark.
std::string TextBack(const std::string& txtPath) {
  std::string text;
  if (!ReadFileBytes(txtPath, text)) return "(no text file)";
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

bool IsOle(const std::string& path) {
  std::string bytes;
  return ReadFileBytes(path, bytes) && bytes.rfind("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 0) == 0;
}

}  // namespace

TEST(LibreOfficeWord, PlainAndFormattedOutputGiveWordDocumentsWhoseTextReadsBack) {
  // The system encoding must not matter: CI runs with LANG=C.
  ::setenv("LANG", "C", 1);
  ::setenv("LC_ALL", "C", 1);
  TempDir dir;
  MemorySettings settings;
  settings.SetInt(setting::DspWord, 0);
  settings.SetPath(setting::WordStorePath, NativePath(dir.File("saved")));
  ScriptedPrompter prompter;
  prompter.fallback = Answer::No;
  RecordingProgress progress;
  FakeDesktopOpener opener;
  LibreOfficeWordProcessor processor;

  // Plain text: the captured CP932 text, lines broken as the viewer copies them.
  settings.SetInt(setting::OptWord, 0);
  const std::string captured = J("日本語の文書です。第一段落 の 本文。\r\n二行目は「かぎ括弧」と記号 ①② を含む。\r\n");
  WordOutputResult plain = RunWordOutput({"file:///home/u/" + J("報告書") + ".pdf", captured, ""}, dir.path(), settings,
                                         prompter, progress, processor, opener);
  ASSERT_EQ(plain.outcome, WordOutcome::Saved) << plain.detail;
  EXPECT_EQ(plain.path, dir.File("saved/報告書.doc"));

  // Formatted: the viewer's rich copy.
  settings.SetInt(setting::OptWord, 1);
  const std::string html = "<html><body><p>書式付きの<b>太字</b>と<i>斜体</i>。</p><p>第二段落</p></body></html>";
  WordOutputResult rich = RunWordOutput({"https://example.com/" + J("報告書") + ".pdf", J("無視"), html}, dir.path(),
                                        settings, prompter, progress, processor, opener);
  ASSERT_EQ(rich.outcome, WordOutcome::Saved) << rich.detail;
  EXPECT_EQ(rich.path, dir.File("saved/報告書0.doc"));

  EXPECT_TRUE(IsOle(plain.path));
  EXPECT_TRUE(IsOle(rich.path));
  std::string detail;
  ASSERT_EQ(
      processor.Convert(
          {"--convert-to", "txt:Text (encoded):UTF8", "--outdir", dir.File("back"), plain.path, rich.path}, detail),
      WordProcessorStatus::Done)
      << detail;
  EXPECT_EQ(TextBack(dir.File("back/報告書.txt")),
            "日本語の文書です。第一段落 の 本文。\n二行目は「かぎ括弧」と記号 ①② を含む。\n");
  EXPECT_EQ(TextBack(dir.File("back/報告書0.txt")), "書式付きの太字と斜体。\n第二段落\n");
  EXPECT_EQ(prompter.shown.size(), 2u);  // the two 30037 questions only
}

TEST(LibreOfficeWord, WithoutLibreOfficeTheOutputSays30033) {
  TempDir dir;
  MemorySettings settings;
  settings.SetInt(setting::DspWord, 1);
  ScriptedPrompter prompter;
  RecordingProgress progress;
  FakeDesktopOpener opener;
  LibreOfficeWordProcessor missing(dir.File("no-such/soffice"));
  WordOutputResult result = RunWordOutput({"https://example.com/a.pdf", J("本文"), ""}, dir.File("show"), settings,
                                          prompter, progress, missing, opener);
  EXPECT_EQ(result.outcome, WordOutcome::NotDone);
  EXPECT_EQ(prompter.TextsUtf8(), std::vector<std::string>{MessageTextUtf8(Msg::WordStartFailed)});
  EXPECT_FALSE(PathExists(dir.File("show")));

  std::string document, detail;
  EXPECT_EQ(
      LibreOfficeWordProcessor("folidex-no-such-program").MakeWordDocument(WordInput::PlainText, "x", document, detail),
      WordProcessorStatus::Missing);
}

TEST(LibreOfficeWord, AConverterThatHangsIsStoppedAtTheTimeLimit) {
  TempDir dir;
  // Stands in for a LibreOffice that never finishes, with a helper of its own.
  const std::string program = dir.File("soffice");
  ASSERT_TRUE(WriteFileAtomic(program, "#!/bin/sh\nsleep 300 &\nsleep 300\n"));
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
  LibreOfficeWordProcessor hanging(program, std::chrono::milliseconds(300));
  std::string document, detail;
  EXPECT_EQ(hanging.MakeWordDocument(WordInput::PlainText, "x", document, detail), WordProcessorStatus::Failed);
  EXPECT_NE(detail.find("time limit"), std::string::npos) << detail;
  EXPECT_TRUE(document.empty());
}
