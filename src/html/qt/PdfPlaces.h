#pragma once
// The places of a search term in the PDF the viewer pane shows: found in the page texts of the
// pane's own engine with the search's matcher, highlighted on the pages (a layer over the view's
// pages, drawn from the page geometry), and stepped through with 前の箇所 / 次の箇所 (F3 /
// Shift+F3) and "3/15" in a small bar over the view's top right corner. Another document in the
// pane ends the places.

#include <QList>
#include <QObject>
#include <QRectF>
#include <QWidget>

class QLabel;
class QPdfDocument;
class QPdfView;
class QToolButton;

namespace folidex {

class CPdfPane;
class PlaceMatcher;

// One place: its page (from 0) and the rectangles of its characters in page points.
struct PdfPlace {
  int page = 0;
  QList<QRectF> rects;
};

// Every place of the matcher's term in the document, page by page, in text order.
QList<PdfPlace> FindPdfPlaces(QPdfDocument& document, const PlaceMatcher& matcher);

// Where QPdfView draws a page (multi-page, fitted to the width or zoomed), in viewport pixels.
QRectF PageRectInViewport(const QPdfView& view, int page);

class PdfPlaces : public QObject {
  Q_OBJECT

 public:
  explicit PdfPlaces(CPdfPane& pane);
  ~PdfPlaces() override;

  // Finds the term in the shown document and goes to its first place. False when there is none
  // (the bar stays hidden).
  bool Show(const PlaceMatcher& matcher);
  void Clear();

  int Count() const { return static_cast<int>(places_.size()); }
  int Current() const { return current_; }  // from 0; -1 without places
  const QList<PdfPlace>& Places() const { return places_; }
  // The highlights drawn on the pages shown now (rectangles in viewport pixels).
  QList<QRectF> VisibleHighlights() const;
  QString PositionText() const;  // "3/15"
  QWidget* Bar() const { return bar_; }

 public slots:
  void Next();      // F3, wrapping after the last
  void Previous();  // Shift+F3, wrapping before the first

 private:
  class Layer;
  void GoTo(int index);
  void UpdateBar();
  QList<QRectF> RectsOf(int index) const;  // place `index` in viewport pixels (none when off screen)

  CPdfPane& pane_;
  QPdfView& view_;
  QList<PdfPlace> places_;
  int current_ = -1;
  Layer* layer_ = nullptr;
  QWidget* bar_ = nullptr;
  QToolButton* previous_ = nullptr;
  QToolButton* next_ = nullptr;
  QLabel* position_ = nullptr;
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace folidex
