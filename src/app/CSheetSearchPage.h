#pragma once
// The settings sheet's page "検索": the hit limit and the two search options.

#include <QWidget>

#include "app/ShellRules.h"

namespace folidex {

class CSheetSearchPage : public QWidget {
  Q_OBJECT

 public:
  CSheetSearchPage(SheetValues& values, QWidget* parent = nullptr);

 private:
  SheetValues& values_;
};

}  // namespace folidex
