#pragma once
// Rules of the desktop program's shell that need no widget: the date texts of the restored
// search tab, the window rectangle written at exit, the web search address, and the settings
// sheet's working values with the change of storage location.

#include <string>

#include "common/Clock.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "store/Store.h"

namespace folidex {

// Today's date as the search edits show it, "%Y/%m/%d".
std::string TodayDateText(const Clock& clock);

// The text a search date edit gets from its stored value Search/Date1 or Date2: empty gives
// today's date, `openBound` ("00000000" / "99999999") is shown unchanged, anything else is
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

// The web search of the ribbon: base + "search?q=" + text (as typed) + the filter's suffix
// (1 pictures, 2 photographs, 3 PDF files, anything else nothing).
std::string WebSearchAddress(const std::string& base, const std::string& text, int filter);

// The settings sheet's working values (CP932 texts).
struct SheetValues {
  // 全般
  std::string storePath;
  long setList = 1;
  long columnMnt = 1;
  long ques = 1;
  // HTMLエリア
  std::string home;
  long menuLen = 40;
  long dspWord = 1;
  std::string wordStorePath;
  // 検索
  long hitMax = 500;
  long fukugen = 1;
  long kakunin = 1;
};

// The storage location from the store, everything else from section KanSet.
SheetValues LoadSheetValues(const Settings& settings, const std::string& currentLocation);

// MenuLen kept within 20..200.
long ClampMenuLen(long value);

// A folder text the Word output can save into: an absolute path.
bool IsAbsoluteFolderText(const std::string& cp932);

// Makes `location` the storage location: Sys/No from the highest record below its
// DOCDATA/TXT (under the wait cursor) or 0 for a fresh DOCDATA, then KanSet/StorePath.
// A location that is not an absolute path, or whose DOCDATA cannot be created, is refused
// with a message and nothing changes; false then.
bool ChangeStoreLocation(const std::string& location, Store& store, Settings& settings, Prompter& prompter,
                         Progress& progress);

// Writes every KanSet value of the sheet (all of them, changed or not).
void WriteSheetValues(const SheetValues& values, Settings& settings);

}  // namespace folidex
