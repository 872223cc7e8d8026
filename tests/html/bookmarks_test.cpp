// The sixteen bookmark slots: menu texts and contents, choosing, deleting, adding the current
// page, the last page, and the edit dialog's save rule.

#include <gtest/gtest.h>

#include "FakeHtmlArea.h"
#include "common/Settings.h"
#include "html/Bookmarks.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

using test::J;

const std::string kEllipsis = "\x81\x63";

TEST(TruncateMenuText, CutsWholeCharactersAndMarksTheCut) {
  const std::string forty(40, 'a');
  EXPECT_EQ(TruncateMenuText(forty + "b", 40), forty + kEllipsis);
  EXPECT_EQ(TruncateMenuText(forty, 40), forty);
  // あ takes bytes 40 and 41: it goes, and the mark follows 39 bytes.
  const std::string thirtyNine(39, 'a');
  EXPECT_EQ(TruncateMenuText(thirtyNine + J("あ"), 40), thirtyNine + kEllipsis);
  EXPECT_EQ(TruncateMenuText(thirtyNine + J("あい"), 40), thirtyNine + kEllipsis);
  // A double-byte character that ends exactly at the limit stays.
  EXPECT_EQ(TruncateMenuText(std::string(38, 'a') + J("あい"), 40), std::string(38, 'a') + J("あ") + kEllipsis);
  EXPECT_EQ(TruncateMenuText(J("ブックマーク"), 40), J("ブックマーク"));
  EXPECT_EQ(TruncateMenuText("", 40), "");
}

struct BookmarkFixture : ::testing::Test {
  MemorySettings settings;
  test::ScriptedPrompter prompter;
  test::FakeHtmlArea html;

  void Put(int slot, const std::string& name, const std::string& url) {
    WriteBookmarkSlot(settings, slot, {name, url});
  }
  std::string Name(int slot) { return settings.GetText(setting::BookmarkName(slot)); }
  std::string Url(int slot) { return settings.GetText(setting::BookmarkUrl(slot)); }
};

TEST_F(BookmarkFixture, TheMenuEndsAtTheFirstEmptyName) {
  Put(0, J("ニュース"), "https://news.example/");
  Put(1, std::string(45, 'x'), "https://x.example/");
  Put(3, "hidden", "https://hidden.example/");
  settings.SetInt(setting::MenuLen, 20);

  std::vector<BookmarkMenuItem> menu = BuildBookmarkMenu(settings);
  ASSERT_EQ(menu.size(), 6u);
  EXPECT_EQ(menu[0].id, 9000);
  EXPECT_EQ(menu[0].text, J("ニュース"));
  EXPECT_EQ(menu[1].id, 9001);
  EXPECT_EQ(menu[1].text, std::string(20, 'x') + kEllipsis);
  EXPECT_EQ(menu[2].id, 0);  // separator
  EXPECT_EQ(menu[3].id, 9098);
  EXPECT_EQ(menu[3].text, J("前回最後に表示したページを表示"));
  EXPECT_FALSE(menu[3].enabled);  // no last page
  EXPECT_EQ(menu[4].id, 9099);
  EXPECT_EQ(menu[4].text, J("現在のページを追加 (削除 Ctrl+Click)"));
  EXPECT_EQ(menu[5].id, 9100);
  EXPECT_EQ(menu[5].text, J("ブックマークの編集 (max:16)"));
  EXPECT_EQ(LoadBookmarks(settings).size(), 2u);

  settings.SetText(setting::DspPage, "https://last.example/");
  EXPECT_TRUE(BuildBookmarkMenu(settings)[3].enabled);
  // With no bookmark at all, the menu starts at the separator.
  settings.Clear();
  EXPECT_EQ(BuildBookmarkMenu(settings).front().id, 0);
}

