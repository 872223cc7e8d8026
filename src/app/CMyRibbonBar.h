#pragma once
// The ribbon: the application menu "ファイル", the two tabs "ホーム" and "検索" with their
// captioned panels, the buttons right of the tabs, the search tab's toggles, the restore of its
// state at start-up and the hover help of every element.
//
// The ribbon owns no command: each button shows a QAction that the main frame or the list view
// owns (RibbonActions), so a command runs the same way whether it comes from the ribbon, a menu
// or a key. Every element carries its command identifier as objectName.

#include <QIcon>
#include <QWidget>
#include <array>
#include <vector>

#include "app/HoverHelp.h"
#include "app/ShellRules.h"
#include "common/qt/Services.h"
#include "search/Search.h"

class QAction;
class QBoxLayout;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QStackedWidget;
class QTabBar;
class QToolButton;

namespace folidex {

// The commands whose buttons the ribbon shows, by the owner of each.
struct RibbonActions {
  // The main frame's.
  QAction* kanSet = nullptr;             // ID_KAN_SET
  QAction* about = nullptr;              // ID_APP_ABOUT
  QAction* exit = nullptr;               // ID_APP_EXIT
  QAction* help = nullptr;               // ID_HELP
  QAction* getPdf = nullptr;             // ID_GET_PDF
  QAction* getWord = nullptr;            // ID_GET_WORD
  QAction* optWord = nullptr;            // ID_OPT_WORD
  QAction* webSearch = nullptr;          // ID_BUTTON7
  std::array<QAction*, 4> webFilters{};  // ID_BUTTON8..11 (checkable)
  std::array<QAction*, 3> areaItems{};   // the area menu: even, HTML area, list area
  QAction* changeArea = nullptr;         // ID_CHANGE_AREA
  QAction* dbSearch = nullptr;           // ID_DB_SEARCH
  QAction* listKanri = nullptr;          // IDC_LIST_KANRI
  // The list view's.
  QAction* colColor = nullptr;   // ID_COL_COLOR
  QAction* sortUp = nullptr;     // ID_SORT_U
  QAction* sortDown = nullptr;   // ID_SORT_D
  QAction* excelOut = nullptr;   // ID_EXCEL_OUT3
  QAction* saveList = nullptr;   // IDC_SAVE_LIST
  QAction* loadList = nullptr;   // IDC_LOAD_LIST
  QAction* listClear = nullptr;  // ID_LIST_CLEAR
};

class CMyRibbonBar : public QWidget {
  Q_OBJECT

 public:
  CMyRibbonBar(Services& services, const RibbonActions& actions, QWidget* parent = nullptr);

  // Start-up: the Word format button, the web search text, the area menu, the progress bar,
  // the six search terms and (KanSet/Fukugen 1) the dates and flags of the last search.
  // False when an element it needs is missing.
  bool RestoreRibbonState();

  // The ribbon's own elements that follow the enabling rules (the list-name edit).
  void ApplyEnabling(const CommandEnabling& enabling);

  // Minimised: only the tab row shows (tab double-click, Ctrl+F1, ID_SHOW_MENU).
  void SetMinimized(bool minimized);
  bool IsMinimized() const { return minimized_; }
  void ToggleMinimized() { SetMinimized(!minimized_); }

  QMenu* ApplicationMenu() const { return appMenu_; }
  QMenu* AreaMenu() const { return areaMenu_; }
  QProgressBar* ProgressBar() const { return progress_; }
  QTabBar* Tabs() const { return tabs_; }

  // The search tab's content for ID_DB_SEARCH, and the date edits rewritten by it.
  SearchInputs CurrentSearchInputs() const;
  void SetDateTexts(const std::string& date1, const std::string& date2);
  const SearchFlags& Flags() const { return flags_; }
  // The web search text (ID_GOKU) and the list name (ID_EDIT_NAME) as typed.
  QString WebSearchText() const;
  QString ListNameText() const;

