#pragma once
// The list area: a QTableView on the core ListRows.

#include <QTableView>

#include "common/qt/Services.h"

namespace folidex {

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

 public slots:
  // Commands of the ribbon's list panel, connected by the main frame to its buttons.
  void OnColColor();                     // ID_COL_COLOR
  void OnSortUp();                       // ID_SORT_U
  void OnSortDown();                     // ID_SORT_D
  void OnListClear();                    // ID_LIST_CLEAR (asks 30027)
  void OnSaveList(const QString& name);  // IDC_SAVE_LIST with the text of ID_EDIT_NAME
  void OnLoadList();                     // IDC_LOAD_LIST
  void OnListKanri();                    // IDC_LIST_KANRI

 public:
  // Enabling rules the ribbon asks for: sorting needs SelCol > 0; clear, save, name and
  // export need at least one row.
  bool CanSort() const;
  bool HasRows() const;

 signals:
  // A row's document is to be shown in the HTML area (path or URL).
  void showInHtmlArea(const QString& pathOrUrl);
  // Rows, selection or SelCol changed: the ribbon re-evaluates its enabling rules.
  void listStateChanged();

 protected:
  Services& services_;
};

}  // namespace folidex
