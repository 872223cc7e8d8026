#include "list/CLeftView.h"

#include <QHeaderView>

#include "common/Prompter.h"
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

bool CLeftView::CanSort() const { return services_.settings.GetInt(setting::SelCol) > 0; }
bool CLeftView::HasRows() const { return services_.list.RowCount() > 0; }

// The list panel's commands arrive with the list view's own work; until then they say so.
void CLeftView::OnColColor() { services_.prompter.Information(39001); }
void CLeftView::OnSortUp() { services_.prompter.Information(39001); }
void CLeftView::OnSortDown() { services_.prompter.Information(39001); }
void CLeftView::OnListClear() { services_.prompter.Information(39001); }
void CLeftView::OnSaveList(const QString&) { services_.prompter.Information(39001); }
void CLeftView::OnLoadList() { services_.prompter.Information(39001); }
void CLeftView::OnListKanri() { services_.prompter.Information(39001); }

}  // namespace folidex
