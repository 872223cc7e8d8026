#include "dialogs/qt/RecordDialogs.h"

#include "common/Cp932.h"
#include "common/Prompter.h"
#include "common/qt/Modal.h"
#include "dialogs/CRenameDlg.h"
#include "dialogs/KeywordEdit.h"
#include "list/ListRows.h"

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

void RunTextDialog(Services& services, QWidget*) {
  // The text dialog is not part of this version yet.
  if (services.list.FirstSelectedRow() >= 0) services.prompter.Information(Msg::NotAvailableYet);
}

void RunPropertyDialog(Services& services, QWidget*) {
  // The property dialog is not part of this version yet.
  if (services.list.FirstSelectedRow() >= 0) services.prompter.Information(Msg::NotAvailableYet);
}

std::optional<std::string> RenameSavedList(Services& services, const std::string& oldName, QWidget* owner) {
  CRenameDlg dialog(services.store, services.prompter, true, Utf8ToCp932("リスト名"), oldName, owner);
  if (Modal::Run(dialog) != QDialog::Accepted) return std::nullopt;
  return dialog.Name();
}

}  // namespace folidex