  // ID_NOW_DSP shows the HTML area's page type.
  void ShowPageType(const QString& pageType);
  // ID_OPT_WORD's label and image from Last/OptWord.
  void ShowOptWord(long optWord);

  // The hover text of an element right now (empty: none).
  QString HoverText(const QString& id) const;

  // How far a tab's panels are compacted to fit the ribbon's width: 0 every label as designed,
  // 1 the small buttons show their icons only, 2 the large buttons' labels are smaller too, 3 the
  // large buttons show their icons only. Chosen for each tab at every resize: the least compact
  // level at which its controls stand side by side at their natural sizes.
  int CompactLevel(int tab) const { return compactLevels_[static_cast<std::size_t>(tab)]; }
  static constexpr int kMostCompact = 3;

  // While minimised, a click on a tab shows its panels as a drop-down over the window until the
  // user clicks elsewhere (or presses Esc). The drop-down while it is open, else nullptr.
  QWidget* OpenDropDown() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWidget* BuildHomeTab();
  QWidget* BuildSearchTab();
  QWidget* Panel(const QString& caption, QBoxLayout* content, const QString& name);
  QToolButton* LargeButton(QAction* action, const char* id, const QString& label, const char* icon, QChar glyph,
                           QColor color);
  QToolButton* SmallButton(QAction* action, const char* id, const QString& label, const char* icon, QChar glyph,
                           QColor color);
  QLineEdit* Edit(const char* id, int width);
  QCheckBox* Check(const char* id, const QString& label, SearchToggle toggle);
  QLabel* Caption(const char* id, const QString& label);
  void Register(QWidget* widget, const char* id);
  // Every registered control's accessible name (its label, else the title of its hover text)
  // and description (the hover text), so a screen reader reads what the mouse shows.
  void UpdateAccessibleTexts();
  std::vector<QWidget*> registered_;
  void OnToggle(SearchToggle toggle);
  void ShowFlags();
  void SetDisplayedLabel(QToolButton* button, const QString& label);
  void FitPanels();
  void ApplyCompactLevel(QWidget* page, int level);
  void ShowDropDown(int tab);
  void CloseDropDown();

  Services& services_;
  RibbonActions actions_;
  SearchFlags flags_;
  bool minimized_ = false;
  QTabBar* tabs_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  std::array<QWidget*, 2> tabPages_{};  // the pages of the two tabs, wherever they are shown
  QFrame* dropDown_ = nullptr;
  int dropDownTab_ = -1;
  std::array<int, 2> compactLevels_{};
  bool fitting_ = false;
  QMenu* appMenu_ = nullptr;
  QMenu* areaMenu_ = nullptr;
  QProgressBar* progress_ = nullptr;
  // The elements other commands read or change.
  QToolButton* showMenu_ = nullptr;
  QToolButton* nowDsp_ = nullptr;
  QToolButton* optWord_ = nullptr;
  QToolButton* dspArea_ = nullptr;
  QLineEdit* goku_ = nullptr;
  QLineEdit* listName_ = nullptr;
  std::array<QLineEdit*, 6> searchEdits_{};
  QLineEdit* date1_ = nullptr;
  QLineEdit* date2_ = nullptr;
  QLabel* dateKind_ = nullptr;
  QCheckBox* zenbun_ = nullptr;
  QCheckBox* onCreationDate_ = nullptr;
  QCheckBox* useDateFrom_ = nullptr;
  QCheckBox* useDateTo_ = nullptr;
  QCheckBox* spaceCut_ = nullptr;
  QCheckBox* addList_ = nullptr;
  QCheckBox* yure_ = nullptr;
  QString pageType_;  // as ID_NOW_DSP shows it
  QString lastHoverId_;
};

// An icon of the installed theme, or one drawn here when the theme lacks it.
QIcon RibbonIcon(const char* themeName, QChar glyph, QColor color);

}  // namespace folidex
