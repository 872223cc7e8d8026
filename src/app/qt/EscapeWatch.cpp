#include "app/qt/EscapeWatch.h"

#include <QApplication>
#include <QKeyEvent>

namespace folidex {
namespace {

constexpr int kPumpMilliseconds = 25;

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
      return true;
    default:
      return false;
  }
}

}  // namespace

EscapeWatch::EscapeWatch() {
  qApp->installEventFilter(this);
  sincePump_.start();
}

EscapeWatch::~EscapeWatch() { qApp->removeEventFilter(this); }

bool EscapeWatch::Cancelled() {
  if (!cancelled_ && sincePump_.elapsed() >= kPumpMilliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sincePump_.restart();
  }
  return cancelled_;
}

bool EscapeWatch::eventFilter(QObject* watched, QEvent* event) {
  // A message box of the command answers its own keys and clicks (its Esc closes it).
  if (QApplication::activeModalWidget() || !IsUserInput(event->type())) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) cancelled_ = true;
  }
  // Accepted as a shortcut override, a key is not looked up among the shortcuts at all.
  if (event->type() == QEvent::ShortcutOverride) event->accept();
  return true;
}

}  // namespace folidex
