#pragma once
// The PDF viewer pane of the HTML area: a QPdfView on a QPdfDocument, pages one after another
// and fitted to the width. Its window text carries the shown document's file name, which is how
// the text capture finds it. Keys: Ctrl+A selects the whole document, Ctrl+C then puts the text
// of every page (pages joined with CR LF) on the clipboard as plain text and as simple HTML,
// Ctrl+Shift+A clears the selection, (Ctrl+)Home and (Ctrl+)End go to the top and the bottom.
// While a remote document is fetched the pane shows the wait and its progress.
// The zoom follows the bar's text size: 1.0 fits the pages to the width, other factors scale
// that size; Ctrl + mouse wheel asks the bar for one step larger or smaller.

#include <QString>
#include <QWidget>

class QLabel;
class QPdfDocument;
class QPdfView;
class QProgressBar;
class QStackedLayout;

namespace folidex {

class CPdfPane : public QWidget {
  Q_OBJECT

 public:
  explicit CPdfPane(QWidget* parent = nullptr);
  ~CPdfPane() override;

  // Shows the PDF file at the native `path`, with `windowText` as the pane's window text.
  // On failure the pane shows `error` (set to the reason) and holds no document.
  bool Open(const QString& path, const QString& windowText, QString* error);
  // No document: empty window text, nothing selected.
  void Clear();
  // The wait while a document is fetched; progress in bytes (total < 0 when unknown).
  void ShowWaiting(const QString& text);
  void SetProgress(qint64 received, qint64 total);
  // A message instead of a document (a fetch or open that failed).
  void ShowMessage(const QString& text);

  bool HasDocument() const { return hasDocument_; }
  bool AllSelected() const { return allSelected_; }
  void SelectAll();
  void ClearSelection();
  // Puts the whole text on the clipboard when the whole document is selected and has text;
  // otherwise the clipboard is left as it is. Returns true when something was copied.
  bool CopySelection();
  // The text of every page, pages joined with CR LF.
  QString DocumentText() const;
  // The same text as simple HTML: one block per page, one paragraph per line.
  static QString TextAsHtml(const QString& text);

  // The zoom relative to the width-fitted size (1.0 fits the width).
  void SetZoom(double factor);
  double Zoom() const { return zoom_; }

  QPdfView* View() const;
  QPdfDocument* Document() const { return document_; }

 signals:
  // Ctrl + mouse wheel over the pages: +1 larger, -1 smaller.
  void zoomStepRequested(int step);

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  class SelectableView;
  bool HandleKey(QKeyEvent* e);
  void UpdateHighlight();
  void UpdateZoom();

  QStackedLayout* stack_ = nullptr;
  QPdfDocument* document_ = nullptr;
  SelectableView* view_ = nullptr;
  QWidget* messagePage_ = nullptr;
  QLabel* message_ = nullptr;
  QProgressBar* progress_ = nullptr;
  bool hasDocument_ = false;
  QString path_;  // the file the shown document was opened from
  bool allSelected_ = false;
  double zoom_ = 1.0;
};

}  // namespace folidex
