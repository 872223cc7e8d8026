#include "html/qt/PdfPlaces.h"

#include <algorithm>
#include <unordered_map>

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfSelection>
#include <QPdfView>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

#include "common/Cp932.h"
#include "common/Messages.h"
#include "html/CPdfPane.h"
#include "pdf/DocumentText.h"
#include "search/Places.h"

namespace folidex {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u3000'; }

std::u16string_view Units(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

}  // namespace

QList<PdfPlace> PdfPlacesOfPage(QPdfDocument& document, int page, const PlaceMatcher& matcher,
                                PageCharacters& converted) {
  QList<PdfPlace> places;
  if (!matcher.HasTerm()) return places;
  const QString text = document.getAllText(page).text();
  if (text.isEmpty()) return places;
  const std::u16string_view units = Units(text);
  // Most pages hold no place: the page's text as the import takes it tells.
  if (matcher.Find(PrepareBodyText(units), false).empty()) return places;
  // The page's spacing and line breaks as the import takes them, each character with the
  // engine's index of the character it stands for (the rules only leave out white space or
  // make it one space); a text they change otherwise is taken as the engine gives it.
  const std::u16string prepared = JoinBrokenLines(TidySpacing(units, Spacing::Detect));
  std::vector<int> from(prepared.size());
  bool aligned = true;
  for (std::size_t i = 0, j = 0; j < prepared.size() && aligned; ++j) {
    while (i < units.size() && units[i] != prepared[j] && IsBlank(units[i])) ++i;
    if (i < units.size() && (units[i] == prepared[j] || (prepared[j] == u' ' && IsBlank(units[i])))) {
      from[j] = static_cast<int>(i++);
    } else {
      aligned = false;
    }
  }
  const std::u16string_view shown = aligned ? std::u16string_view(prepared) : units;
  // Character by character, with the engine's index of each CP932 byte.
  std::string cp932;
  std::vector<int> index;
  for (std::size_t i = 0; i < shown.size();) {
    const std::size_t length = (shown[i] >= 0xD800 && shown[i] < 0xDC00 && i + 1 < shown.size() &&
                                shown[i + 1] >= 0xDC00 && shown[i + 1] < 0xE000)
                                   ? 2
                                   : 1;
    // A document repeats few characters many times: each converted once.
    const char32_t code = length == 2 ? (char32_t(shown[i]) << 16) | shown[i + 1] : shown[i];
    auto known = converted.find(code);
    if (known == converted.end()) known = converted.emplace(code, BodyTextToCp932(shown.substr(i, length))).first;
    const std::string& one = known->second;
    cp932 += one;
    index.insert(index.end(), one.size(), aligned ? from[i] : static_cast<int>(i));
    i += length;
  }
  index.push_back(static_cast<int>(units.size()));
  for (const Span& span : matcher.Find(cp932, false)) {
    const int start = index[span.begin];
    const QPdfSelection selection = document.getSelectionAtIndex(page, start, index[span.end] - start);
    PdfPlace place;
    place.page = page;
    for (const QPolygonF& polygon : selection.bounds()) place.rects.push_back(polygon.boundingRect());
    places.push_back(std::move(place));
  }
  return places;
}

QList<PdfPlace> FindPdfPlaces(QPdfDocument& document, const PlaceMatcher& matcher) {
  QList<PdfPlace> places;
  PageCharacters converted;
  for (int page = 0; page < document.pageCount(); ++page) places += PdfPlacesOfPage(document, page, matcher, converted);
  return places;
}

QRectF PageRectInViewport(const QPdfView& view, int page) {
  // QPdfView's own layout, to the pixel: pages one under another, each centred, with the
  // document margins around them and the page spacing between. Each page's size is rounded to
  // whole pixels the way the view rounds it (its points at the screen's resolution first, then
  // zoomed or fitted to the width), and the pages above are summed in those whole sizes, so that
  // no rounding adds up down a long document.
  QPdfDocument* document = view.document();
  if (!document || page < 0 || page >= document->pageCount()) return {};
  const QWidget* viewport = view.viewport();
  const QScreen* screen = QGuiApplication::primaryScreen();
  const qreal resolution = (screen ? screen->logicalDotsPerInch() : 72.0) / 72.0;
  const QMargins margins = view.documentMargins();
  auto size = [&](int p) -> QSize {
    const QSizeF points = document->pagePointSize(p);
    switch (view.zoomMode()) {
      case QPdfView::ZoomMode::Custom:
        return (points * resolution * view.zoomFactor()).toSize();
      case QPdfView::ZoomMode::FitToWidth: {
        const QSize s = (points * resolution).toSize();
        if (s.width() <= 0) return s;
        return s * (qreal(viewport->width() - margins.left() - margins.right()) / qreal(s.width()));
      }
      case QPdfView::ZoomMode::FitInView: {
        const QSize room(viewport->width() - margins.left() - margins.right(), viewport->height() - view.pageSpacing());
        return (points * resolution).toSize().scaled(room, Qt::KeepAspectRatio);
      }
    }
    return {};
  };
  const int count = view.pageMode() == QPdfView::PageMode::SinglePage ? 1 : document->pageCount();
  const int first = view.pageMode() == QPdfView::PageMode::SinglePage ? page : 0;
  int totalWidth = 0;
  for (int p = first; p < first + count; ++p) totalWidth = std::max(totalWidth, size(p).width());
  totalWidth += margins.left() + margins.right();
  int y = margins.top();
  for (int p = first; p < page; ++p) y += size(p).height() + view.pageSpacing();
  const QSize s = size(page);
  const int x = (std::max(totalWidth, viewport->width()) - s.width()) / 2;
  return QRectF(QPointF(x - view.horizontalScrollBar()->value(), y - view.verticalScrollBar()->value()), s);
}

// The highlights over the view's pages; mouse and keys pass through to the view.
class PdfPlaces::Layer : public QWidget {
 public:
  Layer(PdfPlaces& owner, QWidget* viewport) : QWidget(viewport), owner_(owner) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(viewport->rect());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QList<PdfPlace>& places = owner_.places_;
    for (int k = 0; k < places.size(); ++k) {
      QColor color = k == owner_.current_ ? QColor(255, 140, 0) : QColor(255, 230, 0);
      color.setAlpha(110);
      for (const QRectF& r : owner_.RectsOf(k)) painter.fillRect(r, color);
    }
  }

