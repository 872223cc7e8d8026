#include "dialogs/qt/DialogIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace folidex {
namespace {

constexpr int kSize = 20;

QIcon Draw(const std::function<void(QPainter&)>& paint) {
  QPixmap picture(kSize, kSize);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  paint(painter);
  painter.end();
  return QIcon(picture);
}

}  // namespace

QIcon PasteIcon() {
  return Draw([](QPainter& p) {
    p.setPen(QPen(QColor(0x6b, 0x4a, 0x22), 1.2));
    p.setBrush(QColor(0xc8, 0x96, 0x5a));
    p.drawRoundedRect(QRectF(3.5, 3.5, 13, 15), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
    p.drawRect(QRectF(6.5, 7.5, 7, 9));
    p.setBrush(QColor(0x90, 0x90, 0x90));
    p.drawRoundedRect(QRectF(7, 1.5, 6, 4), 1, 1);
  });
}

QIcon UndoIcon() {
  return Draw([](QPainter& p) {
    QPen pen(QColor(0x1f, 0x5f, 0xb0), 2.2);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    QPainterPath arc;
    arc.moveTo(5, 8);
    arc.cubicTo(10, 3, 18, 5, 16, 12);
    arc.cubicTo(15, 16, 11, 17, 8, 16);
    p.drawPath(arc);
    p.setBrush(QColor(0x1f, 0x5f, 0xb0));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(2, 4), QPointF(8.5, 5), QPointF(4, 11)}));
  });
}

QIcon SearchIcon(bool towardEnd) {
  return Draw([towardEnd](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x6f, 0x2a));
    if (towardEnd)
      p.drawPolygon(QPolygonF({QPointF(4, 6), QPointF(16, 6), QPointF(10, 15)}));
    else
      p.drawPolygon(QPolygonF({QPointF(4, 14), QPointF(16, 14), QPointF(10, 5)}));
  });
}

QIcon TextSizeIcon(bool larger) {
  return Draw([larger](QPainter& p) {
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(larger ? 16 : 10);
    p.setFont(font);
    p.setPen(QColor(0x30, 0x30, 0x30));
    p.drawText(QRectF(0, 0, 14, kSize), Qt::AlignCenter, QStringLiteral("A"));
    p.setPen(QPen(QColor(0x1f, 0x5f, 0xb0), 2));
    p.drawLine(QPointF(14, 10), QPointF(19, 10));
    if (larger) p.drawLine(QPointF(16.5, 7.5), QPointF(16.5, 12.5));
  });
}

}  // namespace folidex
