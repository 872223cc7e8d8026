#pragma once
// The settings sheet's page "全般": the storage location and the start-up options.

#include <QWidget>

#include "app/ShellRules.h"

namespace folidex {

class CSheetGeneralPage : public QWidget {
  Q_OBJECT

 public:
  CSheetGeneralPage(SheetValues& values, QWidget* parent = nullptr);

 private:
  SheetValues& values_;
};

}  // namespace folidex
