#pragma once
// The ribbon: the application menu "ファイル", the two tabs "ホーム" and "検索" with their
// captioned panels, the buttons right of the tabs, the enabling rules, the search tab's
// toggles, the restore of its state at start-up and the hover help of every element.
// Every element carries its command identifier as objectName; buttons report their command
// through commandTriggered(identifier).

#include <QHash>
#include <QIcon>
#include <QWidget>

#include "app/HoverHelp.h"
#include "common/qt/Services.h"
#include "search/Search.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QStackedWidget;
class QTabBar;
class QToolButton;
class QVBoxLayout;
class QHBoxLayout;
class QBoxLayout;

namespace folidex {

class CMyRibbonBar : public QWidget {
  Q_OBJECT

 public:
  explicit CMyRibbonBar(Services& services, QWidget* parent = nullptr);

  // Start-up: the Word format button, the web search text, the area menu, the progress bar,
  // the six search terms and (KanSet/Fukugen 1) the dates and flags of the last search.
  // False when an element it needs is missing.
  bool RestoreRibbonState();

  // The enabling rules, evaluated from the flags, the list and the HTML area's page type.
  void UpdateCommandStates();

  // Minimised: only the tab row shows (tab double-click, Ctrl+F1, ID_SHOW_MENU).
  void SetMinimized(bool minimized);
  bool IsMinimized() const { return minimized_; }
  void ToggleMinimized() { SetMinimized(!minimized_); }

  QMenu* ApplicationMenu() const { return appMenu_; }
  QMenu* AreaMenu() const { return areaMenu_; }
  QProgressBar* ProgressBar() const { return progress_; }
  QTabBar* Tabs() const { return tabs_; }

  // The web search filter shown by ID_BUTTON8..11 (0..3).
  int WebSearchFilter() const { return webSearchFilter_; }
  void SetWebSearchFilter(int filter);

  // The search tab's content for ID_DB_SEARCH, and the date edits rewritten by it.
  SearchInputs CurrentSearchInputs() const;
  void SetDateTexts(const std::string& date1, const std::string& date2);
  const SearchFlags& Flags() const { return flags_; }

  // ID_NOW_DSP shows the HTML area's page type.
  void ShowPageType(const QString& pageType);
  // ID_OPT_WORD's label and image from Last/OptWord.
  void ShowOptWord(long optWord);

  // The hover text of an element right now (empty: none).
  QString HoverText(const QString& id) const;

 signals:
  void commandTriggered(const QString& id);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildHomeTab();
  QWidget* BuildSearchTab();
  QWidget* Panel(const QString& caption, QBoxLayout* content, const QString& name);
  QToolButton* LargeButton(const char* id, const QString& label, const char* icon, QChar glyph, QColor color);
  QToolButton* SmallButton(const char* id, const QString& label, const char* icon, QChar glyph, QColor color);
  QLineEdit* Edit(const char* id, int width);
  QCheckBox* Check(const char* id, const QString& label);
  QLabel* Caption(const char* id, const QString& label);
  void Register(QWidget* widget, const char* id);
  void OnToggle(SearchToggle toggle);
  void ShowFlags();
  void SetDisplayedLabel(QToolButton* button, const QString& label);
  template <typename T>
  T* Find(const char* id) const;

  Services& services_;
  SearchFlags flags_;
  int webSearchFilter_ = 0;
  bool minimized_ = false;
  QTabBar* tabs_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QMenu* appMenu_ = nullptr;
  QMenu* areaMenu_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QString lastHoverId_;
};

// An icon of the installed theme, or one drawn here when the theme lacks it.
QIcon RibbonIcon(const char* themeName, QChar glyph, QColor color);

}  // namespace folidex
