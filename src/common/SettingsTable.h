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
// storage location: the folder that holds DOCDATA
inline const SettingKey StorePath = Text("KanSet", "StorePath", "");
// 1: reload the list of the last run at start-up
inline const SettingKey SetList = Int("KanSet", "SetList", 1);
// 1: fit the list's column widths at start-up and after each import
inline const SettingKey ColumnMnt = Int("KanSet", "ColumnMnt", 1);
// 1: ask whether a dropped PDF is copied into the store or linked
inline const SettingKey Ques = Int("KanSet", "Ques", 1);
// the answer used when not asking: "I" copy, "O" outside link
inline const SettingKey Link = Text("KanSet", "Link", "O");
// home page of the HTML area
inline const SettingKey Home = Text("KanSet", "Home", kWebSearchBase);
// longest bookmark menu text in bytes (20..200)
inline const SettingKey MenuLen = Int("KanSet", "MenuLen", 40);
// Word output: 1 show the document, 0 save it into WordStorePath
inline const SettingKey DspWord = Int("KanSet", "DspWord", 1);
// folder for saved Word documents
inline const SettingKey WordStorePath = Text("KanSet", "WordStorePath", "");
// most hits of one database search (500, 1000 or 3000)
inline const SettingKey HitMax = Int("KanSet", "HitMax", 500);
// 1: the search asks the search index (in the user's cache folder) which records may match and
// reads only those; 0: every record file is read
inline const SettingKey Index = Int("KanSet", "Index", 1);
// 1: set the last search conditions again at start-up
inline const SettingKey Fukugen = Int("KanSet", "Fukugen", 1);
// 1: confirm the search conditions before a search starts
inline const SettingKey Kakunin = Int("KanSet", "Kakunin", 1);
// 1: read the text of PDF pages that hold only images by text recognition (OCR), when the
// engine and its Japanese data are installed
inline const SettingKey Ocr = Int("KanSet", "Ocr", 1);
// 1: a document whose metadata gives no title takes the line set in the largest type on its first
// page (else its file name without ".pdf") as PT; 0: its PT stays empty
inline const SettingKey AutoTitle = Int("KanSet", "AutoTitle", 1);
// The PDF engine's worker processes: the address space of each (MB), and the time of one
// document (seconds), plus the time of each page rendered for recognition.
inline const SettingKey WorkerMemory = Int("KanSet", "WorkerMemory", 2048);
inline const SettingKey WorkerSeconds = Int("KanSet", "WorkerSeconds", 120);
inline const SettingKey WorkerPageSeconds = Int("KanSet", "WorkerPageSeconds", 60);

// The inbox: a folder whose PDFs are stored by themselves while the program runs (native path),
// whether it is watched (0/1), and what becomes of a stored file: 0 it stays where it is, 1 it
// is moved into the inbox's sub-folder 登録済み.
inline const SettingKey Inbox = Text("KanSet", "Inbox", "");
inline const SettingKey InboxOn = Int("KanSet", "InboxOn", 0);
inline const SettingKey InboxDone = Int("KanSet", "InboxDone", 1);

// Sys: the serial counter.
// the serial of the next record, "%08ld"
inline const SettingKey SerialCounter = Text("Sys", "No", "00000000");

// Last: state of the last run.
// web search result filter: 0 all, 1 pictures, 2 photographs, 3 PDF files
inline const SettingKey DocType = Int("Last", "DocType", 0);
// 1: the main window was maximised at exit
inline const SettingKey Zoomed = Int("Last", "Zoomed", 0);
// width of the left pane in pixels
inline const SettingKey CxCur = Int("Last", "cxCur", 400);
// 0: HTML area on the left, otherwise the list area
inline const SettingKey Area = Int("Last", "Area", 0);
// address shown in the HTML area at exit
inline const SettingKey DspPage = Text("Last", "DspPage", "");
// main window's left edge at exit (written only)
inline const SettingKey WindowX = Int("Last", "PX", 0);
// main window's top edge at exit (written only)
inline const SettingKey WindowY = Int("Last", "PY", 0);
// main window's width at exit (written only)
inline const SettingKey WindowWidth = Int("Last", "SX", 0);
// main window's height at exit (written only)
inline const SettingKey WindowHeight = Int("Last", "SY", 0);
// Word output with formatting (1) or as plain text (0)
inline const SettingKey OptWord = Int("Last", "OptWord", 1);
// last web search text
inline const SettingKey WebGoku = Text("Last", "WebGoku", "");
// background of the selected list column, a decimal colour value (red in the low byte)
inline const SettingKey ColColor = Text("Last", "ColColor", "16765650");
// the selected (sort) column of the list
inline const SettingKey SelCol = Int("Last", "SelCol", 3);
// font of the text dialog
inline const SettingKey FontName = Text("Last", "FontName", "Meiryo UI");
// last search text of the text dialog
inline const SettingKey SearchText = Text("Last", "SearchText", "");
// search option of the text dialog
inline const SettingKey SearchTango = Int("Last", "SearchTango", 0);

// Search: the database search conditions of the last run.
// the six search terms of the last search: "Goku0" .. "Goku5", text, empty
SettingKey Goku(int index);
// lower date bound of the last search, YYYYMMDD
inline const SettingKey Date1 = Text("Search", "Date1", "");
// upper date bound of the last search, YYYYMMDD
inline const SettingKey Date2 = Text("Search", "Date2", "");
// check box "全文(1-5)": one term over every field
inline const SettingKey Zenbun = Int("Search", "Zenbun", 0);
// 1: the date range is on the creation date, 0: on the acquisition date
inline const SettingKey Chk0 = Int("Search", "Chk0", 1);
// 1: the lower date bound is in use
inline const SettingKey Chk1 = Int("Search", "Chk1", 0);
// 1: the upper date bound is in use
inline const SettingKey Chk2 = Int("Search", "Chk2", 0);
// check box "スペースを除去して検索する"
inline const SettingKey SpaceCut = Int("Search", "SpaceCut", 0);
// check box "結果をリスト末尾に追加する"
inline const SettingKey AddList = Int("Search", "AddList", 0);
// check box "表記ゆれを無視する": terms and texts compared in their folded form
inline const SettingKey Yure = Int("Search", "Yure", 1);

// Column: widths of the list's seventeen columns.
// list column widths in pixels: "W0" .. "W16", integer, 20 (a stored width above 600 counts as 20)
SettingKey ColumnWidth(int column);

// TextDlg: placement of the text dialog.
// text dialog's left edge
inline const SettingKey TextDlgX = Int("TextDlg", "PX", 0);
// text dialog's top edge
inline const SettingKey TextDlgY = Int("TextDlg", "PY", 0);
// text dialog's width
inline const SettingKey TextDlgWidth = Int("TextDlg", "SX", 640);
// text dialog's height
inline const SettingKey TextDlgHeight = Int("TextDlg", "SY", 480);
// 1: the text dialog was maximised
inline const SettingKey TextDlgZoomed = Int("TextDlg", "Zoomed", 0);

// BM_NAME / BM_URL: the sixteen bookmarks.
// bookmark slot names and addresses: "0" .. "15", text, empty
SettingKey BookmarkName(int slot);
SettingKey BookmarkUrl(int slot);

}  // namespace setting
}  // namespace folidex
