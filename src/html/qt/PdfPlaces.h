#pragma once
// The places of a search term in the PDF the viewer pane shows: found in the page texts of the
// pane's own engine with the search's matcher, highlighted on the pages (a layer over the view's
// pages, drawn from the page geometry), and stepped through with 前の箇所 / 次の箇所 (F3 /
// Shift+F3 anywhere in the pane's window) and "3/15" in a small bar over the view's top right
// corner. Another document in the pane ends the places.

#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>

#include <QList>
#include <QObject>
#include <QRectF>
#include <QWidget>

class QLabel;
class QShortcut;
class QTimer;
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

// The CP932 form of each character met so far (a document repeats few characters many times).
using PageCharacters = std::unordered_map<char32_t, std::string>;

// The places of the matcher's term on one page (from 0), in text order.
QList<PdfPlace> PdfPlacesOfPage(QPdfDocument& document, int page, const PlaceMatcher& matcher,
                                PageCharacters& converted);
// Every place of the matcher's term in the document, page by page, in text order.
QList<PdfPlace> FindPdfPlaces(QPdfDocument& document, const PlaceMatcher& matcher);

// Where QPdfView draws a page (multi-page, fitted to the width or zoomed), in viewport pixels.
QRectF PageRectInViewport(const QPdfView& view, int page);

class PdfPlaces : public QObject {
  Q_OBJECT

 public:
  explicit PdfPlaces(CPdfPane& pane);
  ~PdfPlaces() override;

  // Finds the term in the shown document and goes to its first place: the pages are read in
  // order, the first ones at once, the rest a slice at a time from the event loop (the bar shows
  // "1/…" until the number in all is known; a first place found later is gone to then). True
  // when a place is shown on return; false when none has been found yet (the bar stays hidden
  // until one is). `firstPage` (from 0), when the page of the first place is known already
  // (from the document's text as the import reads it), is where reading starts: the pages
  // before it are taken to hold none. An engine may read a page's text slowly (a quarter of a
  // second for some typeset documents), so this saves reading them all before the first place.
  bool Show(const PlaceMatcher& matcher, int firstPage = 0);
  void Clear();

  // How long the pages are read in Show() and then in each slice (at least a page each time).
  void SetSlices(std::chrono::milliseconds first, std::chrono::milliseconds each) {
    firstSlice_ = first;
    slice_ = each;
  }
  // Whether every page has been read (Count() is then the number in all).
  bool Complete() const { return complete_; }
  int Count() const { return static_cast<int>(places_.size()); }
  int Current() const { return current_; }  // from 0; -1 without places
  const QList<PdfPlace>& Places() const { return places_; }
  // The highlights drawn on the pages shown now (rectangles in viewport pixels).
  QList<QRectF> VisibleHighlights() const;
  QString PositionText() const;  // "3/15"; "3/…" while pages are still read
  QWidget* Bar() const { return bar_; }

 signals:
  // Every page has been read since the last Show() (Count() is the number in all).
  void completed();

 public slots:
  void Next();      // F3, wrapping after the last
  void Previous();  // Shift+F3, wrapping before the first

 private:
  class Layer;
  // Reads pages for about `budget`, then leaves the rest to the next slice; goes to the first
  // place once there is one.
  void ScanFor(std::chrono::milliseconds budget);
  void ScanUntil(qsizetype count);  // reads on until `count` places are known (-1: all)
  void GoTo(int index);
  void UpdateBar();
  QList<QRectF> RectsOf(int index) const;  // place `index` in viewport pixels (none when off screen)

  CPdfPane& pane_;
  QPdfView& view_;
  QList<PdfPlace> places_;
  int current_ = -1;
  std::unique_ptr<PlaceMatcher> matcher_;  // while pages are still to be read
  PageCharacters converted_;
  int scanned_ = 0;  // the pages read
  bool complete_ = true;
  QTimer* scan_ = nullptr;
  std::chrono::milliseconds firstSlice_{150}, slice_{12};
  Layer* layer_ = nullptr;
  QWidget* bar_ = nullptr;
  QToolButton* previous_ = nullptr;
  QToolButton* next_ = nullptr;
  QLabel* position_ = nullptr;
  QList<QShortcut*> shortcuts_;  // F3, Shift+F3
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace folidex
