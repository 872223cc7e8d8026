#include "app/qt/SettingsFlow.h"

#include <QDir>

#include "app/CMainSheet.h"
#include "app/ShellRules.h"
#include "common/HtmlArea.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "common/qt/Modal.h"
#include "common/qt/QtText.h"
#include "store/Store.h"
#include "store/StoreLocation.h"

namespace folidex {
QString BrowseForFolder(QWidget* owner, const QString& initial) {
  QString start = initial;
  if (start.isEmpty() || !QDir::isAbsolutePath(start) || start.startsWith(QStringLiteral("//")))
    start = QDir::homePath();
  return Modal::ChooseFolder(owner, start);
}

int EditSettings(Services& services, QWidget* owner) {
  int startPage = 0;
  // The home page the HTML area had before the sheet first opened.
  const std::string oldHome = services.settings.GetText(setting::Home);
  for (;;) {
    SheetValues values = LoadSheetValues(services.settings, services.store.Location());
    CMainSheet sheet(services, values, owner);
    sheet.SetStartPage(startPage);
    if (Modal::Run(sheet) != QDialog::Accepted) return 0;
    values = sheet.Values();
    WriteSheetValues(values, services.settings);
    if (values.storePath.empty()) {
      // Confirmed without a storage location (the first start): the sheet stays until one is
      // chosen or the user cancels.
      services.prompter.Information(Msg::StoreLocationRequired);
      startPage = 0;
      continue;
    }
    if (values.storePath != services.store.Location() &&
        !ChangeStoreLocation(values.storePath, services.store, services.settings, services.prompter,
                             services.progress)) {
      // The change was refused with its message: the sheet opens again on 全般 so the user can
      // choose another folder.
      startPage = 0;
      continue;
    }
    if (values.dspWord == 0 && values.wordStorePath.empty()) {
      services.prompter.Error(Msg::FolderRequired);
      startPage = 1;
      continue;
    }
    if (values.home != oldHome && services.html) services.html->Navigate2(Cp932ToUtf8(values.home));
    return 1;
  }
}

NativePath RequireStorePath(Services& services, QWidget* owner) {
  NativePath path = services.settings.GetPath(setting::StorePath);
  if (path.empty()) {
    if (services.prompter.AskYesNo(Msg::StorePathMissingQuestion) != Answer::Yes) return {};
    if (EditSettings(services, owner) == 0) return {};
    path = services.settings.GetPath(setting::StorePath);
    if (path.empty()) return {};
  }
  services.store.SetLocation(path);
  return path;
}

}  // namespace folidex
