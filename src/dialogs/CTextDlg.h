#pragma once
// The text dialog "データのテキスト": a record's stored body text in a resizable text area, with
// a search term searched toward the beginning or the end (wrapping around, optionally whole
// words), the display font and its size, a context menu, and "保存して終了(&H)", which stores the
// text as shown as the record's TX (normalised) and TS lines. The opener has read the record
// into the working record (LoadTextRecord); the dialog shows its TX.

#include <QDialog>
#include <optional>
#include <string>

#include "search/Places.h"

class QCheckBox;
class QFontComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace folidex {

class BodyTextView;
class ListRows;
class Prompter;
class Settings;
class Store;

class CTextDlg : public QDialog {
  Q_OBJECT

 public:
  CTextDlg(Store& store, Prompter& prompter, Settings& settings, ListRows& list, std::string serial,
           QWidget* parent = nullptr);

  BodyTextView* Text() const { return text_; }
  QLineEdit* Term() const { return term_; }
  QCheckBox* WholeWord() const { return wholeWord_; }
  QFontComboBox* Fonts() const { return fonts_; }

  // Opened from a search hit: `term` in the search box and, when given, the place `where`
  // (bytes of the stored text) selected and scrolled into view.
  void ShowPlace(const QString& term, std::optional<Span> where);

 public slots:
  void OnSearchBackward();  // 1001: toward the beginning
  void OnSearchForward();   // 1002: toward the end
  void OnSaveAndClose();    // 1: asks 30003, saves, closes

 public:
  // The text area's context menu: "検索語句にする(&S)", a separator, "貼り付け(&P)\tCtrl+V",
  // "コピー(&C)\tCtrl+C", a separator, "すべて選択(&A)\tCtrl+A"; the caller owns it.
  QMenu* BuildContextMenu();
  // Every close writes the placement to the TextDlg settings.
  void done(int result) override;

 private:
  // The search term from 1000, remembered in Last/SearchText when it changed; empty after 30069.
  QString TakeSearchTerm();
  void UseAsSearchTerm();

  Store& store_;
  Prompter& prompter_;
  Settings& settings_;
  ListRows& list_;
  std::string serial_;
  std::string searchTerm_;  // CP932
  BodyTextView* text_;
  QLineEdit* term_;
  QCheckBox* wholeWord_;
  QFontComboBox* fonts_;
};

}  // namespace folidex
