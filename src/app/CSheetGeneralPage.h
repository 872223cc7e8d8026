#pragma once
// The settings sheet's page "全般": the storage location and the start-up options.

#include <QWidget>

class QLabel;
class QPushButton;

#include "app/ShellRules.h"
#include "common/qt/Services.h"

namespace folidex {

class CSheetGeneralPage : public QWidget {
  Q_OBJECT

 public:
  CSheetGeneralPage(Services& services, SheetValues& values, QWidget* parent = nullptr);

 private:
  // The trash's size beside its button, which is enabled while the trash holds something.
  void ShowTrashSize();

  Services& services_;
  SheetValues& values_;
  QLabel* trashSize_ = nullptr;
  QPushButton* emptyTrash_ = nullptr;
};

}  // namespace folidex
