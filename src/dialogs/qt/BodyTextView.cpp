#include "dialogs/qt/BodyTextView.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QWheelEvent>
#include <algorithm>

#include "dialogs/TextSearch.h"

namespace folidex {
namespace {

static_assert(BodyTextView::kContinuesProperty == QTextFormat::UserProperty + 1);

bool Continues(const QTextBlock& block) {
  return block.blockFormat().property(BodyTextView::kContinuesProperty).toBool();
}

// A block's text as part of the joined text: a line separator (Shift+Enter) is a line break.
QString BlockText(const QTextBlock& block) {
  QString text = block.text();
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text;
}

}  // namespace

BodyTextView::BodyTextView(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("IDC_RICHEDIT_1005"));
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  // The selection stays visible while the search term has the focus.
  QPalette colours = palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
  setPalette(colours);
  connect(document(), &QTextDocument::contentsChanged, this, [this] { dirty_ = true; });
}

void BodyTextView::SetBodyText(const QString& text) {
  // The cuts, and which of the resulting blocks only continue the one before.
  QString shown;
  shown.reserve(text.size() + text.size() / kDisplayBlock + 1);
  std::vector<bool> continues;
  continues.push_back(false);
  qsizetype lineStart = 0;
  while (lineStart <= text.size()) {
    qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
    if (lineEnd < 0) lineEnd = text.size();
    const QStringView line = QStringView(text).mid(lineStart, lineEnd - lineStart);
    const std::u16string_view units(reinterpret_cast<const char16_t*>(line.utf16()),
                                    static_cast<std::size_t>(line.size()));
    std::size_t from = 0;
    for (std::size_t cut : DisplayBreaks(units, kDisplayBlock)) {
      shown += line.mid(static_cast<qsizetype>(from), static_cast<qsizetype>(cut - from));
      shown += QLatin1Char('\n');
      continues.push_back(true);
      from = cut;
    }
    shown += line.mid(static_cast<qsizetype>(from));
    if (lineEnd >= text.size()) break;
    shown += QLatin1Char('\n');
    continues.push_back(false);
    lineStart = lineEnd + 1;
  }

  QTextDocument* doc = document();
  doc->setUndoRedoEnabled(false);
  setPlainText(shown);
  QTextCursor cursor(doc);
  QTextBlockFormat format;
  format.setProperty(kContinuesProperty, true);
  // One edit block: the layout hears of the formats once.
  cursor.beginEditBlock();
  std::size_t index = 0;
  for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next(), ++index) {
    if (index >= continues.size() || !continues[index]) continue;
    cursor.setPosition(block.position());
    cursor.mergeBlockFormat(format);
  }
  cursor.endEditBlock();
  doc->setUndoRedoEnabled(true);
  doc->setModified(false);
  moveCursor(QTextCursor::Start);
  dirty_ = true;
}

void BodyTextView::Rebuild() const {
  if (!dirty_) return;
  joined_.clear();
  starts_.clear();
  const QTextDocument* doc = document();
  joined_.reserve(doc->characterCount());
  for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next()) {
    if (block != doc->firstBlock() && !Continues(block)) joined_ += QLatin1Char('\n');
    starts_.emplace_back(block.position(), joined_.size());
    joined_ += BlockText(block);
  }
  dirty_ = false;
}

const QString& BodyTextView::JoinedText() const {
  Rebuild();
  return joined_;
}

qsizetype BodyTextView::ToJoined(int documentPosition) const {
  Rebuild();
  const QTextBlock block = document()->findBlock(documentPosition);
  if (!block.isValid()) return joined_.size();
  const auto& [position, start] = starts_[static_cast<std::size_t>(block.blockNumber())];
  return start + (documentPosition - position);
}

int BodyTextView::ToDocument(qsizetype joined, bool atEnd) const {
  Rebuild();
  // The block holding the position; an end that falls on a cut stays in the block before it.
  auto after = std::upper_bound(starts_.begin(), starts_.end(), joined,
                                [atEnd](qsizetype value, const std::pair<int, qsizetype>& entry) {
                                  return atEnd ? value <= entry.second : value < entry.second;
                                });
  if (after == starts_.begin()) return 0;
  const auto& [position, start] = *(after - 1);
  return position + static_cast<int>(joined - start);
}

std::pair<qsizetype, qsizetype> BodyTextView::JoinedSelection() const {
  const QTextCursor cursor = textCursor();
  return {ToJoined(cursor.selectionStart()), ToJoined(cursor.selectionEnd())};
}

void BodyTextView::SelectJoined(qsizetype start, qsizetype length) {
  QTextCursor cursor = textCursor();
  cursor.setPosition(ToDocument(start, false));
  cursor.setPosition(ToDocument(start + length, length > 0), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  ensureCursorVisible();
}

QString BodyTextView::Joined(int from, int to) const {
  const qsizetype start = ToJoined(from);
  return JoinedText().mid(start, ToJoined(to) - start);
}

void BodyTextView::ZoomStep(int direction) {
  const int size = font().pointSize();
  if (size < 0) return;
  if (direction > 0 && size < 72) zoomIn(1);
  if (direction < 0 && size > 4) zoomOut(1);
}

void BodyTextView::SetFace(const QString& family) {
  QFont face = font();
  face.setFamily(family);
  face.setPointSize(10);
  setFont(face);
}

void BodyTextView::keyPressEvent(QKeyEvent* event) {
  QTextCursor cursor = textCursor();
  const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
  if (!isReadOnly() && plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    // A typed line break is a real one, whatever the block it cuts.
    cursor.insertBlock(QTextBlockFormat());
    setTextCursor(cursor);
    ensureCursorVisible();
    return;
  }
  if (!isReadOnly() && plain && !cursor.hasSelection()) {
    const QTextBlock block = cursor.block();
    switch (event->key()) {
      case Qt::Key_Backspace:
        // At the start of a block that continues the one before, the character before the
        // cut goes, as it would in one line.
        if (cursor.atBlockStart() && Continues(block) && block.previous().length() > 1) {
          QTextCursor before(document());
          before.setPosition(block.position() - 1);
          before.deletePreviousChar();
          return;
        }
        break;
      case Qt::Key_Delete:
        if (cursor.atBlockEnd() && block.next().isValid() && Continues(block.next()) && block.next().length() > 1) {
          QTextCursor after(document());
          after.setPosition(block.next().position());
          after.deleteChar();
          return;
        }
        break;
      default:
        break;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void BodyTextView::wheelEvent(QWheelEvent* event) {
  if (event->modifiers() & Qt::ControlModifier) {
    const int delta = event->angleDelta().y();
    if (delta != 0) ZoomStep(delta > 0 ? 1 : -1);
    event->accept();
    return;
  }
  QPlainTextEdit::wheelEvent(event);
}

void BodyTextView::insertFromMimeData(const QMimeData* source) {
  if (isReadOnly() || !source || !source->hasText()) return;
  QString text = source->text();
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  // Pasted line breaks are real ones, whatever the block they land in.
  QTextCursor cursor = textCursor();
  cursor.beginEditBlock();
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < lines.size(); ++i) {
    if (i > 0) cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(lines[i]);
  }
  cursor.endEditBlock();
  setTextCursor(cursor);
  ensureCursorVisible();
}

QMimeData* BodyTextView::createMimeDataFromSelection() const {
  const QTextCursor cursor = textCursor();
  auto* data = new QMimeData;
  data->setText(Joined(cursor.selectionStart(), cursor.selectionEnd()));
  return data;
}

}  // namespace folidex