TEST_F(BookmarkFixture, ChoosingNavigatesAndCtrlChoosingDeletesEveryBookmarkOfThatName) {
  Put(0, "A", "https://a1.example/");
  Put(1, "B", "https://b.example/");
  Put(2, "A", "https://a2.example/");
  Put(3, "C", "");

  EXPECT_EQ(RunBookmarkCommand(9001, false, settings, prompter, html), BookmarkCommandResult::Done);
  EXPECT_EQ(html.navigated, std::vector<std::string>{"https://b.example/"});
  RunBookmarkCommand(9003, false, settings, prompter, html);  // an empty address does nothing
  EXPECT_EQ(html.navigated.size(), 1u);

  prompter.answers = {Answer::No};
  RunBookmarkCommand(9002, true, settings, prompter, html);
  EXPECT_EQ(Name(0), "A");
  ASSERT_EQ(prompter.shown.size(), 1u);
  EXPECT_EQ(prompter.TextsUtf8()[0], "A\nこのブックマークを削除してもよろしいですか");

  prompter.answers = {Answer::Yes};
  RunBookmarkCommand(9002, true, settings, prompter, html);
  EXPECT_EQ(Name(0), "B");
  EXPECT_EQ(Url(0), "https://b.example/");
  EXPECT_EQ(Name(1), "C");
  for (int slot = 2; slot < kBookmarkSlots; ++slot) {
    EXPECT_EQ(Name(slot), "") << slot;
    EXPECT_EQ(Url(slot), "") << slot;
  }
  EXPECT_EQ(html.navigated.size(), 1u);  // Ctrl+choosing does not navigate
}

