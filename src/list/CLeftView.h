#pragma once
// The list area: a QTableView on the core ListRows through ListModel, drawn by ListDelegate.
// Header click chooses the selected (sort) column; a double-click on a row opens the row's PDF,
// shows it in the HTML area, or opens the text or property dialog, by column; the context menus
// and the list's own keys carry the list commands. Selected rows dragged out offer their PDF
// files as local file URLs; the list takes dropped files and links, never its own rows.
//
// Every list command is one QAction owned here (objectName "ID_<number>" for the menu commands,
// the ribbon identifier for the ribbon's). The commands that open a record dialog (text,
// properties, keyword edit) have no handler here: the main frame connects them, so the view
// needs no dialog of another folder.

#include <QColor>
#include <QTableView>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "common/qt/Services.h"
#include "list/ListColumn.h"
#include "search/Places.h"
#include "store/Store.h"

class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QThreadPool;

namespace folidex {

class QtTextMeasure;

class ListDelegate;
class ListModel;
class WorkerPdfEngine;
class WorkerPool;

class CLeftView : public QTableView {
  Q_OBJECT

 public:
  explicit CLeftView(Services& services, QWidget* parent = nullptr);
  ~CLeftView() override;

  // The one list view of the program (set when it is created).
  static CLeftView* Instance();

  // Widths from Column/W0..W16 (default 20, above 600 -> 20, column 0 always 50).
  void RestoreColumnWidths();
  // Column/W0..W16 = the current widths.
  void SaveColumnWidths();
  // Fits the widths of the first `columnCount` columns to header and cells; column -1 = all.
  void FitColumnWidths(int columnCount, int column);
  // The same for every column, one column at a time from the event loop, so that a large list's
  // window takes input between them (the fit at start). A later call starts over.
  void FitColumnWidthsInSteps();

  // Command identifiers of the list's menus and double-click.
  enum Command {
    kRemoveFromList = 32778,
    kDeleteFromStore = 32779,
    kDuplicateCheck = 315,
    kClearDuplicates = 314,
    kSelectAll = 316,
    kRefresh = 318,
    kOpenPdf = 32803,
    kShowInHtmlArea = 32796,
    kShowText = 32799,
    kProperties = 32791,
    kKeywordEdit = 32830,
  };
  // The command of a double-click on a row in `column`.
  static int DoubleClickCommand(int column);
  // Runs a list command on the current selection (through its action).
  void RunCommand(int id);
  // The action of a menu command.
  QAction* CommandAction(int id) const { return actions_.at(id); }
  // The actions of the ribbon's list panel.
  QAction* ColColorAction() const { return colColorAction_; }
  QAction* SortUpAction() const { return sortUp_; }
  QAction* SortDownAction() const { return sortDown_; }
  QAction* ListClearAction() const { return listClear_; }
  QAction* LoadListAction() const { return loadList_; }
  QAction* ExcelOutAction() const { return excelOut_; }

  // The context menus: 326 (ten commands) and 320 (the keyword edit).
  QMenu* RowMenu() const { return rowMenu_; }
  QMenu* KeywordMenu() const { return keywordMenu_; }
  // The menu a right click in `column` pops up.
  QMenu* ContextMenuFor(int column) const {
    return column == ColumnIndex(ListColumn::Keywords) ? keywordMenu_ : rowMenu_;
  }

  // What a drag of the selected rows carries: their files as local file URLs (null when none;
  // the caller owns it).
  QMimeData* DraggedFiles();

  int SelectedColumn() const { return selCol_; }
  QColor ColumnColor() const { return colColor_; }
  // The tooltip as it stands: its text and the column it describes (-1 = none).
  QString TipText() const;
  int LastTipColumn() const { return lastTipColumn_; }
  static QString TipTextFor(int column);

  // The body (or full-text) term of the search that filled the list: hovering a row's タイトル
  // or テキスト(Byte) cell then shows where the term stands in the record, and selecting a row
  // shows its first place in pane 120. Null (or a matcher without a term): no places.
  void SetPlaceMatcher(std::shared_ptr<const PlaceMatcher> matcher);
  const std::shared_ptr<const PlaceMatcher>& CurrentPlaceMatcher() const { return placeMatcher_; }
  // The places of a row's record (up to three kept), found once and kept for the last rows.
  // Null while they are still being found: a worker thread reads the record and its PDF, and
  // the tooltip over the row and pane 120 are brought up to date when it is done.
  const Places* PlacesOfRow(int row);
  // The tooltip's part about places (rich text): up to three lines, the term in bold, and
  // "他 N 箇所" for the rest; empty without places.
  static QString PlacesTipHtml(const Places& places);
  // The tooltip `row`/`column` would show (rich text when it names places).
  QString TipTextForCell(int row, int column);

