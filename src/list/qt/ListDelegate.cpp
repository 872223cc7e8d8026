#include "list/qt/ListDelegate.h"

#include <QPainter>

#include "list/DuplicateColors.h"
#include "list/qt/ListModel.h"

namespace folidex {

Qt::Alignment ListDelegate::ColumnAlignment(int column) {
  switch (static_cast<ListColumn>(column)) {
    case ListColumn::SerialNo:
    case ListColumn::Status:
    case ListColumn::Link:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case ListColumn::FileSize:
    case ListColumn::TextSize:
      return Qt::AlignRight | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

void ListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const int column = index.column();
  if (column == ColumnIndex(ListColumn::No)) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  // The selection stays visible in its active colours when the list has no focus.
  const QPalette& palette = option.palette;
  QColor background = palette.color(QPalette::Active, QPalette::Base);
  QColor text = palette.color(QPalette::Active, QPalette::Text);
  if (index.data(ListModel::SelectedRole).toBool()) {
    text = palette.color(QPalette::Active, QPalette::HighlightedText);
    background = column == ColumnIndex(ListColumn::Keywords) ? QColor(0, 0, 255)
                                                             : palette.color(QPalette::Active, QPalette::Highlight);
  } else if (column == selCol_) {
    background = colColor_;
  } else if (int group = index.data(ListModel::DuplicateGroupRole).toInt(); group >= 0) {
    Rgb rgb = DuplicateGroupColor(group);
    background = QColor(rgb.r, rgb.g, rgb.b);
    const Rgb red = DuplicateTextColor(group);
    text = QColor(red.r, red.g, red.b);
  }

  painter->save();
  painter->fillRect(option.rect, background);
  QRect textRect = option.rect;
  Qt::Alignment alignment = ColumnAlignment(column);
  if (alignment & Qt::AlignLeft) textRect.setLeft(textRect.left() + kTextIndent);
  painter->setPen(text);
  painter->setFont(option.font);
  painter->drawText(textRect, static_cast<int>(alignment | Qt::TextSingleLine), index.data(Qt::DisplayRole).toString());
  painter->restore();
}

}  // namespace folidex