TEST_F(BookmarkFixture, AddingPutsThePageFirstAndTheSeventeenthDropsTheLast) {
  for (int i = 1; i <= 17; ++i) {
    html.Show("https://example.com/page" + std::to_string(i), "Page " + std::to_string(i));
    EXPECT_TRUE(RunBookmarkCommand(9099, false, settings, prompter, html) == BookmarkCommandResult::Done);
  }
  EXPECT_EQ(Name(0), "Page 17");
  EXPECT_EQ(Url(0), "https://example.com/page17");
  EXPECT_EQ(Name(15), "Page 2");  // Page 1 was in slot 15 and is gone
  EXPECT_EQ(Url(15), "https://example.com/page2");

  // An address already bookmarked is not added again; neither is nothing.
  html.Show("https://example.com/page9", "Again");
  EXPECT_FALSE(AddCurrentPage(settings, html));
  html.Show("");
  EXPECT_FALSE(AddCurrentPage(settings, html));
  EXPECT_EQ(Name(0), "Page 17");
  EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(BookmarkFixture, AnUntitledPageIsNamedAfterItsFileName) {
  EXPECT_EQ(BookmarkNameForPage("https://example.com/docs/report.pdf"), "report.pdf");
  EXPECT_EQ(BookmarkNameForPage("HTTPS://example.com/docs/%E8%B3%87%E6%96%99.pdf"), J("資料.pdf"));
  // Four bytes or fewer after the last "/": the whole address.
  EXPECT_EQ(BookmarkNameForPage("https://example.com/a.js"), "https://example.com/a.js");
  EXPECT_EQ(BookmarkNameForPage("https://example.com/"), "https://example.com/");
  // A title stays a title; a character without a CP932 form becomes a space.
  EXPECT_EQ(BookmarkNameForPage("資料一覧 – 2024 😀"), J("資料一覧   2024  "));
  EXPECT_EQ(BookmarkNameForPage("file:///home/u/a/report.pdf"), "file:///home/u/a/report.pdf");

  // Long titles are cut to 202 bytes, never inside a character.
  std::string kana = "a";
  for (int i = 0; i < 150; ++i) kana += "あ";
  const std::string name = BookmarkNameForPage(kana);
  EXPECT_EQ(name.size(), 201u);
  EXPECT_EQ(name.substr(199), J("あ"));
  EXPECT_EQ(BookmarkNameForPage(std::string(300, 'x')).size(), 202u);
}

TEST_F(BookmarkFixture, AddressesSurviveTheSettingsText) {
  html.Show("https://ja.example/wiki/資料 一覧", "資料");
  ASSERT_TRUE(AddCurrentPage(settings, html));
  EXPECT_EQ(Url(0), "https://ja.example/wiki/%E8%B3%87%E6%96%99%20%E4%B8%80%E8%A6%A7");
  EXPECT_EQ(Name(0), J("資料"));
  // The same page again, percent-encoded this time, is the same address.
  html.Show("https://ja.example/wiki/%E8%B3%87%E6%96%99%20%E4%B8%80%E8%A6%A7");
  EXPECT_FALSE(AddCurrentPage(settings, html));

  EXPECT_EQ(StoredAddress("/home/u/資料.pdf"), J("/home/u/資料.pdf"));
  EXPECT_EQ(NavigableAddress(J("/home/u/資料.pdf")), "/home/u/資料.pdf");
  EXPECT_EQ(StoredAddress("/home/u/café.pdf"), "file:///home/u/caf%C3%A9.pdf");
  EXPECT_EQ(StoredAddress("about:blank"), "about:blank");

  ASSERT_TRUE(ChooseBookmark(settings, html, 0));
  EXPECT_EQ(html.navigated.back(), "https://ja.example/wiki/%E8%B3%87%E6%96%99%20%E4%B8%80%E8%A6%A7");
}

TEST_F(BookmarkFixture, LastPageAndTheEditor) {
  EXPECT_FALSE(ShowLastPage(settings, html));
  settings.SetText(setting::DspPage, J("/home/u/資料.pdf"));
  EXPECT_EQ(RunBookmarkCommand(9098, false, settings, prompter, html), BookmarkCommandResult::Done);
  EXPECT_EQ(html.navigated, std::vector<std::string>{"/home/u/資料.pdf"});
  EXPECT_EQ(RunBookmarkCommand(9100, false, settings, prompter, html), BookmarkCommandResult::OpenEditor);
  EXPECT_EQ(RunBookmarkCommand(9016, false, settings, prompter, html), BookmarkCommandResult::Unknown);
}

TEST_F(BookmarkFixture, SavingNamesRefusesEmptyNamesAndNamesThatWouldChange) {
  Put(0, "A", "https://a.example/");
  Put(1, "B", "https://b.example/");
  Put(2, "C", "https://c.example/");

  EXPECT_EQ(SaveBookmarkNames(settings, prompter, {"x", "", "z"}), 1);
  EXPECT_TRUE(prompter.ShowedMessage(Msg::NameEmpty));
  EXPECT_EQ(Name(0), "A");  // nothing written

  prompter.shown.clear();
  EXPECT_EQ(SaveBookmarkNames(settings, prompter, {"x", "y", "Report 😀"}), 2);
  EXPECT_TRUE(prompter.ShowedMessage(Msg::BookmarkNameNotStorable));
  EXPECT_EQ(SaveBookmarkNames(settings, prompter, {"café", "y", "z"}), 0);
  EXPECT_EQ(SaveBookmarkNames(settings, prompter, {"x", "y", "a\xE8\xB3"}), 2);  // not UTF-8
  EXPECT_EQ(Name(0), "A");

  // 〜 (wave dash) has a CP932 form, as typed by Japanese input methods.
  prompter.shown.clear();
  EXPECT_EQ(SaveBookmarkNames(settings, prompter, {"資料〜一覧", "  ", "z"}), -1);
  EXPECT_TRUE(prompter.shown.empty());
  EXPECT_EQ(Name(0), J("資料〜一覧"));
  EXPECT_EQ(Name(1), "  ");
  EXPECT_EQ(Name(2), "z");
  EXPECT_EQ(Url(2), "https://c.example/");  // addresses are never written
  EXPECT_EQ(Name(3), "");
}

}  // namespace
}  // namespace folidex
