#pragma once
// The bar's bookmark menu on Qt: the popup built from the bookmark slots (actions named after
// their command numbers "9000" .. "9015", "9098", "9099", "9100", the last three with pictures),
// shown at the pointer, and the chosen command run against the HTML area, the settings and the
// prompter: a slot navigates, a slot chosen with Ctrl held deletes, 9098 shows the last page,
// 9099 adds the current page, 9100 opens CBmDlg. A slot's context menu (right click) holds
// 削除, which deletes it with the same question.

#include <QPoint>
#include <functional>
#include <memory>

class QMenu;
class QToolButton;
class QWidget;

namespace folidex {

class HtmlArea;
class Prompter;
class Settings;

class BookmarkMenu {
 public:
  // `owner` holds the popup and the edit dialog.
  BookmarkMenu(Settings& settings, Prompter& prompter, HtmlArea& html, QWidget* owner);

  // The popup of the slots as they are now.
  std::unique_ptr<QMenu> Build() const;

  // Nothing while Ctrl is held; otherwise shows the popup at `at` and runs the choice (with Ctrl
  // held at the moment of choosing, a slot is deleted instead of opened).
  void Open(const QPoint& at, bool ctrlDown);

  // One command of the menu.
  void Run(int id, bool ctrlDown);

  // The edit dialog, modal.
  void EditBookmarks();

 private:
  Settings& settings_;
  Prompter& prompter_;
  HtmlArea& html_;
  QWidget* owner_;
};

// What the bar's bookmark button does: the menu at the pointer, unless Ctrl is down.
std::function<void(QToolButton*)> BookmarkButtonHandler(Settings& settings, Prompter& prompter, HtmlArea& html);

}  // namespace folidex
