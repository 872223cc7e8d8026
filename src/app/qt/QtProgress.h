#pragma once
// The Progress port on the main window: the status panes 120 / 121 / 123, the ribbon's progress
// bar ID_PROGRESS1, the wait cursor, and a repaint that lets the window draw itself during a
// long command without taking any input.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include "common/Progress.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace folidex {

class QtProgress : public QObject, public Progress {
  Q_OBJECT

 public:
  explicit QtProgress(QObject* parent = nullptr);

  // The widgets it drives, once the main frame has built them.
  void Attach(QLabel* urlPane, QLabel* downloadPane, QLabel* timePane, QProgressBar* bar);

  void SetPaneText(StatusPane pane, const std::string& cp932) override;
  void SetProgressBar(int percent) override;
  void BeginWait() override;
  void EndWait() override;
  void Repaint() override;

  // True while a command holds the wait cursor (the frame refuses to close meanwhile).
  bool Busy() const { return waitDepth_ > 0; }

 public slots:
  // Pane 121's busy animation while the HTML area loads a page.
  void SetLoading(bool busy);

 private:
  void AdvanceAnimation();

  QPointer<QLabel> panes_[3];
  QPointer<QProgressBar> bar_;
  QTimer* animation_;
  int frame_ = 0;
  int waitDepth_ = 0;
  QElapsedTimer sinceRepaint_;
};

}  // namespace folidex
