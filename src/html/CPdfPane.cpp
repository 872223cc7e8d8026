#include "html/CPdfPane.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPdfView>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "pdf/poppler/PopplerPdfEngine.h"

namespace folidex {
namespace {

enum class PaneKey { None, SelectAll, Copy, Deselect, Top, Bottom };

PaneKey Classify(const QKeyEvent* e) {
  const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
  if (e->key() == Qt::Key_A && mods == (Qt::ControlModifier | Qt::ShiftModifier)) return PaneKey::Deselect;
  if (e->key() == Qt::Key_A && mods == Qt::ControlModifier) return PaneKey::SelectAll;
  if (e->matches(QKeySequence::Copy)) return PaneKey::Copy;
  if (e->key() == Qt::Key_Home && (mods & ~Qt::ControlModifier) == 0) return PaneKey::Top;
  if (e->key() == Qt::Key_End && (mods & ~Qt::ControlModifier) == 0) return PaneKey::Bottom;
  return PaneKey::None;
}

}  // namespace

// The view with the selection drawn over its pages: a tint while the whole document is selected.
class CPdfPane::SelectableView : public QPdfView {
 public:
  explicit SelectableView(QWidget* parent) : QPdfView(parent) {}
  void SetTinted(bool tinted) {
    if (tinted_ == tinted) return;
    tinted_ = tinted;
    viewport()->update();
  }

 protected:
  void paintEvent(QPaintEvent* e) override {
    QPdfView::paintEvent(e);
    if (!tinted_) return;
    QPainter painter(viewport());
    QColor color = palette().color(QPalette::Highlight);
    color.setAlpha(70);
    painter.fillRect(viewport()->rect(), color);
  }

 private:
  bool tinted_ = false;
};

CPdfPane::CPdfPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("CPdfPane"));
  setFocusPolicy(Qt::StrongFocus);
  stack_ = new QStackedLayout(this);
  stack_->setContentsMargins(0, 0, 0, 0);

  document_ = new QPdfDocument(this);
  view_ = new SelectableView(this);
  view_->setObjectName(QStringLiteral("PdfView"));
  view_->setPageMode(QPdfView::PageMode::MultiPage);
  view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
  view_->setDocument(document_);
  view_->installEventFilter(this);
  view_->viewport()->installEventFilter(this);
  stack_->addWidget(view_);

  messagePage_ = new QWidget(this);
  auto* column = new QVBoxLayout(messagePage_);
  column->addStretch(1);
  message_ = new QLabel(messagePage_);
  message_->setAlignment(Qt::AlignCenter);
  message_->setWordWrap(true);
  message_->setTextInteractionFlags(Qt::NoTextInteraction);
  column->addWidget(message_);
  progress_ = new QProgressBar(messagePage_);
  progress_->setMaximumWidth(400);
  column->addWidget(progress_, 0, Qt::AlignHCenter);
  column->addStretch(2);
  stack_->addWidget(messagePage_);
  stack_->setCurrentWidget(view_);
}

CPdfPane::~CPdfPane() { view_->setDocument(nullptr); }

QPdfView* CPdfPane::View() const { return view_; }

bool CPdfPane::Open(const QString& path, const QString& windowText, QString* error) {
  Clear();
  const QPdfDocument::Error result = document_->load(path);
  if (result != QPdfDocument::Error::None || document_->pageCount() <= 0) {
    document_->close();
    switch (result) {
      case QPdfDocument::Error::FileNotFound:
        *error = QStringLiteral("ファイルが見つかりません");
        break;
      case QPdfDocument::Error::IncorrectPassword:
        *error = QStringLiteral("パスワードで保護されています");
        break;
      default:
        *error = QStringLiteral("PDFとして開けません");
        break;
    }
    ShowMessage(*error + QStringLiteral("\n") + path);
    return false;
  }
  hasDocument_ = true;
  path_ = path;
  setWindowTitle(windowText);
  stack_->setCurrentWidget(view_);
  UpdateZoom();
  view_->verticalScrollBar()->setValue(0);
  return true;
}

void CPdfPane::Clear() {
  ClearSelection();
  hasDocument_ = false;
  path_.clear();
  document_->close();
  setWindowTitle(QString());
  stack_->setCurrentWidget(view_);
}

void CPdfPane::ShowWaiting(const QString& text) {
  Clear();
  message_->setText(text);
  progress_->setRange(0, 0);  // busy until the size is known
  progress_->show();
  stack_->setCurrentWidget(messagePage_);
}

void CPdfPane::SetProgress(qint64 received, qint64 total) {
  if (total > 0) {
    progress_->setRange(0, 100);
    progress_->setValue(static_cast<int>(received * 100 / total));
  } else {
    progress_->setRange(0, 0);
  }
}

void CPdfPane::ShowMessage(const QString& text) {
  message_->setText(text);
  progress_->hide();
  stack_->setCurrentWidget(messagePage_);
}

