#include <gtest/gtest.h>

#include "common/Cp932.h"
#include "search/Search.h"
#include "support/TestSupport.h"

using namespace folidex;
using folidex::test::FixedClock;
using folidex::test::J;
using folidex::test::ScriptedPrompter;

namespace {

// The date text's result and, when it fails, the one message shown (UTF-8).
std::pair<std::string, std::string> Parse(const char* text, const char* label = "(自) ") {
  ScriptedPrompter prompter;
  std::string result = ParseSearchDate(text, J(label), prompter);
  std::string shown;
  if (!prompter.shown.empty()) {
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, MessageKind::Information);
    shown = prompter.TextsUtf8()[0];
  }
  return {result, shown};
}

std::string Shown(const char* label, Msg id) { return std::string(label) + MessageTextUtf8(id); }

struct Collect {
  MemorySettings settings;
  ScriptedPrompter prompter;
  ListRows list;
  SearchInputs inputs;
  SearchConditions conditions;
  Collect() { settings.SetInt(setting::Kakunin, 0); }
  bool Run() { return CollectSearchConditions(inputs, list, settings, prompter, conditions); }
  std::string Saved(const SettingKey& key) { return Cp932ToUtf8(settings.GetText(key)); }
};

}  // namespace

TEST(ParseSearchDate, AcceptsAndRejectsEachFormWithItsMessage) {
  EXPECT_EQ(Parse("2010/12/01"), std::make_pair(std::string("20101201"), std::string()));
  EXPECT_EQ(Parse("2010/1/5").first, "20100105");
  EXPECT_EQ(Parse("2010/02/31").first, "20100231");  // the day is not checked against the month
  EXPECT_EQ(Parse("2010-12-01"), std::make_pair(std::string(), Shown("(自) ", Msg::DateHasBadCharacter)));
  // Full-width digits and slashes, as an input method types them, are their half-width forms.
  EXPECT_EQ(Parse(J("２０１０／１２／０１").c_str()), std::make_pair(std::string("20101201"), std::string()));
  EXPECT_EQ(Parse(J("２０１０/1/1").c_str()).first, "20100101");
  EXPECT_EQ(Parse(J("２０１０．1．1").c_str()).second, Shown("(自) ", Msg::DateHasBadCharacter));
  EXPECT_EQ(Parse("２０１０/1/1").second, Shown("(自) ", Msg::DateHasBadCharacter));  // not CP932
  EXPECT_EQ(Parse("2010/1201").second, Shown("(自) ", Msg::DateNeedsSlashes));
  EXPECT_EQ(Parse("10/12/01").second, Shown("(自) ", Msg::DateNeedsSlashes));
  EXPECT_EQ(Parse("2010/1/2/3").second, Shown("(自) ", Msg::DateNeedsSlashes));
  EXPECT_EQ(Parse("").second, Shown("(自) ", Msg::DateNeedsSlashes));
  EXPECT_EQ(Parse("2010//01").second, Shown("(自) ", Msg::DateMonthUnknown));
  EXPECT_EQ(Parse("2010/123/1").second, Shown("(自) ", Msg::DateMonthUnknown));
  EXPECT_EQ(Parse("2010/13/01").second, Shown("(自) ", Msg::DateMonthOutOfRange));
  EXPECT_EQ(Parse("2010/0/01").second, Shown("(自) ", Msg::DateMonthOutOfRange));
  EXPECT_EQ(Parse("2010/12/").second, Shown("(自) ", Msg::DateDayOutOfRange));
  EXPECT_EQ(Parse("2010/12/32").second, Shown("(自) ", Msg::DateDayOutOfRange));
  EXPECT_EQ(Parse("2010/12/99999999999999999999").second, Shown("(自) ", Msg::DateDayOutOfRange));
  EXPECT_EQ(Parse("2010//01", "(至) ").second, Shown("(至) ", Msg::DateMonthUnknown));
}

