#include "html/qt/QtViewerBridge.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QThread>

#include "common/qt/QtText.h"
#include "pdf/DocumentText.h"

namespace folidex {
namespace {

QWidget* AsWidget(ViewerWindow window) { return const_cast<QWidget*>(static_cast<const QWidget*>(window)); }

}  // namespace

ViewerWindow QtViewerBridge::ViewWindow() { return view_.data(); }

std::vector<ViewerWindow> QtViewerBridge::ChildWindows(ViewerWindow window) {
  std::vector<ViewerWindow> children;
  if (!window) return children;
  for (QWidget* child : AsWidget(window)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) children.push_back(child);
  return children;
}

std::string QtViewerBridge::WindowText(ViewerWindow window) {
  return window ? ToCp932(AsWidget(window)->windowTitle()) : std::string();
}

bool QtViewerBridge::SeedClipboard(ViewerWindow, const std::string& cp932) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(ToQString(cp932));
  return true;
}

std::string QtViewerBridge::ReadClipboardText(ViewerWindow) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return "TEXT";
  const QMimeData* data = clipboard->mimeData();
  if (!data || !data->hasText()) return {};
  // The viewer's text arrives as UTF-16 and takes the same way into CP932 as the engine's page
  // texts (NFC, spacing, line breaks, characters without a CP932 form).
  const QString text = data->text();
  return PrepareBodyText(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

void QtViewerBridge::SetFocus(ViewerWindow window) {
  if (window) AsWidget(window)->setFocus(Qt::OtherFocusReason);
}

void QtViewerBridge::SetKeyDown(ViewerKey modifier, bool down) {
  const Qt::KeyboardModifier flag = modifier == ViewerKey::Shift ? Qt::ShiftModifier : Qt::ControlModifier;
  modifiers_.setFlag(flag, down);
}

void QtViewerBridge::PostKey(ViewerWindow window, ViewerKey key) {
  if (!window) return;
  const int code = key == ViewerKey::A ? Qt::Key_A : key == ViewerKey::C ? Qt::Key_C : Qt::Key_Home;
  const QString text = key == ViewerKey::A   ? QStringLiteral("a")
                       : key == ViewerKey::C ? QStringLiteral("c")
                                             : QString();
  QWidget* target = AsWidget(window);
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, code, modifiers_, text));
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, code, modifiers_, text));
}

void QtViewerBridge::Repaint(ViewerWindow window, bool invalidate) {
  if (!window) return;
  QWidget* widget = AsWidget(window);
  if (invalidate) widget->update();
  widget->repaint();
}

void QtViewerBridge::Sleep(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, static_cast<int>(deadline.remainingTime()));
    QThread::msleep(static_cast<unsigned long>(std::min<qint64>(5, std::max<qint64>(0, deadline.remainingTime()))));
  }
}

}  // namespace folidex