 private:
  PdfPlaces& owner_;
};

PdfPlaces::PdfPlaces(CPdfPane& pane) : QObject(&pane), pane_(pane), view_(*pane.View()) {
  layer_ = new Layer(*this, view_.viewport());
  layer_->setObjectName(QStringLiteral("PlaceHighlights"));
  layer_->hide();
  view_.viewport()->installEventFilter(this);
  // The highlights follow the pages when the view scrolls.
  connect(view_.verticalScrollBar(), &QScrollBar::valueChanged, layer_, qOverload<>(&QWidget::update));
  connect(view_.horizontalScrollBar(), &QScrollBar::valueChanged, layer_, qOverload<>(&QWidget::update));
  connect(&view_, &QPdfView::zoomFactorChanged, layer_, qOverload<>(&QWidget::update));

  scan_ = new QTimer(this);
  scan_->setSingleShot(true);
  scan_->setInterval(0);
  connect(scan_, &QTimer::timeout, this, [this] { ScanFor(slice_); });

  bar_ = new QWidget(&view_);
  bar_->setObjectName(QStringLiteral("PlaceBar"));
  bar_->setAutoFillBackground(true);
  auto* row = new QHBoxLayout(bar_);
  row->setContentsMargins(4, 2, 4, 2);
  previous_ = new QToolButton(bar_);
  previous_->setObjectName(QStringLiteral("PreviousPlace"));
  previous_->setText(QString::fromUtf8(MessageTextUtf8(Msg::PlacePrevious)));
  previous_->setToolTip(QString::fromUtf8(MessageTextUtf8(Msg::PlacePreviousTip)));
  next_ = new QToolButton(bar_);
  next_->setObjectName(QStringLiteral("NextPlace"));
  next_->setText(QString::fromUtf8(MessageTextUtf8(Msg::PlaceNext)));
  next_->setToolTip(QString::fromUtf8(MessageTextUtf8(Msg::PlaceNextTip)));
  position_ = new QLabel(bar_);
  position_->setObjectName(QStringLiteral("PlacePosition"));
  row->addWidget(previous_);
  row->addWidget(next_);
  row->addWidget(position_);
  bar_->hide();
  connect(previous_, &QToolButton::clicked, this, &PdfPlaces::Previous);
  connect(next_, &QToolButton::clicked, this, &PdfPlaces::Next);
  // F3 steps wherever the focus is in the window (the list, when the PDF was opened from it),
  // but only while there are places to step through.
  for (auto [key, slot] : {std::pair{QKeySequence(Qt::Key_F3), &PdfPlaces::Next},
                           std::pair{QKeySequence(Qt::SHIFT | Qt::Key_F3), &PdfPlaces::Previous}}) {
    auto* shortcut = new QShortcut(key, &pane_);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setEnabled(false);
    connect(shortcut, &QShortcut::activated, this, slot);
    shortcuts_.push_back(shortcut);
  }
  // Another document (or none) in the pane ends these places.
  if (QPdfDocument* document = pane_.Document())
    connect(document, &QPdfDocument::statusChanged, this, [this] { Clear(); });
}

