#include "app/qt/QtProgress.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "common/qt/QtText.h"

namespace folidex {
namespace {

int PaneIndex(StatusPane pane) {
  switch (pane) {
    case StatusPane::Url:
      return 0;
    case StatusPane::Download:
      return 1;
    case StatusPane::ProcessingTime:
      return 2;
  }
  return 0;
}

constexpr int kAnimationFrames = 8;

}  // namespace

QtProgress::QtProgress(QObject* parent) : QObject(parent), animation_(new QTimer(this)) {
  animation_->setInterval(300);
  connect(animation_, &QTimer::timeout, this, &QtProgress::AdvanceAnimation);
}

void QtProgress::Attach(QLabel* urlPane, QLabel* downloadPane, QLabel* timePane, QProgressBar* bar) {
  panes_[0] = urlPane;
  panes_[1] = downloadPane;
  panes_[2] = timePane;
  bar_ = bar;
}

void QtProgress::SetPaneText(StatusPane pane, const std::string& cp932) {
  QLabel* label = panes_[PaneIndex(pane)];
  if (!label) return;
  label->setText(ToQString(cp932));
  label->repaint();
}

void QtProgress::SetProgressBar(int percent) {
  if (bar_) bar_->setValue(percent);
}

void QtProgress::BeginWait() {
  if (waitDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtProgress::EndWait() {
  if (waitDepth_ == 0) return;
  if (--waitDepth_ == 0) QApplication::restoreOverrideCursor();
}

void QtProgress::Repaint() {
  // Paint what changed and let the window system's paint and expose events through, at most
  // every 40 ms; keyboard and mouse input waits until the command has ended.
  if (sinceRepaint_.isValid() && sinceRepaint_.elapsed() < 40) return;
  for (QLabel* label : panes_)
    if (label) label->repaint();
  if (bar_) bar_->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  sinceRepaint_.restart();
}

void QtProgress::SetLoading(bool busy) {
  if (busy) {
    frame_ = 0;
    AdvanceAnimation();
    animation_->start();
  } else {
    animation_->stop();
    if (panes_[1]) panes_[1]->clear();
  }
}

void QtProgress::AdvanceAnimation() {
  QLabel* label = panes_[1];
  if (!label) return;
  // A dot that runs along a row of rings.
  QString strip;
  for (int i = 0; i < kAnimationFrames; ++i) strip += i == frame_ ? QChar(0x25CF) : QChar(0x25CB);
  label->setText(strip);
  frame_ = (frame_ + 1) % kAnimationFrames;
}

}  // namespace folidex
