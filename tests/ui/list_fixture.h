#pragma once

#include <filesystem>
// A list view on a temporary store with in-memory settings and scripted answers.

#include <memory>

#include <QAction>
#include <string>
#include <vector>

#include "common/qt/Services.h"
#include "dialogs/qt/RecordDialogs.h"
#include "list/CLeftView.h"
#include "list/ListRows.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

namespace folidex::test {

struct ListFixture {
  TempDir dir;
  MemorySettings settings;
  ScriptedPrompter prompter;
  FixedClock clock;
  RecordingProgress progress;
  Store store{settings, prompter};
  ListRows list;
  Services services{settings, prompter, clock, progress, store, list};

  ListFixture() {
    store.SetLocation(NativePath(dir.path()));
    std::filesystem::create_directories(dir.path() + "/DOCDATA");
  }

  // A list view whose record-dialog commands run as the main frame runs them.
  std::unique_ptr<CLeftView> MakeView() {
    auto view = std::make_unique<CLeftView>(services);
    CLeftView* raw = view.get();
    QObject::connect(raw->CommandAction(CLeftView::kKeywordEdit), &QAction::triggered, raw,
                     [this, raw] { RunKeywordEdit(services, raw); });
    QObject::connect(raw->CommandAction(CLeftView::kShowText), &QAction::triggered, raw,
                     [this, raw] { RunTextDialog(services, raw); });
    QObject::connect(raw->CommandAction(CLeftView::kProperties), &QAction::triggered, raw,
                     [this, raw] { RunPropertyDialog(services, raw); });
    view->resize(1400, 420);
    for (int i = 0; i < ListRows::kColumns; ++i) view->setColumnWidth(i, 70);
    view->show();
    return view;
  }

  // A row whose record has no reachable PDF (TY "I" without a copy).
  void AddRow(const std::string& serial, const std::string& title, bool selected = false) {
    ListRows::Cells cells;
    cells[0] = std::to_string(list.RowCount() + 1);
    cells[1] = serial;
    cells[2] = "\x81\x7E";
    cells[3] = title;
    cells[4] = "WWWWWWWW";
    cells[6] = J("会議");
    cells[9] = "I";
    cells[11] = "1,234";
    list.AppendRow(cells, selected);
  }
};

}  // namespace folidex::test