void CPdfPane::SelectAll() {
  if (!hasDocument_) return;
  allSelected_ = true;
  UpdateHighlight();
}

void CPdfPane::ClearSelection() {
  allSelected_ = false;
  UpdateHighlight();
}

QString CPdfPane::DocumentText() const {
  if (!hasDocument_) return {};
  // The text comes from the same engine as the import's (folidex-cli import takes it from there
  // too), so a document stores the same text whichever way it was added. The shown document is
  // the file it was opened from; only when that file is gone does the display engine answer.
  PopplerPdfEngine engine;
  QStringList pages;
  if (engine.Open(QFile::encodeName(path_).toStdString()) == PdfOpenResult::Opened) {
    for (int page = 0; page < engine.PageCount(); ++page) pages << QString::fromStdU16String(engine.PageText(page));
  } else {
    for (int page = 0; page < document_->pageCount(); ++page) pages << document_->getAllText(page).text();
  }
  return pages.join(QStringLiteral("\r\n"));
}

QString CPdfPane::TextAsHtml(const QString& text) {
  QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>\n");
  const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
  for (const QString& line : lines) {
    html += QStringLiteral("<p>") + line.toHtmlEscaped() + QStringLiteral("</p>\n");
  }
  html += QStringLiteral("</body></html>\n");
  return html;
}

bool CPdfPane::CopySelection() {
  if (!hasDocument_ || !allSelected_) return false;
  const QString text = DocumentText();
  if (text.isEmpty()) return false;
  auto* data = new QMimeData;
  data->setText(text);
  data->setHtml(TextAsHtml(text));
  QApplication::clipboard()->setMimeData(data);
  return true;
}

bool CPdfPane::HandleKey(QKeyEvent* e) {
  switch (Classify(e)) {
    case PaneKey::SelectAll:
      SelectAll();
      return true;
    case PaneKey::Copy:
      CopySelection();
      return true;
    case PaneKey::Deselect:
      ClearSelection();
      return true;
    case PaneKey::Top:
      view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->minimum());
      return true;
    case PaneKey::Bottom:
      view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum());
      return true;
    case PaneKey::None:
      break;
  }
  return false;
}

bool CPdfPane::event(QEvent* e) {
  // The pane's chords win over shortcuts of the main window (a list's Ctrl+C, for one).
  if (e->type() == QEvent::ShortcutOverride && Classify(static_cast<QKeyEvent*>(e)) != PaneKey::None) {
    e->accept();
    return true;
  }
  return QWidget::event(e);
}

void CPdfPane::keyPressEvent(QKeyEvent* e) {
  if (!HandleKey(e)) QWidget::keyPressEvent(e);
}

bool CPdfPane::eventFilter(QObject* watched, QEvent* e) {
  if (watched == view_ || watched == view_->viewport()) {
    if (e->type() == QEvent::ShortcutOverride && Classify(static_cast<QKeyEvent*>(e)) != PaneKey::None) {
      e->accept();
      return true;
    }
    if (e->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(e))) return true;
  }
  if (watched == view_->viewport()) {
    if (e->type() == QEvent::Wheel && (static_cast<QWheelEvent*>(e)->modifiers() & Qt::ControlModifier)) {
      const int delta = static_cast<QWheelEvent*>(e)->angleDelta().y();
      if (delta != 0) emit zoomStepRequested(delta > 0 ? 1 : -1);
      return true;  // never the view's own scrolling
    }
    if (e->type() == QEvent::Resize && zoom_ != 1.0) UpdateZoom();
  }
  return QWidget::eventFilter(watched, e);
}

void CPdfPane::UpdateHighlight() { view_->SetTinted(allSelected_); }

void CPdfPane::SetZoom(double factor) {
  if (factor <= 0 || factor == zoom_) return;
  zoom_ = factor;
  UpdateZoom();
}

// At 1.0 the view fits every page to the width itself. Any other factor scales the size at which
// the widest page fits, the way the view computes it (page points at the screen's resolution,
// inside the document margins), and follows the viewport when it is resized.
void CPdfPane::UpdateZoom() {
  if (zoom_ == 1.0 || document_->pageCount() <= 0) {
    view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    return;
  }
  qreal widest = 0;
  for (int page = 0; page < document_->pageCount(); ++page) {
    widest = qMax(widest, document_->pagePointSize(page).width());
  }
  const QScreen* screen = QGuiApplication::primaryScreen();
  const qreal resolution = screen ? screen->logicalDotsPerInch() / 72.0 : 1.0;
  const QMargins margins = view_->documentMargins();
  const int room = view_->viewport()->width() - margins.left() - margins.right();
  if (widest <= 0 || room <= 0) return;
  const qreal factor = room / (widest * resolution) * zoom_;
  view_->setZoomMode(QPdfView::ZoomMode::Custom);
  // Small differences are a scroll bar that came or went: no new layout for them.
  if (qAbs(view_->zoomFactor() - factor) > factor * 0.01) view_->setZoomFactor(factor);
}

}  // namespace folidex
