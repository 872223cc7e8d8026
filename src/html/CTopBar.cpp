#include "html/CTopBar.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "html/TextZoom.h"

namespace folidex {
namespace {

// "A" with a plus or a minus, the letter large or small: larger and smaller text at a glance (a
// magnifier reads as full screen and shrink).
QIcon TextSizeIcon(const QWidget* widget, bool larger) {
  QPixmap pixmap(48, 48);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(widget->palette().color(QPalette::WindowText));
  QFont font = widget->font();
  font.setBold(true);
  font.setPixelSize(larger ? 40 : 26);
  painter.setFont(font);
  painter.drawText(QRect(0, larger ? 4 : 14, 34, 44), Qt::AlignHCenter | Qt::AlignBottom, QStringLiteral("A"));
  QPen pen = painter.pen();
  pen.setWidth(4);
  painter.setPen(pen);
  painter.drawLine(32, 12, 46, 12);
  if (larger) painter.drawLine(39, 5, 39, 19);
  return QIcon(pixmap);
}

// A house: a roof over a walled square with a door (the style's home picture is a folder).
QIcon HomeIcon(const QWidget* widget) {
  QPixmap pixmap(48, 48);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor ink = widget->palette().color(QPalette::WindowText);
  QPen pen(ink, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.drawPolyline(QPolygon({QPoint(4, 24), QPoint(24, 5), QPoint(44, 24)}));
  painter.setBrush(QColor(222, 184, 135));
  painter.drawRect(QRect(10, 22, 28, 21));
  painter.setBrush(ink);
  painter.drawRect(QRect(20, 30, 8, 13));
  return QIcon(pixmap);
}

QIcon BarIcon(const QWidget* widget, const char* themeName, QStyle::StandardPixmap fallback) {
  return QIcon::fromTheme(QString::fromLatin1(themeName), widget->style()->standardIcon(fallback));
}

}  // namespace

CTopBar::CTopBar(QWidget* parent) : QWidget(parent), zoomLevel_(kInitialTextZoomLevel) {
  setObjectName(QStringLiteral("CTopBar"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 1, 2, 1);
  layout->setSpacing(1);

  QToolButton* back = AddButton("1004", QStringLiteral("戻る"), BarIcon(this, "go-previous", QStyle::SP_ArrowBack));
  QToolButton* forward = AddButton("1005", QStringLiteral("進む"), BarIcon(this, "go-next", QStyle::SP_ArrowForward));
  QToolButton* stop = AddButton("1007", QStringLiteral("中止"), BarIcon(this, "process-stop", QStyle::SP_BrowserStop));
  QToolButton* home =
      AddButton("1008", QStringLiteral("ホーム"), QIcon::fromTheme(QStringLiteral("go-home"), HomeIcon(this)));
  QToolButton* homeChange = AddButton("1009", QStringLiteral("ホーム変更"),
                                      BarIcon(this, "document-properties", QStyle::SP_FileDialogDetailedView));
  QToolButton* larger = AddButton("1011", QStringLiteral("文字を大きく"), TextSizeIcon(this, true));
  QToolButton* smaller = AddButton("1012", QStringLiteral("文字を小さく"), TextSizeIcon(this, false));
  bookmark_ = AddButton("1010", QStringLiteral("ブックマーク"), BarIcon(this, "bookmark-new", QStyle::SP_DirLinkIcon));
  bookmark_->setCheckable(true);

  navi_ = new QPushButton(BarIcon(this, "go-jump", QStyle::SP_MediaPlay), QString(), this);
  navi_->setObjectName(QStringLiteral("1006"));
  navi_->setToolTip(QStringLiteral("ナビ"));
  navi_->setDefault(true);
  navi_->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(navi_);

  address_ = new QLineEdit(this);
  address_->setObjectName(QStringLiteral("1000"));
  layout->addWidget(address_, 1);

  connect(back, &QToolButton::clicked, this, &CTopBar::backRequested);
  connect(forward, &QToolButton::clicked, this, &CTopBar::forwardRequested);
  connect(stop, &QToolButton::clicked, this, &CTopBar::stopRequested);
  connect(home, &QToolButton::clicked, this, &CTopBar::homeRequested);
  connect(homeChange, &QToolButton::clicked, this, &CTopBar::homeChangeRequested);
  connect(larger, &QToolButton::clicked, this, [this] { StepZoom(TextZoomUp(zoomLevel_)); });
  connect(smaller, &QToolButton::clicked, this, [this] { StepZoom(TextZoomDown(zoomLevel_)); });
  connect(bookmark_, &QToolButton::clicked, this, [this] {
    if (bookmarkHandler_) bookmarkHandler_(bookmark_);
    bookmark_->setChecked(false);
  });
  auto navigate = [this] {
    const QString text = address_->text();
    if (!text.isEmpty()) emit navigateRequested(text);
  };
  connect(navi_, &QPushButton::clicked, this, navigate);
  connect(address_, &QLineEdit::returnPressed, this, navigate);
}

QToolButton* CTopBar::AddButton(const char* name, const QString& tip, const QIcon& icon) {
  auto* button = new QToolButton(this);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(tip);
  button->setIcon(icon);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  layout()->addWidget(button);
  return button;
}

void CTopBar::SetAddress(const QString& url) {
  address_->setText(url);
  address_->setCursorPosition(0);
}

void CTopBar::StepZoomBy(int step) { StepZoom(step > 0 ? TextZoomUp(zoomLevel_) : TextZoomDown(zoomLevel_)); }

void CTopBar::StepZoom(int level) {
  if (level == zoomLevel_) return;
  zoomLevel_ = level;
  emit zoomLevelChanged(level);
}

}  // namespace folidex
