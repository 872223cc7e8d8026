#pragma once
// The settings sheet "環境設定": the pages 全般, HTMLエリア and 検索 over one set of working
// values, "保存して終了(&H)" and "中止(&C)" at its foot.

#include <QDialog>

#include "app/ShellRules.h"
#include "common/qt/Services.h"

class QTabWidget;

namespace folidex {

class CMainSheet : public QDialog {
  Q_OBJECT

 public:
  CMainSheet(Services& services, const SheetValues& values, QWidget* owner = nullptr);

  // 0 全般, 1 HTMLエリア, 2 検索.
  void SetStartPage(int page);
  int CurrentPage() const;
  const SheetValues& Values() const { return values_; }

 private:
  SheetValues values_;
  QTabWidget* pages_;
};

}  // namespace folidex
