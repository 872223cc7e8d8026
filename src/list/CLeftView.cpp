#include "list/CLeftView.h"

#include <QHeaderView>

#include "common/Settings.h"
#include "list/ListRows.h"

namespace folidex {
namespace {
CLeftView* instance = nullptr;
}

CLeftView::CLeftView(Services& services, QWidget* parent) : QTableView(parent), services_(services) {
  setObjectName(QStringLiteral("CLeftView"));
  instance = this;
}

CLeftView::~CLeftView() {
  if (instance == this) instance = nullptr;
}

CLeftView* CLeftView::Instance() { return instance; }

void CLeftView::RestoreColumnWidths() {
  if (!model()) return;
  for (int i = 0; i < ListRows::kColumns && i < model()->columnCount(); ++i) {
    long width = services_.settings.GetInt(setting::ColumnWidth(i));
    if (width > 600) width = 20;
    setColumnWidth(i, i == 0 ? 50 : static_cast<int>(width));
  }
}

void CLeftView::SaveColumnWidths() {
  if (!model()) return;
  for (int i = 0; i < ListRows::kColumns && i < model()->columnCount(); ++i)
    services_.settings.SetInt(setting::ColumnWidth(i), columnWidth(i));
}

void CLeftView::FitColumnWidths(int columnCount, int column) {
  for (int i = 0; i < columnCount; ++i)
    if (column == -1 || column == i) resizeColumnToContents(i);
}

}  // namespace folidex
