#pragma once
// Draws the list's cells: the selected row in the highlight colours (the keyword column on pure
// blue), the selected column on its colour, duplicate rows in red on their group's colour;
// centred, right-aligned or indented text by column. Column 0 is drawn by the style as it is.

#include <QColor>
#include <QStyledItemDelegate>

namespace folidex {

class ListDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit ListDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}

  void SetSelectedColumn(int column) { selCol_ = column; }
  void SetColumnColor(const QColor& color) { colColor_ = color; }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The alignment of a column's text.
  static Qt::Alignment ColumnAlignment(int column);
  static constexpr int kTextIndent = 5;

 private:
  int selCol_ = 3;
  QColor colColor_{210, 210, 255};
};

}  // namespace folidex
