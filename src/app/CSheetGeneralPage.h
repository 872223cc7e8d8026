#pragma once
// The settings sheet's page "全般": the storage location, the start-up options, the trash and
// the inbox.

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

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
  // The group 受信フォルダ: the folder (参照), the switch, keep or move, and the recent log.
  void AddInboxGroup(QVBoxLayout* layout);

  Services& services_;
  SheetValues& values_;
  QLabel* trashSize_ = nullptr;
  QPushButton* emptyTrash_ = nullptr;
};

}  // namespace folidex
