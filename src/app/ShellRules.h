#pragma once
// Rules of the desktop program's shell that need no widget: the date texts of the restored
// search tab, the window rectangle written at exit, the web search address, and the settings
// sheet's working values.

#include <string>
#include <vector>

#include "common/Clock.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "store/StoreLocation.h"

namespace folidex {

// Today's date as the search edits show it, "%Y/%m/%d".
std::string TodayDateText(const Clock& clock);

// The text a search date edit gets from its stored value Search/Date1 or Date2: empty gives
// today's date, `openBound` ("00000000" / "99999999", no bound) an empty edit, anything else is
// taken as YYYYMMDD and shown as YYYY/MM/DD.
std::string RestoredDateText(const std::string& stored, const std::string& openBound, const Clock& clock);

struct WindowRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Last/PX, PY, SX, SY: the normal rectangle when maximised, else the current one, with the
// left and top edges raised to 0 when negative.
WindowRect ShutdownWindowRect(const WindowRect& current, const WindowRect& normal, bool maximised);

// The normal rectangle to start with from the stored one, on the screens there are now
// (available areas): the stored one when at least 100 × 100 pixels of it lie on one screen, else
// its size (at most the first screen's) centred on the first screen; none (width 0) when
// nothing was stored or there is no screen.
WindowRect StartupWindowRect(const WindowRect& stored, const std::vector<WindowRect>& screens);

// The web search of the ribbon: base + "search?q=" + the query + the filter's parameters (1
// pictures, 2 photographs, anything else none). The query is the CP932 text, with
// " filetype:pdf" appended for filter 3 (PDF files), in UTF-8 percent-encoding. The result is
// ASCII.
std::string WebSearchAddress(const std::string& base, const std::string& text, int filter);

// What the enabling rules of the commands look at.
struct CommandState {
  bool listHasRows = false;
  int selectedColumn = 0;  // SelCol of the list
  std::string pageType;    // PageType of the HTML area
};

// Which commands are enabled: sorting needs a selected column above 0; clearing, saving and
// exporting the list (and the list-name edit) need rows; PDF 取得 and Word 出力 need a PDF shown
// in the HTML area.
struct CommandEnabling {
  bool sort = false;
  bool listRows = false;
  bool shownPdf = false;
};
CommandEnabling EnableCommands(const CommandState& state);

// The settings sheet's working values (CP932 texts).
struct SheetValues {
  // 全般
  NativePath storePath;
  long setList = 1;
  long columnMnt = 1;
  long ques = 1;
  long ocr = 1;
  long autoTitle = 1;
  // HTMLエリア
  std::string home;
  long menuLen = 40;
  long dspWord = 1;
  NativePath wordStorePath;
  // 検索
  long hitMax = 500;
  long fukugen = 1;
  long kakunin = 1;
};

// The storage location from the store, everything else from section KanSet.
SheetValues LoadSheetValues(const Settings& settings, const NativePath& currentLocation);

// MenuLen kept within 20..200.
long ClampMenuLen(long value);

// Writes every KanSet value of the sheet (all of them, changed or not).
void WriteSheetValues(const SheetValues& values, Settings& settings);

}  // namespace folidex
