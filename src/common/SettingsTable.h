#pragma once
// Every setting of the program, declared once: section, value name, type and default.
// All code reads and writes settings through these keys (see Settings.h), so no default is
// written twice anywhere.

#include <string>

namespace folidex {

enum class SettingType { Integer, Text };

struct SettingKey {
  std::string section;
  std::string name;
  SettingType type;
  long integerDefault = 0;
  std::string textDefault;  // UTF-8 in this table; the Settings port hands out CP932
};

// The front page of the web-search service: the default home page and the base of web searches.
inline constexpr const char* kWebSearchBase = "https://www.google.com/";

namespace setting {

inline SettingKey Int(const char* section, const char* name, long def) {
  return {section, name, SettingType::Integer, def, {}};
}
inline SettingKey Text(const char* section, const char* name, const char* def) {
  return {section, name, SettingType::Text, 0, def};
}

// KanSet: options edited in the settings sheet.
inline const SettingKey StorePath = Text("KanSet", "StorePath", "");
inline const SettingKey SetList = Int("KanSet", "SetList", 1);
inline const SettingKey ColumnMnt = Int("KanSet", "ColumnMnt", 1);
inline const SettingKey Ques = Int("KanSet", "Ques", 1);
inline const SettingKey Link = Text("KanSet", "Link", "O");
inline const SettingKey Home = Text("KanSet", "Home", kWebSearchBase);
inline const SettingKey MenuLen = Int("KanSet", "MenuLen", 40);
inline const SettingKey DspWord = Int("KanSet", "DspWord", 1);
inline const SettingKey WordStorePath = Text("KanSet", "WordStorePath", "");
inline const SettingKey HitMax = Int("KanSet", "HitMax", 500);
inline const SettingKey Fukugen = Int("KanSet", "Fukugen", 1);
inline const SettingKey Kakunin = Int("KanSet", "Kakunin", 1);

// Sys: the serial counter.
inline const SettingKey SerialCounter = Text("Sys", "No", "00000000");

// Last: state of the last run.
inline const SettingKey DocType = Int("Last", "DocType", 0);
inline const SettingKey Zoomed = Int("Last", "Zoomed", 0);
inline const SettingKey CxCur = Int("Last", "cxCur", 400);
inline const SettingKey Area = Int("Last", "Area", 0);
inline const SettingKey DspPage = Text("Last", "DspPage", "");
inline const SettingKey WindowX = Int("Last", "PX", 0);  // written only
inline const SettingKey WindowY = Int("Last", "PY", 0);
inline const SettingKey WindowWidth = Int("Last", "SX", 0);
inline const SettingKey WindowHeight = Int("Last", "SY", 0);
inline const SettingKey OptWord = Int("Last", "OptWord", 1);
inline const SettingKey WebGoku = Text("Last", "WebGoku", "");
inline const SettingKey ColColor = Text("Last", "ColColor", "16765650");
inline const SettingKey SelCol = Int("Last", "SelCol", 3);
inline const SettingKey FontName = Text("Last", "FontName", "Meiryo UI");
inline const SettingKey SearchText = Text("Last", "SearchText", "");
inline const SettingKey SearchTango = Int("Last", "SearchTango", 0);

// Search: the database search conditions of the last run.
SettingKey Goku(int index);  // "Goku0" .. "Goku5", text, empty
inline const SettingKey Date1 = Text("Search", "Date1", "");
inline const SettingKey Date2 = Text("Search", "Date2", "");
inline const SettingKey Zenbun = Int("Search", "Zenbun", 0);
inline const SettingKey Chk0 = Int("Search", "Chk0", 1);
inline const SettingKey Chk1 = Int("Search", "Chk1", 0);
inline const SettingKey Chk2 = Int("Search", "Chk2", 0);
inline const SettingKey SpaceCut = Int("Search", "SpaceCut", 0);
inline const SettingKey AddList = Int("Search", "AddList", 0);

// Column: widths of the list's seventeen columns.
SettingKey ColumnWidth(int column);  // "W0" .. "W16", integer, 20

// TextDlg: placement of the text dialog.
inline const SettingKey TextDlgX = Int("TextDlg", "PX", 0);
inline const SettingKey TextDlgY = Int("TextDlg", "PY", 0);
inline const SettingKey TextDlgWidth = Int("TextDlg", "SX", 640);
inline const SettingKey TextDlgHeight = Int("TextDlg", "SY", 480);
inline const SettingKey TextDlgZoomed = Int("TextDlg", "Zoomed", 0);

// BM_NAME / BM_URL: the sixteen bookmarks.
SettingKey BookmarkName(int slot);  // "0" .. "15", text, empty
SettingKey BookmarkUrl(int slot);

}  // namespace setting
}  // namespace folidex
