#include "list/CListDlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/Prompter.h"
#include "common/TextMeasure.h"
#include "common/qt/QtText.h"
#include "common/qt/QtTextMeasure.h"
#include "list/ColumnFit.h"
#include "list/RecordRow.h"

namespace folidex {
namespace {

constexpr Qt::Alignment kAlign[kSavedListColumns] = {Qt::AlignCenter, Qt::AlignLeft | Qt::AlignVCenter,
                                                     Qt::AlignRight | Qt::AlignVCenter, Qt::AlignCenter,
                                                     Qt::AlignCenter};

}  // namespace

CListDlg::CListDlg(Store& store, Prompter& prompter, Renamer renamer, QWidget* parent)
    : QDialog(parent), store_(store), prompter_(prompter), renamer_(std::move(renamer)) {
  setObjectName(QStringLiteral("CListDlg"));
  setWindowTitle(QString::fromUtf8("リスト管理"));

  list_ = new QTableWidget(0, kSavedListColumns, this);
  list_->setObjectName(QStringLiteral("IDC_LIST_1000"));
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setShowGrid(true);
  list_->verticalHeader()->setVisible(false);
  // One line of text per row, as a list shows it (the style's default is much taller).
  list_->setWordWrap(false);
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
  list_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  QStringList titles;
  for (int i = 0; i < kSavedListColumns; ++i) titles << ToQString(SavedListColumnTitle(i));
  list_->setHorizontalHeaderLabels(titles);
  for (int i = 0; i < kSavedListColumns; ++i) list_->setColumnWidth(i, 50);
  connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { OnRowDoubleClicked(row); });

  auto* note = new QLabel(
      QString::fromUtf8("リスト名の変更やリストを削除したいときは、そのリスト(行)をWクリックしてください。"), this);
  note->setWordWrap(true);
  close_ = new QPushButton(QString::fromUtf8("終了(&X)"), this);
  close_->setObjectName(QStringLiteral("IDOK"));
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(note, 1);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  resize(640, 400);

  Fill();
}

void CListDlg::Fill() {
  entries_ = EnumerateSavedLists(store_, prompter_);
  list_->setRowCount(static_cast<int>(entries_.size()));
  for (int row = 0; row < static_cast<int>(entries_.size()); ++row)
    for (int column = 0; column < kSavedListColumns; ++column) {
      auto* item = new QTableWidgetItem(ToQString(SavedListCell(entries_[static_cast<std::size_t>(row)], column)));
      item->setTextAlignment(kAlign[column]);
      list_->setItem(row, column, item);
    }
  FitColumns();
}

void CListDlg::FitColumns() {
  QtTextMeasure measure(list_->fontMetrics());
  for (const ColumnWidth& fit :
       FitColumnWidths(measure, kSavedListColumns, -1, static_cast<int>(entries_.size()), SavedListColumnTitle,
                       [this](int row, int column) -> const std::string& {
                         return SavedListCell(entries_[static_cast<std::size_t>(row)], column);
                       }))
    list_->setColumnWidth(fit.column, fit.width);
}

void CListDlg::OnRowDoubleClicked(int row) {
  if (row < 0 || row >= static_cast<int>(entries_.size())) return;
  SavedListEntry& entry = entries_[static_cast<std::size_t>(row)];
  switch (AskManageChoice(prompter_, entry.name)) {
    case ManageChoice::Rename: {
      std::optional<std::string> renamed = renamer_ ? renamer_(entry.name, this) : std::nullopt;
      if (!renamed) return;
      entry.name = *renamed;
      list_->item(row, 1)->setText(ToQString(entry.name));
      FitColumns();
      break;
    }
    case ManageChoice::Delete:
      if (!DeleteSavedList(store_, prompter_, entry.name)) return;
      entries_.erase(entries_.begin() + row);
      list_->removeRow(row);
      break;
    case ManageChoice::Cancel:
      break;
  }
}

}  // namespace folidex