PdfPlaces::~PdfPlaces() = default;

bool PdfPlaces::Show(const PlaceMatcher& matcher, int firstPage) {
  Clear();
  if (!pane_.HasDocument() || !pane_.Document() || !matcher.HasTerm()) return false;
  matcher_ = std::make_unique<PlaceMatcher>(matcher);
  complete_ = false;
  scanned_ = std::clamp(firstPage, 0, std::max(0, pane_.Document()->pageCount() - 1));
  // The first pages now, so that an early place is shown at once; the rest a slice at a time
  // while the view stays free (a later first place is gone to when found).
  ScanFor(firstSlice_);
  return current_ >= 0;
}

void PdfPlaces::Clear() {
  scan_->stop();
  matcher_.reset();
  converted_.clear();
  scanned_ = 0;
  complete_ = true;
  places_.clear();
  current_ = -1;
  layer_->hide();
  bar_->hide();
  for (QShortcut* shortcut : shortcuts_) shortcut->setEnabled(false);
}

void PdfPlaces::ScanFor(std::chrono::milliseconds budget) {
  QPdfDocument* document = pane_.Document();
  if (complete_ || !matcher_ || !document) return;
  QElapsedTimer clock;
  clock.start();
  const qsizetype before = places_.size();
  // At least one page a slice, however short the slice; the first place is gone to as soon as
  // it is found.
  do {
    if (scanned_ < document->pageCount()) places_ += PdfPlacesOfPage(*document, scanned_++, *matcher_, converted_);
  } while (scanned_ < document->pageCount() && clock.elapsed() < budget.count() && (before > 0 || places_.isEmpty()));
  complete_ = scanned_ >= document->pageCount();
  if (complete_) {
    matcher_.reset();
    converted_.clear();
    emit completed();
  } else {
    scan_->start();
  }
  if (places_.isEmpty()) return;
  if (current_ < 0) {
    layer_->setGeometry(view_.viewport()->rect());
    layer_->show();
    layer_->raise();
    bar_->show();
    bar_->raise();
    for (QShortcut* shortcut : shortcuts_) shortcut->setEnabled(true);
    GoTo(0);
  } else if (places_.size() != before || complete_) {
    UpdateBar();
    layer_->update();
  }
}

void PdfPlaces::ScanUntil(qsizetype count) {
  while (!complete_ && (count < 0 || places_.size() < count)) ScanFor(slice_);
}

void PdfPlaces::Next() {
  // Past the last place found so far: on to the next page that holds one.
  if (current_ + 1 >= Count()) ScanUntil(Count() + 1);
  if (!places_.isEmpty()) GoTo((current_ + 1) % Count());
}