 public slots:
  // Commands of the ribbon's list panel, connected by the main frame to its buttons.
  void OnColColor();                     // ID_COL_COLOR
  void OnSortUp();                       // ID_SORT_U
  void OnSortDown();                     // ID_SORT_D
  void OnListClear();                    // ID_LIST_CLEAR (asks 30027)
  void OnSaveList(const QString& name);  // IDC_SAVE_LIST with the text of ID_EDIT_NAME
  void OnLoadList();                     // IDC_LOAD_LIST
  void OnExcelOut();                     // ID_EXCEL_OUT3

 public:
  // Enabling rules the ribbon asks for: sorting needs SelCol > 0; clear, save, name and
  // export need at least one row.
  bool CanSort() const;
  bool HasRows() const;

 signals:
  // Rows, selection or SelCol changed: the ribbon re-evaluates its enabling rules.
  void listStateChanged();
  // A list command started (for the main frame's status and for tests).
  void commandRun(int id);
  // Local files were dropped on the list (native paths): the import takes them.
  void filesDropped(const QStringList& paths);
  // A row's PDF was sent to the HTML area (32796): the main frame shows the term's places in it.
  void pdfShownInHtmlArea();
  // A row's places were found (`serial`, CP932), for the search that fills the list now.
  void placesFound(const std::string& serial);
  // A link to a PDF was dropped: the address to fetch (UTF-8, percent-encoded) and the file
  // name to store (CP932, decoded).
  void linkDropped(const std::string& fetchUrl, const std::string& fileName);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void leaveEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

  Services& services_;

 private:
  void BuildActions();
  void RunListCommand(int id);
  void OnHeaderClicked(int column);
  void OnHeaderHandleDoubleClicked(int column);
  void OnRowDoubleClicked(const QModelIndex& index);
  // The first selected row's document when it is available ("○"), else nothing.
  std::optional<DocumentLocation> FirstSelectedDocument();
  void OpenPdf();
  void ShowPdfInHtmlArea();
  void SortRows(bool descending);
  void HideTip();
  void UpdateTip(const QPoint& pos);
  // The places of a row found on the worker thread; a result for an earlier search is dropped.
  void FitColumnStep(int run, int column);  // one column of FitColumnWidthsInSteps
  void OnPlacesFound(std::uint64_t generation, const std::string& serial, Places places);
  void ShowFirstPlace();  // pane 120: the first selected row's first place (empty while unknown)
  // Keeping the core's selected flags and Qt's selection model in step.
  void SelectionFromCore();
  void ScheduleSelectionFromCore();
  void SelectInsertedRows(int first, int last);
  void SelectionToCore(const QItemSelection& selected, const QItemSelection& deselected);

  ListModel* model_;
  ListDelegate* delegate_;
  int selCol_;
  QColor colColor_;
  QMenu* rowMenu_ = nullptr;
  QMenu* keywordMenu_ = nullptr;
  std::map<int, QAction*> actions_;
  QAction* colColorAction_ = nullptr;
  QAction* sortUp_ = nullptr;
  QAction* sortDown_ = nullptr;
  QAction* listClear_ = nullptr;
  QAction* loadList_ = nullptr;
  QAction* excelOut_ = nullptr;
  QLabel* tip_ = nullptr;
  int lastTipColumn_ = -1;
  int lastTipRow_ = -1;
  std::shared_ptr<const PlaceMatcher> placeMatcher_;
  std::deque<std::pair<std::string, Places>> placesCache_;  // serial, places; the newest last
  std::set<std::string> placesPending_;                     // serials being found now
  std::uint64_t placesGeneration_ = 0;                      // one more for each search's places
  std::optional<QPoint> hoverPos_;                          // the mouse over the rows, if it is
  std::unique_ptr<WorkerPool> placesPool_;                  // reads a record's PDF for its places
  std::unique_ptr<WorkerPdfEngine> placesPdf_;              // used on placesThread_ only
  std::unique_ptr<QThreadPool> placesThread_;               // one thread: the places, one row at a time
  bool syncing_ = false;
  int fitStep_ = 0;                             // which run of FitColumnWidthsInSteps a queued step belongs to
  std::unique_ptr<QtTextMeasure> stepMeasure_;  // the running FitColumnWidthsInSteps's
  bool selectionSyncPending_ = false;
};

}  // namespace folidex
