// The conditions of the search tab: the toggle commands, the date check, the summary shown
// before a search and the collection of the conditions when ID_DB_SEARCH starts.

#include <cstdio>
#include <string_view>
#include <utility>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/Normalize.h"
#include "search/Search.h"

namespace folidex {
namespace {

constexpr std::string_view kNoLowerBound = "00000000";
constexpr std::string_view kNoUpperBound = "99999999";

// The texts of the summary, converted once.
struct SummaryTexts {
  std::string head1 = Utf8ToCp932("1 語句\n");
  std::string fullText = Utf8ToCp932("\t全文検索テキスト：");
  std::string fieldLabels[5] = {Utf8ToCp932("\tタイトル："), Utf8ToCp932("\t作成者："), Utf8ToCp932("\tサブタイトル："),
                                Utf8ToCp932("\tキーワード："), Utf8ToCp932("\tPDF本文：")};
  std::string notSet = Utf8ToCp932("-設定なし-");
  std::string head2 = Utf8ToCp932("2 ");
  std::string rangeOf = Utf8ToCp932("日の範囲\n");
  std::string created = Utf8ToCp932("作成");
  std::string acquired = Utf8ToCp932("取得");
  std::string noLimit = Utf8ToCp932("日を絞らない");
  std::string between = Utf8ToCp932("～");
  std::string since = Utf8ToCp932("以降に");
  std::string until = Utf8ToCp932("までに");
  std::string done = Utf8ToCp932("されたもの");
  std::string head3 = Utf8ToCp932("3 その他\n");
  std::string spaceCut = Utf8ToCp932("\t突合時、スペースを除去する\n");
  std::string addList = Utf8ToCp932("\t結果をリスト末尾に追加する\n");
  std::string clearList = Utf8ToCp932("\t結果をセットする前にリストをクリアする\n");
};

const SummaryTexts& Texts() {
  static const SummaryTexts texts;
  return texts;
}

// YYYYMMDD as YYYY/MM/DD.
std::string SlashedDate(std::string_view date) {
  std::string out(date.substr(0, 4));
  out.append(1, '/').append(date.substr(4, 2)).append(1, '/').append(date.substr(6, 2));
  return out;
}

// The decimal value of a digit string; very long strings saturate instead of overflowing.
int DigitsValue(std::string_view digits) {
  int value = 0;
  for (char c : digits) {
    if (value > 100000) return value;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool& FlagOf(SearchFlags& flags, SearchToggle toggle) {
  switch (toggle) {
    case SearchToggle::Zenbun:
      return flags.zenbun;
    case SearchToggle::CreationDate:
      return flags.onCreationDate;
    case SearchToggle::DateFrom:
      return flags.useDateFrom;
    case SearchToggle::DateTo:
      return flags.useDateTo;
    case SearchToggle::SpaceCut:
      return flags.spaceCut;
    case SearchToggle::Yure:
      return flags.yure;
    case SearchToggle::AddList:
      break;
  }
  return flags.addList;
}

const SettingKey& KeyOf(SearchToggle toggle) {
  switch (toggle) {
    case SearchToggle::Zenbun:
      return setting::Zenbun;
    case SearchToggle::CreationDate:
      return setting::Chk0;
    case SearchToggle::DateFrom:
      return setting::Chk1;
    case SearchToggle::DateTo:
      return setting::Chk2;
    case SearchToggle::SpaceCut:
      return setting::SpaceCut;
    case SearchToggle::Yure:
      return setting::Yure;
    case SearchToggle::AddList:
      break;
  }
  return setting::AddList;
}

}  // namespace

SearchFlags LoadSearchFlags(const Settings& settings) {
  SearchFlags flags;
  flags.zenbun = settings.GetInt(setting::Zenbun) != 0;
  flags.onCreationDate = settings.GetInt(setting::Chk0) != 0;
  flags.useDateFrom = settings.GetInt(setting::Chk1) != 0;
  flags.useDateTo = settings.GetInt(setting::Chk2) != 0;
  flags.spaceCut = settings.GetInt(setting::SpaceCut) != 0;
  flags.addList = settings.GetInt(setting::AddList) != 0;
  flags.yure = settings.GetInt(setting::Yure) != 0;
  return flags;
}

bool ToggleSearchFlag(SearchFlags& flags, SearchToggle toggle, Settings& settings, const Clock& clock,
                      std::string* dateText) {
  bool& flag = FlagOf(flags, toggle);
  flag = !flag;
  settings.SetInt(KeyOf(toggle), flag ? 1 : 0);
  if (flag && dateText) {
    if (dateText->empty() || (toggle == SearchToggle::DateFrom && *dateText == kNoLowerBound) ||
        (toggle == SearchToggle::DateTo && *dateText == kNoUpperBound)) {
      *dateText = FormatLocalTime(clock.Now(), "%Y/%m/%d");
    }
  }
  return flag;
}

std::string HalfWidthDateText(std::string_view text) {
  std::string half;
  half.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Cp932CharLength(text, i);
    const auto lead = static_cast<unsigned char>(text[i]);
    const auto trail = length == 2 ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (lead == 0x82 && trail >= 0x4F && trail <= 0x58) {
      half.push_back(static_cast<char>('0' + (trail - 0x4F)));  // ０..９
    } else if (lead == 0x81 && trail == 0x5E) {
      half.push_back('/');  // ／
    } else {
      half.append(text.substr(i, length));
    }
    i += length;
  }
  return half;
}

std::string ParseSearchDate(const std::string& typed, const std::string& label, Prompter& prompter) {
  const std::string text = HalfWidthDateText(typed);
  if (text.find_first_not_of("/0123456789") != std::string::npos) {
    prompter.Information(Msg::DateHasBadCharacter, label);
    return {};
  }
  std::size_t first = text.find('/');
  std::size_t second = first == std::string::npos ? first : text.find('/', first + 1);
  bool exactlyTwo = second != std::string::npos && text.find('/', second + 1) == std::string::npos;
  if (!exactlyTwo || first != 4) {
    prompter.Information(Msg::DateNeedsSlashes, label);
    return {};
  }
  std::size_t monthLength = second - 5;
  if (monthLength != 1 && monthLength != 2) {
    prompter.Information(Msg::DateMonthUnknown, label);
    return {};
  }
  int month = DigitsValue(std::string_view(text).substr(5, monthLength));
  if (month < 1 || month > 12) {
    prompter.Information(Msg::DateMonthOutOfRange, label);
    return {};
  }
  int day = DigitsValue(std::string_view(text).substr(second + 1));
  if (day < 1 || day > 31) {
    prompter.Information(Msg::DateDayOutOfRange, label);
    return {};
  }
  char tail[8];
  std::snprintf(tail, sizeof tail, "%02d%02d", month, day);
  return text.substr(0, 4) + tail;
}

std::string BuildConfirmationText(const SearchConditions& conditions) {
  const SummaryTexts& t = Texts();
  std::string text = t.head1;
  if (!conditions.hasTextCondition) {
    text += "\t" + t.notSet + "\n";
  } else if (conditions.flags.zenbun) {
    text += t.fullText + (conditions.goku[5].empty() ? t.notSet : conditions.goku[5]) + "\n";
  } else {
    for (int k = 0; k < 5; ++k)
      text += t.fieldLabels[k] + (conditions.goku[k].empty() ? t.notSet : conditions.goku[k]) + "\n";
  }
  const std::string& kind = conditions.flags.onCreationDate ? t.created : t.acquired;
  text += t.head2 + kind + t.rangeOf;
  std::string from = conditions.dateFrom == kNoLowerBound ? std::string() : SlashedDate(conditions.dateFrom);
  std::string to = conditions.dateTo == kNoUpperBound ? std::string() : SlashedDate(conditions.dateTo);
  text += "\t";
  if (from.empty() && to.empty()) {
    text += kind + t.noLimit;
  } else if (!from.empty() && !to.empty()) {
    text += from + t.between + to;
  } else if (!from.empty()) {
    text += from + t.since + kind + t.done;
  } else {
    text += to + t.until + kind + t.done;
  }
  text += "\n";
  text += t.head3;
  if (conditions.flags.spaceCut) text += t.spaceCut;
  text += conditions.flags.addList ? t.addList : t.clearList;
  return text;
}

bool CollectSearchConditions(SearchInputs& inputs, ListRows& list, Settings& settings, Prompter& prompter,
                             SearchConditions& conditions) {
  list.ClearDuplicates();
  conditions = SearchConditions{};
  conditions.flags = inputs.flags;
  conditions.hasTextCondition = true;
  conditions.hasDateCondition = true;

  if (inputs.flags.zenbun) {
    conditions.goku[5] = inputs.editTexts[5];
    conditions.rawFullTextTerm = conditions.goku[5];
    conditions.hasTextCondition = !conditions.goku[5].empty();
  } else {
    bool any = false;
    for (int k = 0; k < 5; ++k) {
      conditions.goku[k] = inputs.editTexts[k];
      any = any || !conditions.goku[k].empty();
    }
    conditions.hasTextCondition = any;
  }

  conditions.dateFrom = kNoLowerBound;
  if (inputs.flags.useDateFrom) {
    conditions.dateFrom = ParseSearchDate(inputs.date1Text, Utf8ToCp932("(自) "), prompter);
    if (conditions.dateFrom.empty()) return false;
  }
  conditions.dateTo = kNoUpperBound;
  if (inputs.flags.useDateTo) {
    conditions.dateTo = ParseSearchDate(inputs.date2Text, Utf8ToCp932("(至) "), prompter);
    if (conditions.dateTo.empty()) return false;
  }

  if (conditions.dateFrom > conditions.dateTo) {
    if (prompter.AskYesNo(Msg::DatesReversedQuestion) != Answer::Yes) return false;
    std::swap(conditions.dateFrom, conditions.dateTo);
    inputs.date1Text = SlashedDate(conditions.dateFrom);
    inputs.date2Text = SlashedDate(conditions.dateTo);
  }
  conditions.hasDateCondition = !(conditions.dateFrom == kNoLowerBound && conditions.dateTo == kNoUpperBound);

  settings.SetText(setting::Date1, conditions.dateFrom);
  settings.SetText(setting::Date2, conditions.dateTo);
  for (int k = 0; k < 6; ++k) settings.SetText(setting::Goku(k), conditions.goku[k]);

  if (settings.GetInt(setting::Kakunin) == 1) {
    if (prompter.AskYesNo(Msg::StartSearchQuestion, BuildConfirmationText(conditions) + "\n") != Answer::Yes)
      return false;
  }

  if (conditions.hasTextCondition) {
    int term = inputs.flags.zenbun ? 5 : 4;
    conditions.goku[term] = NormalizeSearchTerm(conditions.goku[term]);
  }
  return true;
}

}  // namespace folidex
