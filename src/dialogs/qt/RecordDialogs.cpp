#include "dialogs/qt/RecordDialogs.h"

#include "common/Cp932.h"
#include "common/Prompter.h"
#include "common/qt/Modal.h"
#include "common/qt/QtDesktopOpener.h"
#include "dialogs/BodyTextEdit.h"
#include "dialogs/CPropertyDlg.h"
#include "dialogs/CRenameDlg.h"
#include "dialogs/CTextDlg.h"
#include "dialogs/KeywordEdit.h"
#include "list/ListRows.h"
#include "search/Places.h"

namespace folidex {

void RunKeywordEdit(Services& services, QWidget* owner) {
  KeywordEditCommand(services.list, services.store, services.prompter, services.progress,
                     [&services, owner](const std::string& initial) -> std::optional<std::string> {
                       CRenameDlg dialog(services.store, services.prompter, false, Utf8ToCp932("キーワード"), initial,
                                         owner);
                       if (Modal::Run(dialog) != QDialog::Accepted) return std::nullopt;
                       return dialog.Name();
                     });
}

void RunTextDialog(Services& services, QWidget* owner, const PlaceMatcher* places, const QString& typedTerm) {
  const int row = services.list.FirstSelectedRow();
  if (row < 0) return;
  const std::string serial = services.list.Cell(row, ListColumn::SerialNo);
  if (!LoadTextRecord(services.store, services.prompter, serial)) return;
  CTextDlg dialog(services.store, services.prompter, services.settings, services.list, serial, owner);
  if (places && places->HasTerm()) {
    const std::string& text = services.store.WorkingRecord()[FieldTag::TX];
    const std::vector<Span> spans = places->Find(text, true);
    dialog.ShowPlace(typedTerm, spans.empty() ? std::nullopt : std::optional<Span>(spans.front()));
  }
  Modal::Run(dialog);
}

void RunPropertyDialog(Services& services, QWidget* owner, std::function<void(int row)> rowShown) {
  const int row = services.list.FirstSelectedRow();
  if (row < 0) return;
  QtDesktopOpener opener;
  CPropertyDlg dialog(services.store, services.prompter, services.list, row, opener, services.html, owner);
  dialog.SetRowShown(std::move(rowShown));
  Modal::Run(dialog);
}

std::optional<std::string> RenameSavedList(Services& services, const std::string& oldName, QWidget* owner) {
  CRenameDlg dialog(services.store, services.prompter, true, Utf8ToCp932("リスト名"), oldName, owner);
  if (Modal::Run(dialog) != QDialog::Accepted) return std::nullopt;
  return dialog.Name();
}

}  // namespace folidex
