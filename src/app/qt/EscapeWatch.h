#pragma once
// Esc during a long command that runs on the window's thread (the database search, the index
// build before it). While a watch is alive the window keeps painting, and of the user's input
// only Esc counts: it marks the command cancelled; every other key, click, wheel turn or drop
// is dropped, so that no second command starts in the middle of the first. A modal window that
// the command shows (a message box) takes its input as usual.

#include <QElapsedTimer>
#include <QObject>

namespace folidex {

class EscapeWatch : public QObject {
  Q_OBJECT

 public:
  EscapeWatch();
  ~EscapeWatch() override;
  EscapeWatch(const EscapeWatch&) = delete;
  EscapeWatch& operator=(const EscapeWatch&) = delete;

  // Whether Esc was pressed. Lets the window's events through at most every few tens of
  // milliseconds, so that it can be asked for every record.
  bool Cancelled();
  // Forgets an Esc (the next step of the command listens afresh).
  void Reset() { cancelled_ = false; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QElapsedTimer sincePump_;
  bool cancelled_ = false;
};

}  // namespace folidex