TEST(ConfirmationText, ShowsTermsAsTypedAndEachRangeForm) {
  SearchConditions c;
  c.flags.onCreationDate = true;
  c.hasTextCondition = false;
  std::string head = "1 語句\n\t-設定なし-\n2 作成日の範囲\n";
  std::string tail = "3 その他\n\t結果をセットする前にリストをクリアする\n";
  EXPECT_EQ(Cp932ToUtf8(BuildConfirmationText(c)), head + "\t作成日を絞らない\n" + tail);

  c.dateFrom = "20101201";
  EXPECT_EQ(Cp932ToUtf8(BuildConfirmationText(c)), head + "\t2010/12/01以降に作成されたもの\n" + tail);
  c.dateTo = "20110105";
  EXPECT_EQ(Cp932ToUtf8(BuildConfirmationText(c)), head + "\t2010/12/01～2011/01/05\n" + tail);
  c.dateFrom = "00000000";
  c.flags.onCreationDate = false;
  c.flags.spaceCut = true;
  c.flags.addList = true;
  c.hasTextCondition = true;
  c.goku[0] = J("報告");
  c.goku[4] = J("ｐｄｆ");
  EXPECT_EQ(Cp932ToUtf8(BuildConfirmationText(c)),
            "1 語句\n\tタイトル：報告\n\t作成者：-設定なし-\n\tサブタイトル：-設定なし-\n\tキーワード：-設定なし-\n"
            "\tPDF本文：ｐｄｆ\n2 取得日の範囲\n\t2011/01/05までに取得されたもの\n"
            "3 その他\n\t突合時、スペースを除去する\n\t結果をリスト末尾に追加する\n");
  c.flags.zenbun = true;
  c.goku[5] = J("ｐｄｆ 齋藤");
  EXPECT_EQ(Cp932ToUtf8(BuildConfirmationText(c)).rfind("1 語句\n\t全文検索テキスト：ｐｄｆ 齋藤\n2 取得日の範囲\n", 0),
            0u);
}

TEST(CollectSearchConditions, FullTextModeSavesEmptyFieldTermsAndNormalisesOnlyTheMatchedTerm) {
  Collect f;
  f.settings.SetInt(setting::Kakunin, 1);
  f.inputs.flags.zenbun = true;
  f.inputs.editTexts = {J("古い題"), J("古い"), "", "", J("本文"), J("ｐｄｆ 齋藤")};
  f.list.AddDuplicate(5, 1);
  ASSERT_TRUE(f.Run());
  EXPECT_EQ(f.list.DuplicateCount(), 0);
  EXPECT_EQ(f.conditions.goku[5], J("ＰＤＦ 斉藤"));
  EXPECT_EQ(f.conditions.rawFullTextTerm, J("ｐｄｆ 齋藤"));
  for (int k = 0; k < 5; ++k) EXPECT_EQ(f.Saved(setting::Goku(k)), "") << k;
  EXPECT_EQ(f.Saved(setting::Goku(5)), "ｐｄｆ 齋藤");
  EXPECT_EQ(f.Saved(setting::Date1), "00000000");
  EXPECT_EQ(f.Saved(setting::Date2), "99999999");
  EXPECT_TRUE(f.conditions.hasTextCondition);
  EXPECT_FALSE(f.conditions.hasDateCondition);
  // The confirmation shows the typed term, then a line break and 30051, as one question.
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.prompter.shown[0].kind, MessageKind::YesNo);
  std::string asked = f.prompter.TextsUtf8()[0];
  EXPECT_EQ(asked.rfind("1 語句\n\t全文検索テキスト：ｐｄｆ 齋藤\n", 0), 0u);
  EXPECT_EQ(asked.substr(asked.size() - std::string(MessageTextUtf8(Msg::StartSearchQuestion)).size() - 2),
            std::string("\n\n") + MessageTextUtf8(Msg::StartSearchQuestion));

  // Field mode: only the body term is normalised; the title term stays as typed.
  Collect g;
  g.inputs.editTexts = {J("ａｂｃ"), "", "", "", J("ａｂ澤"), J("ignored")};
  ASSERT_TRUE(g.Run());
  EXPECT_EQ(g.conditions.goku[0], J("ａｂｃ"));
  EXPECT_EQ(g.conditions.goku[4], J("ＡＢ沢"));
  EXPECT_EQ(g.conditions.goku[5], "");
  EXPECT_EQ(g.Saved(setting::Goku(4)), "ａｂ澤");
  EXPECT_TRUE(g.prompter.shown.empty());  // Kakunin 0: no confirmation
}

