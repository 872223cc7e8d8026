#pragma once
// The settings sheet as a command, the storage location asked for at start-up, and the folder
// chooser of the sheet's pages.

#include <QString>
#include <string>

#include "common/PathText.h"
#include "common/qt/Services.h"

class QWidget;

namespace folidex {

// Opens the sheet "環境設定" on "全般" and writes its values when confirmed: a changed storage
// location with a fresh serial count, every KanSet value, then (Word output set to "save"
// without a folder) 30028 and the sheet again on "HTMLエリア". 1 confirmed, 0 cancelled.
int EditSettings(Services& services, QWidget* owner);

// KanSet/StorePath, asking 30016 and opening the sheet when it is empty. A returned location
// is the store's location from now on; empty when the user declines.
NativePath RequireStorePath(Services& services, QWidget* owner);

// A folder chooser titled "フォルダの指定"; starts at the user's home folder when `initial` is
// not an absolute path. Empty when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& initial);

}  // namespace folidex
