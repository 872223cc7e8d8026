#pragma once
// The text area of the text dialog: a QPlainTextEdit that shows a record's body text. The
// stored text is one line of up to several megabytes; laid out as one paragraph, every
// keystroke would lay out the whole of it again. So the text is shown in display blocks of
// about kDisplayBlock characters, cut after a sentence end where one is near, and each block
// that only continues the text is marked (a block-format property). The text as one —
// JoinedText, the copies to the clipboard, the search positions — has no break at such a cut;
// a line break typed or pasted by the user is a real one.

#include <QPlainTextEdit>
#include <QString>
#include <utility>
#include <vector>

namespace folidex {

class BodyTextView : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr int kDisplayBlock = 1000;
  static constexpr int kContinuesProperty = 0x100000 + 1;  // QTextFormat::UserProperty + 1

  explicit BodyTextView(QWidget* parent = nullptr);

  // Shows `text` (line breaks in it stay real ones); nothing to undo afterwards.
  void SetBodyText(const QString& text);
  // The whole text as one: display cuts joined without a break, line breaks as "\n".
  const QString& JoinedText() const;

  // Positions in the joined text and in the document.
  qsizetype ToJoined(int documentPosition) const;
  int ToDocument(qsizetype joined, bool atEnd) const;
  // The selection as [start, end) of the joined text.
  std::pair<qsizetype, qsizetype> JoinedSelection() const;
  // Selects a range of the joined text and scrolls it into view.
  void SelectJoined(qsizetype start, qsizetype length);

  // One step of the text's zoom: +1 larger, -1 smaller (Ctrl + mouse wheel does the same).
  void ZoomStep(int direction);
  // The face of the whole text, 10 points (the zoom starts again there).
  void SetFace(const QString& family);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;
  QMimeData* createMimeDataFromSelection() const override;

 private:
  void Rebuild() const;
  QString Joined(int from, int to) const;

  mutable bool dirty_ = true;
  mutable QString joined_;
  // Per block: its document position and its start in the joined text.
  mutable std::vector<std::pair<int, qsizetype>> starts_;
};

}  // namespace folidex
