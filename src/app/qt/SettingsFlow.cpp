#include "app/qt/SettingsFlow.h"

#include <QDir>
#include <QFileDialog>

#include "app/CMainSheet.h"
#include "app/ShellRules.h"
#include "common/HtmlArea.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "common/qt/QtText.h"
#include "store/Store.h"

namespace folidex {
namespace {

std::function<QString(const QString&)>& BrowseScript() {
  static std::function<QString(const QString&)> script;
  return script;
}

}  // namespace

void SetBrowseForFolderScript(std::function<QString(const QString& initial)> script) {
  BrowseScript() = std::move(script);
}

QString BrowseForFolder(QWidget* owner, const QString& initial) {
  QString start = initial;
  if (start.isEmpty() || !QDir::isAbsolutePath(start) || start.startsWith(QStringLiteral("//")))
    start = QDir::homePath();
  if (BrowseScript()) return BrowseScript()(start);
  QFileDialog dialog(owner, QStringLiteral("フォルダの指定"), start);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("フォルダを指定してください"));
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("選択"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("キャンセル"));
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : QDir::cleanPath(chosen.first());
}

int EditSettings(Services& services, QWidget* owner) {
  int startPage = 0;
  // The home page the HTML area had before the sheet first opened.
  const std::string oldHome = services.settings.GetText(setting::Home);
  for (;;) {
    SheetValues values = LoadSheetValues(services.settings, services.store.Location());
    CMainSheet sheet(services, values, owner);
    sheet.SetStartPage(startPage);
    if (sheet.exec() != QDialog::Accepted) return 0;
    values = sheet.Values();
    if (values.storePath != services.store.Location())
      ChangeStoreLocation(values.storePath, services.store, services.settings, services.prompter, services.progress);
    WriteSheetValues(values, services.settings);
    if (values.dspWord == 0 && values.wordStorePath.empty()) {
      services.prompter.Error(Msg::FolderRequired);
      startPage = 1;
      continue;
    }
    if (values.home != oldHome && services.html) services.html->Navigate2(values.home);
    return 1;
  }
}

std::string RequireStorePath(Services& services, QWidget* owner) {
  std::string path = services.settings.GetText(setting::StorePath);
  if (path.empty()) {
    if (services.prompter.AskYesNo(Msg::StorePathMissingQuestion) != Answer::Yes) return {};
    if (EditSettings(services, owner) == 0) return {};
    path = services.settings.GetText(setting::StorePath);
    if (path.empty()) return {};
  }
  services.store.SetLocation(path);
  return path;
}

}  // namespace folidex
