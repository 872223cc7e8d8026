#pragma once
// The property dialog "データのプロパティ": one list row's record — its six descriptive fields
// (title, author, subtitle, keywords, creation and modification date) editable, the rest shown
// read-only — saved into the record file and the row, with steps to the previous and next row,
// the PDF's folder in the file manager and the source address in the HTML area.

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "dialogs/PropertyEdit.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace folidex {

class DesktopOpener;
class HtmlArea;

class CPropertyDlg : public QDialog {
  Q_OBJECT

 public:
  // `html` may be null (no HTML area): the source button then does nothing.
  CPropertyDlg(Store& store, Prompter& prompter, ListRows& list, int row, DesktopOpener& opener, HtmlArea* html,
               QWidget* parent = nullptr);
  ~CPropertyDlg() override;

  const PropertyEditor& Editor() const { return *editor_; }
  // Told the row shown after each step (the list scrolls it into view).
  void SetRowShown(std::function<void(int row)> shown) { rowShown_ = std::move(shown); }

  // The editable fields 4402..4407 (index 0..5) and the read-only values by column (1..15).
  QLineEdit* Field(int index) const { return fields_[index]; }
  QWidget* Value(int column) const { return values_[column - kFirstShownColumn]; }
  // The six texts as typed, CP932. A field left as loaded gives the loaded bytes exactly.
  PropertyTexts Current() const;

 public slots:
  void OnSaveAndClose();    // 1
  void OnUpdate();          // 1004
  void OnPrevious();        // 1010
  void OnNext();            // 1011
  void OnOpenFolder();      // 1001
  void OnShowSource();      // 1002
  void OnPaste(int index);  // 1006 (title, 0) and 1007 (author, 1)

 private:
  void Fill();
  void Step(int direction);

  Prompter& prompter_;
  DesktopOpener& opener_;
  HtmlArea* html_;
  std::unique_ptr<PropertyEditor> editor_;
  std::function<void(int)> rowShown_;
  std::array<QLineEdit*, kPropertyFieldCount> fields_{};
  std::array<QWidget*, kLastShownColumn> values_{};
  std::array<QToolButton*, 2> undo_{};
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* folder_ = nullptr;
  QPushButton* source_ = nullptr;
};

}  // namespace folidex
