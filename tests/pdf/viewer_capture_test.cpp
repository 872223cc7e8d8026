// The text capture's side of the viewer protocol, on a fake viewer: window search, sentinel,
// chords, polling, the 30009 question, the restore sequence and the work text file.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/FileSystem.h"
#include "pdf/ViewerCapture.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

using test::FakeViewer;
using test::J;

class CaptureTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::ScriptedPrompter prompter;
  FakeViewer viewer;
  FakeViewer::Window* pane = nullptr;
  std::string work = dir.File("tmp.txt");

  void SetUp() override {
    FakeViewer::Window* area = viewer.root.Add("HtmlStack");
    area->Add("");
    pane = area->Add(J("報告書.pdf (ADOBE)"));
    viewer.copyingWindow = pane;
  }
  std::string WorkText() {
    std::string bytes;
    ReadFileBytes(work, bytes);
    return bytes;
  }
};

TEST(ViewerTitleKeyTest, NameBeforeItsLastFullStopInUpperCase) {
  EXPECT_EQ(ViewerTitleKey("C:\\\x8E\x91\x97\xBF\\Report.pdf"), "REPORT");
  EXPECT_EQ(ViewerTitleKey("http://example.com/docs/annual.report.pdf"), "ANNUAL.REPORT");
  EXPECT_EQ(ViewerTitleKey("/home/u/" + J("資料") + "a.pdf"), J("資料") + "A");
  EXPECT_EQ(ViewerTitleKey("/home/u/.pdf"), "");
  EXPECT_EQ(ViewerTitleKey("/home/u/README"), "");
  EXPECT_EQ(ViewerTitleKey("report.pdf"), "");
  // The backslash wins over a later slash.
  EXPECT_EQ(ViewerTitleKey("C:\\dir/x\\name.pdf"), "NAME");
}

TEST(FindViewerWindowTest, DepthFirstByKeyOrMarker) {
  FakeViewer viewer;
  FakeViewer::Window* first = viewer.root.Add("toolbar");
  FakeViewer::Window* deep = first->Add("report.pdf");
  FakeViewer::Window* second = viewer.root.Add("Adobe Reader");
  EXPECT_EQ(FindViewerWindow(viewer, &viewer.root, "REPORT", "ADOBE"), deep);  // pre-order: depth first
  EXPECT_EQ(FindViewerWindow(viewer, &viewer.root, "OTHER", "ADOBE"), second);
  EXPECT_EQ(FindViewerWindow(viewer, &viewer.root, "OTHER", "NONE"), nullptr);
  // An empty key is in every text: the first child matches.
  EXPECT_EQ(FindViewerWindow(viewer, &viewer.root, "", "NONE"), first);
}

TEST_F(CaptureTest, CopiesTheTextPressesTheChordsAndRestoresTheViewer) {
  viewer.documentText = J("日本語の本文");
  std::string text;
  ASSERT_EQ(CaptureViewerText(viewer, prompter, true, work, J("報告書"), text), CaptureResult::Captured);
  EXPECT_EQ(text, J("日本語の本文"));
  EXPECT_EQ(WorkText(), J("日本語の本文"));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(viewer.sleeps, 2);
  const std::string p = J("報告書.pdf (ADOBE)");
  const std::vector<std::string> expected = {
      "seed TEXT",    "focus " + p,         "ctrl down",  "key Ctrl+A " + p, "key Ctrl+C " + p,
      "repaint " + p, "key Ctrl+Home " + p, "shift down", "repaint " + p,    "key Ctrl+Shift+A " + p,
      "redraw " + p,  "repaint " + p,       "shift up",   "ctrl up"};
  EXPECT_EQ(viewer.events, expected);
  EXPECT_FALSE(viewer.ControlDown() || viewer.ShiftDown());
}

TEST_F(CaptureTest, WithoutTheFlagTheWorkTextIsLeftAlone) {
  ASSERT_TRUE(WriteFileAtomic(work, "old"));
  viewer.documentText = "abc";
  std::string text;
  ASSERT_EQ(CaptureViewerText(viewer, prompter, false, work, "X", text), CaptureResult::Captured);
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(WorkText(), "old");
}

TEST_F(CaptureTest, NoViewerOrNoClipboardFailsBeforeAnyKey) {
  std::string text;
  pane->text = "other";
  EXPECT_EQ(CaptureViewerText(viewer, prompter, true, work, "KEY", text), CaptureResult::Failed);
  pane->text = "ADOBE";
  viewer.clipboardOpens = false;
  EXPECT_EQ(CaptureViewerText(viewer, prompter, true, work, "KEY", text), CaptureResult::Failed);
  EXPECT_TRUE(viewer.events.empty());
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(CaptureTest, ASentinelLeftAfterTheHundredthPollAsksRetryOrCancel) {
  viewer.copyingWindow = nullptr;  // a document of images only: nothing is copied
  prompter.answers = {Answer::Cancel};
  std::string text;
  EXPECT_EQ(CaptureViewerText(viewer, prompter, true, work, J("報告書"), text), CaptureResult::Cancelled);
  EXPECT_EQ(viewer.sleeps, 99);  // a hundred reads, 100 ms apart
  EXPECT_EQ(viewer.lastSleepMs, 100);
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.shown[0].kind, MessageKind::RetryCancel);
  EXPECT_TRUE(prompter.ShowedMessage(Msg::ViewerTextUnavailable));
  EXPECT_EQ(viewer.events.back(), "ctrl up");  // restored after Cancel too
  EXPECT_FALSE(PathExists(work));

  // A document whose whole text is "TEXT" cannot be told from no copy at all.
  viewer.copyingWindow = pane;
  viewer.documentText = "TEXT";
  prompter.answers = {Answer::Cancel};
  EXPECT_EQ(CaptureViewerText(viewer, prompter, true, work, J("報告書"), text), CaptureResult::Cancelled);
}

TEST_F(CaptureTest, RetryLooksForTheViewerAgainAndAGoneViewerFailsQuietly) {
  viewer.copyingWindow = nullptr;
  std::string text;
  // The viewer closes while the question is shown; the user chooses Retry.
  int asked = 0;
  class ClosingPrompter : public Prompter {
   public:
    ClosingPrompter(FakeViewer::Window*& pane, int& asked) : pane_(pane), asked_(asked) {}
    Answer Show(MessageKind, const std::string&) override {
      ++asked_;
      pane_->text = "closed";
      return Answer::Retry;
    }

   private:
    FakeViewer::Window*& pane_;
    int& asked_;
  } closing(pane, asked);
  EXPECT_EQ(CaptureViewerText(viewer, closing, true, work, J("報告書"), text), CaptureResult::Failed);
  EXPECT_EQ(asked, 1);  // no second message
  EXPECT_FALSE(viewer.ControlDown());
}

TEST_F(CaptureTest, AnEmptyCopyFailsWithoutAMessageButRestores) {
  viewer.documentText = "";
  viewer.copyDelay = 0;
  // The viewer copies nothing: the clipboard ends up empty rather than keeping the sentinel.
  std::string text;
  EXPECT_EQ(CaptureViewerText(viewer, prompter, true, work, J("報告書"), text), CaptureResult::Failed);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(viewer.events.back(), "ctrl up");
  EXPECT_FALSE(PathExists(work));
}

}  // namespace
}  // namespace folidex
