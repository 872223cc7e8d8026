#pragma once
// The main window: the ribbon, the status bar with panes 120 / 121 / 123, and the client area
// split into the HTML area and the list area (Last/Area decides which is on the left, Last/cxCur
// how wide the left one is). It dispatches the ribbon's commands and saves the window and
// layout state when it closes.

#include <QMainWindow>

#include "common/qt/Services.h"

class QLabel;
class QSplitter;

namespace folidex {

class CLeftView;
class CMyRibbonBar;
class CShelfView;
class QtProgress;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  CMainFrame(Services& services, QtProgress& progress, QWidget* parent = nullptr);
  ~CMainFrame() override;

  CMyRibbonBar* Ribbon() const { return ribbon_; }
  CLeftView* ListView() const { return list_; }
  CShelfView* HtmlView() const { return html_; }
  QSplitter* Splitter() const { return splitter_; }

  // Column 0 of the splitter gets the width Last/cxCur (call once the window is shown).
  void ApplyPaneWidth();
  // Last/DspPage (when an address is shown), cxCur, Zoomed, DocType, PX, PY, SX, SY.
  void SaveFrameState();

 public slots:
  void OnCommand(const QString& id);

 signals:
  // The user closes the window: the application saves what the next start restores.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildStatusBar();
  void OnDbSearch();
  void OnWebSearch();
  void OnHelp();
  void OnChangeArea();
  void OnOptWord();
  void SetLeftPaneWidth(int width);
  void MoveFocusBetweenPanes(bool forward);

  Services& services_;
  QtProgress& progress_;
  CMyRibbonBar* ribbon_ = nullptr;
  QSplitter* splitter_ = nullptr;
  CShelfView* html_ = nullptr;
  CLeftView* list_ = nullptr;
  bool searching_ = false;  // a search is running (it repaints the window meanwhile)
  int area_ = 0;
  int cxCur_ = 400;
};

}  // namespace folidex
