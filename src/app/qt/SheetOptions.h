#pragma once
// The check boxes of the settings sheet's pages: each shows one working value (0/1) and sets
// it when clicked.

#include <initializer_list>

#include "app/ShellRules.h"

class QVBoxLayout;
class QWidget;

namespace folidex {

struct SheetOption {
  const char* id;     // objectName
  const char* label;  // UTF-8
  long SheetValues::*value;
};

void AddSheetOptions(QWidget* page, QVBoxLayout* layout, SheetValues& values,
                     std::initializer_list<SheetOption> options);

}  // namespace folidex
