#include "app/ShellRules.h"

#include <algorithm>

#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "html/PercentText.h"

namespace folidex {

std::string TodayDateText(const Clock& clock) { return FormatLocalTime(clock.Now(), "%Y/%m/%d"); }

std::string RestoredDateText(const std::string& stored, const std::string& openBound, const Clock& clock) {
  if (stored.empty()) return TodayDateText(clock);
  if (stored == openBound) return {};
  // YYYYMMDD -> YYYY/MM/DD; a shorter text keeps what it has.
  std::string shown = stored.substr(0, 4);
  shown += '/';
  if (stored.size() > 4) shown += stored.substr(4, 2);
  shown += '/';
  if (stored.size() > 6) shown += stored.substr(6, 2);
  return shown;
}

WindowRect ShutdownWindowRect(const WindowRect& current, const WindowRect& normal, bool maximised) {
  WindowRect rect = maximised ? normal : current;
  rect.x = std::max(rect.x, 0);
  rect.y = std::max(rect.y, 0);
  return rect;
}

WindowRect StartupWindowRect(const WindowRect& stored, const std::vector<WindowRect>& screens) {
  if (stored.width <= 0 || stored.height <= 0 || screens.empty()) return {};
  for (const WindowRect& screen : screens) {
    const int left = std::max(stored.x, screen.x), top = std::max(stored.y, screen.y);
    const int right = std::min(stored.x + stored.width, screen.x + screen.width);
    const int bottom = std::min(stored.y + stored.height, screen.y + screen.height);
    if (right - left >= 100 && bottom - top >= 100) return stored;
  }
  const WindowRect& first = screens.front();
  WindowRect rect{0, 0, std::min(stored.width, first.width), std::min(stored.height, first.height)};
  rect.x = first.x + (first.width - rect.width) / 2;
  rect.y = first.y + (first.height - rect.height) / 2;
  return rect;
}

std::string WebSearchAddress(const std::string& base, const std::string& text, int filter) {
  // The query value is the whole search text, with " filetype:pdf" for PDF files, encoded so
  // that "&", "#", "+" and "%" are searched for instead of ending or changing the query.
  std::string query = text;
  if (filter == 3) query += " filetype:pdf";
  std::string address = base + "search?q=" + EncodeQueryValue(Cp932ToUtf8(query));
  switch (filter) {
    case 1:
      address += "&tbm=isch";
      break;
    case 2:
      address += "&tbm=isch&tbs=itp:photo";
      break;
    default:
      break;
  }
  return address;
}

CommandEnabling EnableCommands(const CommandState& state) {
  CommandEnabling enabling;
  enabling.sort = state.selectedColumn > 0;
  enabling.listRows = state.listHasRows;
  enabling.shownPdf = state.pageType == "PDF";
  return enabling;
}

SheetValues LoadSheetValues(const Settings& settings, const NativePath& currentLocation) {
  SheetValues v;
  v.storePath = currentLocation;
  v.setList = settings.GetInt(setting::SetList);
  v.columnMnt = settings.GetInt(setting::ColumnMnt);
  v.ques = settings.GetInt(setting::Ques);
  v.ocr = settings.GetInt(setting::Ocr);
  v.autoTitle = settings.GetInt(setting::AutoTitle);
  v.home = settings.GetText(setting::Home);
  v.menuLen = settings.GetInt(setting::MenuLen);
  v.dspWord = settings.GetInt(setting::DspWord);
  v.wordStorePath = settings.GetPath(setting::WordStorePath);
  v.hitMax = settings.GetInt(setting::HitMax);
  v.fukugen = settings.GetInt(setting::Fukugen);
  v.kakunin = settings.GetInt(setting::Kakunin);
  return v;
}

long ClampMenuLen(long value) { return std::clamp(value, 20L, 200L); }

void WriteSheetValues(const SheetValues& v, Settings& settings) {
  settings.SetInt(setting::SetList, v.setList);
  settings.SetInt(setting::ColumnMnt, v.columnMnt);
  settings.SetInt(setting::Ques, v.ques);
  settings.SetInt(setting::Ocr, v.ocr);
  settings.SetInt(setting::AutoTitle, v.autoTitle);
  settings.SetText(setting::Home, v.home);
  settings.SetInt(setting::MenuLen, v.menuLen);
  settings.SetInt(setting::DspWord, v.dspWord);
  settings.SetPath(setting::WordStorePath, v.wordStorePath);
  settings.SetInt(setting::HitMax, v.hitMax);
  settings.SetInt(setting::Fukugen, v.fukugen);
  settings.SetInt(setting::Kakunin, v.kakunin);
}

}  // namespace folidex