TEST(CollectSearchConditions, SwapsReversedDatesIntoTheEditsAndSavesThem) {
  Collect f;
  f.inputs.flags.useDateFrom = f.inputs.flags.useDateTo = true;
  f.inputs.date1Text = "2011/01/01";
  f.inputs.date2Text = "2010/1/1";
  ASSERT_TRUE(f.Run());
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.prompter.TextsUtf8()[0], MessageTextUtf8(Msg::DatesReversedQuestion));
  EXPECT_EQ(f.inputs.date1Text, "2010/01/01");
  EXPECT_EQ(f.inputs.date2Text, "2011/01/01");
  EXPECT_EQ(f.Saved(setting::Date1), "20100101");
  EXPECT_EQ(f.Saved(setting::Date2), "20110101");
  EXPECT_TRUE(f.conditions.hasDateCondition);
  EXPECT_FALSE(f.conditions.hasTextCondition);

  // No to the order question abandons before anything is saved.
  Collect g;
  g.inputs = f.inputs;
  std::swap(g.inputs.date1Text, g.inputs.date2Text);
  g.prompter.answers = {Answer::No};
  EXPECT_FALSE(g.Run());
  EXPECT_EQ(g.inputs.date1Text, "2011/01/01");
  EXPECT_FALSE(g.settings.Has("Search", "Date1"));
}

TEST(CollectSearchConditions, ABadDateOrADeclinedConfirmationAbandons) {
  Collect f;
  f.inputs.flags.useDateTo = true;
  f.inputs.date2Text = "2010/13/01";
  f.inputs.editTexts[0] = "X";
  EXPECT_FALSE(f.Run());
  EXPECT_EQ(f.prompter.TextsUtf8(), std::vector<std::string>{Shown("(至) ", Msg::DateMonthOutOfRange)});
  EXPECT_FALSE(f.settings.Has("Search", "Goku0"));

  // Declined confirmation: the conditions are saved all the same, the terms not normalised.
  Collect g;
  g.settings.SetInt(setting::Kakunin, 1);
  g.inputs.flags.useDateFrom = true;
  g.inputs.date1Text = "2010/12/01";
  g.inputs.editTexts[4] = "abc";
  g.prompter.answers = {Answer::No};
  EXPECT_FALSE(g.Run());
  EXPECT_EQ(g.Saved(setting::Date1), "20101201");
  EXPECT_EQ(g.Saved(setting::Date2), "99999999");
  EXPECT_EQ(g.Saved(setting::Goku(4)), "abc");
  EXPECT_NE(g.prompter.TextsUtf8()[0].find("\t2010/12/01以降に作成されたもの\n"), std::string::npos);
}

TEST(SearchToggles, InvertSaveAndFillTodayIntoAnOpenBound) {
  MemorySettings settings;
  FixedClock clock;  // 2010-12-01 01:20:30 UTC
  std::string today = FormatLocalTime(clock.Now(), "%Y/%m/%d");
  SearchFlags flags = LoadSearchFlags(settings);
  EXPECT_TRUE(flags.onCreationDate);
  EXPECT_FALSE(flags.zenbun || flags.useDateFrom || flags.useDateTo || flags.spaceCut || flags.addList);

  std::string date1 = "00000000";
  EXPECT_TRUE(ToggleSearchFlag(flags, SearchToggle::DateFrom, settings, clock, &date1));
  EXPECT_EQ(date1, today);
  EXPECT_EQ(settings.GetInt(setting::Chk1), 1);
  date1 = "00000000";
  EXPECT_FALSE(ToggleSearchFlag(flags, SearchToggle::DateFrom, settings, clock, &date1));  // turned off: untouched
  EXPECT_EQ(date1, "00000000");
  EXPECT_EQ(settings.GetInt(setting::Chk1), 0);

  std::string date2 = "2010/05/05";
  EXPECT_TRUE(ToggleSearchFlag(flags, SearchToggle::DateTo, settings, clock, &date2));
  EXPECT_EQ(date2, "2010/05/05");
  flags.useDateTo = false;
  date2 = "99999999";
  EXPECT_TRUE(ToggleSearchFlag(flags, SearchToggle::DateTo, settings, clock, &date2));
  EXPECT_EQ(date2, today);

  EXPECT_FALSE(ToggleSearchFlag(flags, SearchToggle::CreationDate, settings, clock));
  EXPECT_EQ(settings.GetInt(setting::Chk0), 0);
  EXPECT_TRUE(ToggleSearchFlag(flags, SearchToggle::Zenbun, settings, clock));
  EXPECT_TRUE(ToggleSearchFlag(flags, SearchToggle::SpaceCut, settings, clock));
  EXPECT_TRUE(ToggleSearchFlag(flags, SearchToggle::AddList, settings, clock));
  SearchFlags reloaded = LoadSearchFlags(settings);
  EXPECT_TRUE(reloaded.zenbun && reloaded.spaceCut && reloaded.addList && reloaded.useDateTo);
  EXPECT_FALSE(reloaded.onCreationDate || reloaded.useDateFrom);
}
