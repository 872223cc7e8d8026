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

 signals:
  // A row's document is to be shown in the HTML area (CP932 path or URL as a QString).
  void showInHtmlArea(const QString& pathOrUrl);

 protected:
  Services& services_;
};

}  // namespace folidex
