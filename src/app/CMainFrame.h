#pragma once
// The main window: the ribbon, the status bar with panes 120 / 121 / 123, and the client area
// split into the HTML area and the list area (Last/Area decides which is on the left, Last/cxCur
// how wide the left one is). It owns the commands that are not the list's own, one QAction
// each, evaluates the enabling rules, and saves the window and layout state when it closes.

#include <QMainWindow>
#include <array>

#include "app/CMyRibbonBar.h"
#include "common/qt/Services.h"

class QAction;
class QLabel;
class QActionGroup;
class QSplitter;

namespace folidex {

class CLeftView;
class CShelfView;
class ImportController;
class InboxWatcher;
class PdfPlaces;
class QtProgress;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  CMainFrame(Services& services, QtProgress& progress, QWidget* parent = nullptr);
  ~CMainFrame() override;

  CMyRibbonBar* Ribbon() const { return ribbon_; }
  CLeftView* ListView() const { return list_; }
  CShelfView* HtmlView() const { return html_; }
  ImportController* Import() const { return import_; }
  // Files given to the program to open: the window comes to the front and they are imported one
  // after the other as drops.
  void OpenFiles(const QStringList& files);
  QSplitter* Splitter() const { return splitter_; }
  // The inbox watched as the settings say (KanSet/InboxOn): at start-up once the store is
  // known, and again after the settings sheet. Stopped before the program saves its state.
  void ApplyInbox();
  void StopInbox();
  InboxWatcher* Inbox() const { return inbox_; }

  // Column 0 of the splitter gets the width Last/cxCur (call once the window is shown).
  void ApplyPaneWidth();
  // Last/DspPage (when an address is shown), cxCur, Zoomed, DocType, PX, PY, SX, SY.
  void SaveFrameState();

  // The web search filter of ID_BUTTON8..11 (0..3).
  int WebSearchFilter() const { return webSearchFilter_; }
  void SetWebSearchFilter(int filter);

  // Re-evaluates the enabling rules from the list's rows, its selected column and the HTML
  // area's page type.
  void UpdateCommandStates();

 signals:
  // The user closes the window: the application saves what the next start restores.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QAction* MakeAction(const char* id, void (CMainFrame::*handler)());
  void BuildActions();
  void BuildStatusBar();
  void ConnectListDialogs();
  // Ctrl+F in the PDF pane: asks for a term and shows its places in the shown PDF.
  void FindInPdf();
  RibbonActions CollectRibbonActions() const;

  // The commands.
  void OnKanSet();
  void OnAbout();
  void OnHelp();
  void OnGetPdf();
  void OnGetWord();
  void OnOptWord();
  void OnWebSearch();
  void OnAreaEven();
  void OnAreaHtml();
  void OnAreaList();
  void OnChangeArea();
  void OnDbSearch();
  void OnSaveList();
  void OnListKanri();

  void SetLeftPaneWidth(int width);
  void MoveFocusBetweenPanes(bool forward);

  Services& services_;
  QtProgress& progress_;
  CMyRibbonBar* ribbon_ = nullptr;
  QSplitter* splitter_ = nullptr;
  CShelfView* html_ = nullptr;
  CLeftView* list_ = nullptr;
  ImportController* import_ = nullptr;
  InboxWatcher* inbox_ = nullptr;
  QLabel* inboxCounter_ = nullptr;
  PdfPlaces* pdfPlaces_ = nullptr;  // the term's places in the PDF pane (made when first needed)
  QString placeTerm_;               // the last search's body or full-text term as typed
  QString pdfFindTerm_;             // the last term searched for in the PDF pane (Ctrl+F)
  bool searching_ = false;          // a search is running (it repaints the window meanwhile)
  std::string indexBuildStopped_;   // the store whose index build the user stopped with Esc
  int area_ = 0;
  int cxCur_ = 400;
  int webSearchFilter_ = 0;

  QAction* kanSet_ = nullptr;
  QAction* about_ = nullptr;
  QAction* exit_ = nullptr;
  QAction* help_ = nullptr;
  QAction* getPdf_ = nullptr;
  QAction* getWord_ = nullptr;
  QAction* optWord_ = nullptr;
  QAction* webSearch_ = nullptr;
  std::array<QAction*, 4> webFilters_{};
  QActionGroup* webFilterGroup_ = nullptr;
  std::array<QAction*, 3> areaItems_{};
  QAction* changeArea_ = nullptr;
  QAction* dbSearch_ = nullptr;
  QAction* saveList_ = nullptr;
  QAction* listKanri_ = nullptr;
};

}  // namespace folidex
