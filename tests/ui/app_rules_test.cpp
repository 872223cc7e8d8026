// The shell's rules that need no widget: restored date texts, the exit rectangle, the web
// search address, the hover texts built from the state, and the settings sheet's values.

#include <gtest/gtest.h>

#include "app/HoverHelp.h"
#include "app/ShellRules.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

using test::J;

TEST(ShellRulesTest, RestoredDatesShowStoredValuesTodayOrTheOpenBound) {
  test::FixedClock clock;
  const std::string today = TodayDateText(clock);
  EXPECT_EQ(today, FormatLocalTime(clock.Now(), "%Y/%m/%d"));
  EXPECT_EQ(today.size(), 10u);
  EXPECT_EQ(RestoredDateText("", "00000000", clock), today);
  EXPECT_EQ(RestoredDateText("00000000", "00000000", clock), "");
  EXPECT_EQ(RestoredDateText("99999999", "99999999", clock), "");
  EXPECT_EQ(RestoredDateText("20110105", "99999999", clock), "2011/01/05");
  // The other bound's open value is an ordinary stored date in this edit.
  EXPECT_EQ(RestoredDateText("99999999", "00000000", clock), "9999/99/99");
}

TEST(ShellRulesTest, ExitRectangleIsTheNormalOneWhenMaximisedAndNeverLeftOrAboveTheScreen) {
  const WindowRect current{-8, -8, 1616, 1016};
  const WindowRect normal{100, 50, 1200, 800};
  WindowRect maximised = ShutdownWindowRect(current, normal, true);
  EXPECT_EQ(maximised.x, 100);
  EXPECT_EQ(maximised.y, 50);
  EXPECT_EQ(maximised.width, 1200);
  EXPECT_EQ(maximised.height, 800);
  WindowRect off = ShutdownWindowRect({-40, -25, 900, 700}, normal, false);
  EXPECT_EQ(off.x, 0);
  EXPECT_EQ(off.y, 0);
  EXPECT_EQ(off.width, 900);  // the size is kept as it was
  EXPECT_EQ(off.height, 700);
}

TEST(ShellRulesTest, StartRectangleStaysOnAScreenThereIs) {
  const std::vector<WindowRect> two = {{0, 0, 1920, 1050}, {1920, 0, 1280, 1000}};
  auto same = [](const WindowRect& a, const WindowRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
  };
  EXPECT_TRUE(same(StartupWindowRect({2000, 50, 800, 600}, two), {2000, 50, 800, 600}));  // on the second
  // The second screen gone: centred on the first; too large: cut to it.
  EXPECT_TRUE(same(StartupWindowRect({2000, 50, 800, 600}, {two[0]}), {560, 225, 800, 600}));
  EXPECT_TRUE(same(StartupWindowRect({0, 0, 4000, 3000}, {{0, 0, 1920, 1050}}), {0, 0, 4000, 3000}));
  EXPECT_TRUE(same(StartupWindowRect({5000, 0, 4000, 3000}, {{0, 0, 1920, 1050}}), {0, 0, 1920, 1050}));
  // Only a corner of 50 pixels on the screen is not enough to find the window.
  EXPECT_TRUE(same(StartupWindowRect({1870, 1000, 800, 600}, {two[0]}), {560, 225, 800, 600}));
  EXPECT_EQ(StartupWindowRect({0, 0, 0, 0}, two).width, 0);
  EXPECT_EQ(StartupWindowRect({0, 0, 800, 600}, {}).width, 0);
}

TEST(ShellRulesTest, WebSearchAddressCarriesTheFilter) {
  const std::string base = "https://search.example/";
  EXPECT_EQ(WebSearchAddress(base, "abc", 0), "https://search.example/search?q=abc");
  EXPECT_EQ(WebSearchAddress(base, "abc", 1), "https://search.example/search?q=abc&tbm=isch");
  EXPECT_EQ(WebSearchAddress(base, "abc", 2), "https://search.example/search?q=abc&tbm=isch&tbs=itp:photo");
  // The operator is part of the query text, so it is encoded with it.
  EXPECT_EQ(WebSearchAddress(base, "abc", 3), "https://search.example/search?q=abc%20filetype%3Apdf");
  // "&", "#", "+" and "%" would end the query, cut the address or change the text searched for.
  EXPECT_EQ(WebSearchAddress(base, "R&D #1 C++ 100%", 0),
            "https://search.example/search?q=R%26D%20%231%20C%2B%2B%20100%25");
  EXPECT_EQ(WebSearchAddress(base, "a&b", 1), "https://search.example/search?q=a%26b&tbm=isch");
  // Japanese text is sent as UTF-8, whatever the program keeps it as.
  EXPECT_EQ(WebSearchAddress(base, J("資料 PDF"), 3),
            "https://search.example/search?q=%E8%B3%87%E6%96%99%20PDF%20filetype%3Apdf");
}

TEST(HoverHelpTest, TextsFollowTheStateAtTheMomentOfHovering) {
  HoverState state;
  EXPECT_NE(HoverHelpText("ID_NOW_DSP", state).find("「不明」"), std::string::npos);
  state.pageType = "PDF";
  EXPECT_NE(HoverHelpText("ID_NOW_DSP", state).find("「PDF」"), std::string::npos);
  state.optWord = 1;
  EXPECT_NE(HoverHelpText("ID_OPT_WORD", state).find("\n書式付きでWordにセットします"), std::string::npos);
  state.optWord = 0;
  EXPECT_NE(HoverHelpText("ID_OPT_WORD", state).find("\n書式を付けず、テキストのみをWordにセットします"),
            std::string::npos);
  EXPECT_EQ(HoverHelpText("ID_TITLE2", state),
            "データベース項目の「作成者」内を\n検索する文字(列)をセットします\n※ 大文字・小文字を区別します\n※ "
            "「全文」にチェックがあると入力禁止になっています");
  // The search edits have no hover text of their own.
  EXPECT_EQ(HoverHelpText("ID_EDIT1", state), "");
}

TEST(SheetValuesTest, WritingRewritesEveryOptionAndLeavesTheCounterAlone) {
  MemorySettings settings;
  settings.SetText(setting::SerialCounter, "00000012");
  SheetValues values = LoadSheetValues(settings, NativePath("/data"));
  EXPECT_EQ(values.storePath, "/data");
  EXPECT_EQ(values.hitMax, 500);
  WriteSheetValues(values, settings);
  for (const SettingKey* key :
       {&setting::SetList, &setting::ColumnMnt, &setting::Ques, &setting::Home, &setting::MenuLen, &setting::DspWord,
        &setting::WordStorePath, &setting::HitMax, &setting::Fukugen, &setting::Kakunin})
    EXPECT_TRUE(settings.Has(key->section, key->name)) << key->name;
  EXPECT_FALSE(settings.Has("KanSet", "StorePath"));
  EXPECT_EQ(settings.GetText(setting::SerialCounter), "00000012");
  EXPECT_EQ(ClampMenuLen(5), 20);
  EXPECT_EQ(ClampMenuLen(999), 200);
}

}  // namespace
}  // namespace folidex
