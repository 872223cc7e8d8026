#include <gtest/gtest.h>

#include "common/DocumentName.h"
#include "html/HomePage.h"
#include "html/NavigationHistory.h"
#include "html/PageType.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

using test::J;

TEST(DetectPageType, FileNameAndExtension) {
  EXPECT_EQ(DetectPageType("https://example.com/docs/"), "HTML");  // empty file name
  EXPECT_EQ(DetectPageType("https://example.com/docs/index"), "HTML");
  EXPECT_EQ(DetectPageType("https://example.com/a/report.pdf"), "PDF");
  EXPECT_EQ(DetectPageType("file:///home/u/Report.Pdf"), "PDF");
  EXPECT_EQ(DetectPageType("/home/u/REPORT.PDF"), "PDF");
  EXPECT_EQ(DetectPageType("C:\\資料\\Report.pdf"), "PDF");
  EXPECT_EQ(DetectPageType("https://example.com/page.html"), "HTML");
  EXPECT_EQ(DetectPageType("https://example.com/archive.tar.gz"), "HTML");
}

TEST(DetectPageType, NoSeparatorIsEmpty) {
  EXPECT_EQ(DetectPageType("about:blank"), "");
  EXPECT_EQ(DetectPageType(""), "");
  EXPECT_EQ(DetectPageType("report.pdf"), "");
}

TEST(DetectPageType, QueryOrFragmentAfterPdfIsHtml) {
  EXPECT_EQ(DetectPageType("https://example.com/a.pdf#page=2"), "HTML");
  EXPECT_EQ(DetectPageType("https://example.com/a.pdf?download=1"), "HTML");
  // A slash in the query moves the file name into it.
  EXPECT_EQ(DetectPageType("https://example.com/view?file=/x/a.pdf"), "PDF");
}

TEST(DetectPageType, Pictures) {
  for (const char* ext : {"jpg", "JPEG", "gif", "Png", "tif", "tiff", "bmp", "dib"}) {
    std::string upper = ext;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(DetectPageType(std::string("https://example.com/p/photo.") + ext), upper) << ext;
  }
  EXPECT_EQ(DetectPageType("https://example.com/p/photo.webp"), "HTML");
}

TEST(DetectPageType, Cp932TrailByteIsNotABackslash) {
  // 表 is 0x95 0x5C in CP932: its trail byte must not count as a path separator.
  EXPECT_EQ(DetectPageType(J("C:\\資料\\表.pdf")), "PDF");
  EXPECT_EQ(DetectPageType(J("表.pdf")), "");
  // Full-width letters are not upper-cased into an extension.
  EXPECT_EQ(DetectPageType(J("/home/a.ｐｄｆ")), "HTML");
}

struct HomeFixture : ::testing::Test {
  MemorySettings settings;
  test::ScriptedPrompter prompter;
};

TEST_F(HomeFixture, NothingForEmptyOrBlank) {
  EXPECT_FALSE(ChangeHomePage("", settings, prompter));
  EXPECT_FALSE(ChangeHomePage("about:blank", settings, prompter));
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_FALSE(settings.Has("KanSet", "Home"));
}

TEST_F(HomeFixture, YesNoCancel) {
  prompter.answers = {Answer::Yes};
  EXPECT_TRUE(ChangeHomePage("https://example.com/top", settings, prompter));
  EXPECT_EQ(settings.GetText(setting::Home), "https://example.com/top");
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.shown[0].kind, MessageKind::YesNoCancel);
  EXPECT_TRUE(prompter.ShowedMessage(Msg::SetHomeQuestion));
  EXPECT_TRUE(prompter.ShowedMessage(Msg::HomeSet));

  prompter.shown.clear();
  prompter.answers = {Answer::No};
  EXPECT_TRUE(ChangeHomePage("https://example.com/top", settings, prompter));
  EXPECT_EQ(settings.GetText(setting::Home), "about:blank");
  EXPECT_EQ(prompter.shown.size(), 2u);

  prompter.shown.clear();
  prompter.answers = {Answer::Cancel};
  EXPECT_FALSE(ChangeHomePage("https://example.com/other", settings, prompter));
  EXPECT_EQ(settings.GetText(setting::Home), "about:blank");
  EXPECT_EQ(prompter.shown.size(), 1u);  // the question only
}

TEST(NavigationHistory, BackForwardAndBranching) {
  NavigationHistory h;
  EXPECT_FALSE(h.Back());
  h.Visit("a");
  h.Visit("a");  // a reload adds nothing
  h.Visit("b.pdf");
  h.Visit("c");
  EXPECT_EQ(h.Size(), 3u);
  EXPECT_EQ(h.Back(), "b.pdf");
  h.Visit("b.pdf");  // the completion of the step back
  EXPECT_EQ(h.Back(), "a");
  EXPECT_FALSE(h.Back());
  EXPECT_EQ(h.Forward(), "b.pdf");
  h.Visit("d");  // a new document drops what lay ahead
  EXPECT_FALSE(h.CanGoForward());
  EXPECT_EQ(h.Back(), "b.pdf");
  EXPECT_EQ(h.Back(), "a");
}

}  // namespace
}  // namespace folidex

namespace folidex {

TEST(DocumentName, ContentDispositionNamesTheDocument) {
  EXPECT_EQ(DispositionFileName("attachment; filename=\"report 2024.pdf\""), "report 2024.pdf");
  EXPECT_EQ(DispositionFileName("inline; filename=plain.pdf; size=10"), "plain.pdf");
  EXPECT_EQ(DispositionFileName("attachment; filename=\"a.pdf\"; filename*=UTF-8''%E8%B3%87%E6%96%99.pdf"), "資料.pdf");
  EXPECT_EQ(DispositionFileName("attachment; filename=\"../../etc/x.pdf\""), "x.pdf");  // never a path
  EXPECT_EQ(DispositionFileName("attachment; xfilename=no.pdf"), "");
  EXPECT_EQ(DispositionFileName(""), "");
}

TEST(DocumentName, TheAddressGivesTheNameWithoutItsQuery) {
  EXPECT_EQ(KeptDocumentName("", "http://h/get?id=5"), "get.pdf");
  EXPECT_EQ(KeptDocumentName("", "http://h/dir/x.pdf?v=2"), "x.pdf");
  EXPECT_EQ(KeptDocumentName("", "http://h/x.pdf#page=1"), "x.pdf");
  EXPECT_EQ(KeptDocumentName("", "http://h/%E8%B3%87%E6%96%99.pdf"), "資料.pdf");
  EXPECT_EQ(KeptDocumentName("", "http://h/"), "document.pdf");
  EXPECT_EQ(KeptDocumentName("", "http://h"), "document.pdf");
  EXPECT_EQ(KeptDocumentName("attachment; filename=\"r.pdf\"", "http://h/get?id=5"), "r.pdf");
  EXPECT_EQ(AddressWithName("http://h/a/get?id=5", "get.pdf"), "http://h/a/get.pdf");
  EXPECT_EQ(AddressWithName("http://h/x.pdf?v=2#p", "x.pdf"), "http://h/x.pdf");
}

}  // namespace folidex