void PdfPlaces::Previous() {
  // Before the first: round to the last, which takes every page.
  if (current_ <= 0) ScanUntil(-1);
  if (!places_.isEmpty()) GoTo((current_ + Count() - 1) % Count());
}

void PdfPlaces::GoTo(int index) {
  current_ = index;
  const PdfPlace& place = places_[index];
  // A little above the place, so its line is not at the very edge.
  QPointF at = place.rects.isEmpty() ? QPointF() : place.rects.front().topLeft();
  at.setX(0);
  at.setY(std::max<qreal>(0, at.y() - 36));
  view_.pageNavigator()->jump(place.page, at, view_.zoomFactor());
  // The view scrolls to a page's top only when the page changes, and not to a place lower down:
  // the place itself is scrolled into view, a quarter of the viewport from its top (and from its
  // left when the page is wider than the viewport and the place is not in sight).
  const QRectF page = PageRectInViewport(view_, place.page);
  const QSizeF points = view_.document() ? view_.document()->pagePointSize(place.page) : QSizeF();
  if (!place.rects.isEmpty() && !page.isEmpty() && !points.isEmpty()) {
    const QRectF& r = place.rects.front();
    const qreal sx = page.width() / points.width(), sy = page.height() / points.height();
    const QSize room = view_.viewport()->size();
    QScrollBar* vertical = view_.verticalScrollBar();
    QScrollBar* horizontal = view_.horizontalScrollBar();
    const int top = vertical->value() + qRound(page.top() + r.top() * sy);
    const int left = horizontal->value() + qRound(page.left() + r.left() * sx);
    const int right = horizontal->value() + qRound(page.left() + r.right() * sx);
    vertical->setValue(top - room.height() / 4);
    if (left < horizontal->value() || right > horizontal->value() + room.width())
      horizontal->setValue(left - room.width() / 4);
  }
  UpdateBar();
  layer_->update();
}

void PdfPlaces::UpdateBar() {
  position_->setText(PositionText());
  bar_->adjustSize();
  const int scrollBar = view_.verticalScrollBar()->isVisible() ? view_.verticalScrollBar()->width() : 0;
  bar_->move(view_.width() - bar_->width() - scrollBar - 4, 4);
}

QString PdfPlaces::PositionText() const {
  if (current_ < 0) return {};
  // While pages are still read, the number in all is not known yet.
  return complete_ ? QStringLiteral("%1/%2").arg(current_ + 1).arg(Count())
                   : QStringLiteral("%1/\u2026").arg(current_ + 1);
}

QList<QRectF> PdfPlaces::RectsOf(int k) const {
  QList<QRectF> out;
  const PdfPlace& place = places_[k];
  const QRectF page = PageRectInViewport(view_, place.page);
  if (page.isEmpty() || !page.intersects(QRectF(view_.viewport()->rect()))) return out;
  const QSizeF points = view_.document()->pagePointSize(place.page);
  const qreal sx = page.width() / points.width(), sy = page.height() / points.height();
  for (const QRectF& r : place.rects)
    out.push_back(QRectF(page.left() + r.left() * sx, page.top() + r.top() * sy, r.width() * sx, r.height() * sy));
  return out;
}

QList<QRectF> PdfPlaces::VisibleHighlights() const {
  QList<QRectF> visible;
  const QRectF shown(view_.viewport()->rect());
  for (int k = 0; k < places_.size(); ++k)
    for (const QRectF& r : RectsOf(k))
      if (r.intersects(shown)) visible.push_back(r);
  return visible;
}

bool PdfPlaces::eventFilter(QObject* watched, QEvent* e) {
  if (watched == view_.viewport()) {
    if (e->type() == QEvent::Resize) {
      layer_->setGeometry(view_.viewport()->rect());
      if (bar_->isVisible()) UpdateBar();
    }
  }
  return QObject::eventFilter(watched, e);
}

}  // namespace folidex
