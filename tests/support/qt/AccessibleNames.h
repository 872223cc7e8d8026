#pragma once
// For widget tests: the controls a screen reader could not name.

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QWidget>

namespace folidex::test {

// The object names of the controls below `root` (buttons, line and text edits, spin boxes, combo
// boxes) whose accessible name is empty. Qt's own inner parts of a control (a spin box's edit, a
// combo box's line edit) are left out.
inline QStringList NamelessControls(QWidget* root) {
  QStringList nameless;
  for (QWidget* control : root->findChildren<QWidget*>()) {
    const bool isControl = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
                           qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QComboBox*>(control) ||
                           qobject_cast<QPlainTextEdit*>(control);
    if (!isControl) continue;
    QWidget* parent = control->parentWidget();
    if (qobject_cast<QAbstractSpinBox*>(parent) || qobject_cast<QComboBox*>(parent)) continue;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
      nameless << (control->objectName().isEmpty() ? QString::fromLatin1(control->metaObject()->className())
                                                   : control->objectName());
  }
  return nameless;
}

}  // namespace folidex::test
