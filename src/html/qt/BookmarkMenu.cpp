#include "html/qt/BookmarkMenu.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>

#include "common/qt/QtText.h"
#include "html/Bookmarks.h"
#include "html/CBmDlg.h"

namespace folidex {
namespace {

QIcon ItemIcon(const QWidget* widget, int id) {
  switch (id) {
    case kLastPageId:
      return QIcon::fromTheme(QStringLiteral("go-jump"), widget->style()->standardIcon(QStyle::SP_BrowserReload));
    case kAddPageId:
      return QIcon::fromTheme(QStringLiteral("bookmark-new"),
                              widget->style()->standardIcon(QStyle::SP_FileDialogNewFolder));
    case kEditBookmarksId:
      return QIcon::fromTheme(QStringLiteral("document-edit"),
                              widget->style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    default:
      return {};
  }
}

// Remembers the keyboard modifiers of the input that chose an item (a click or a key press).
class ChoiceModifiers : public QObject {
 public:
  Qt::KeyboardModifiers modifiers;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonRelease || e->type() == QEvent::KeyPress)
      modifiers = static_cast<QInputEvent*>(e)->modifiers();
    return QObject::eventFilter(watched, e);
  }
};

bool CtrlHeldNow() { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier); }

// The menu's property that names the slot its context menu's 削除 chose.
constexpr char kDeleteSlot[] = "folidexDeleteSlot";

// A bookmark's context menu holds 削除: chosen, the bookmark menu closes and remembers the slot;
// the deletion (with its question) runs once the menu is gone.
void OfferDeleteOnContextMenu(QMenu* menu) {
  menu->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(menu, &QWidget::customContextMenuRequested, menu, [menu](const QPoint& pos) {
    QAction* action = menu->actionAt(pos);
    if (!action || action->isSeparator()) return;
    const int slot = action->data().toInt() - kBookmarkFirstId;
    if (slot < 0 || slot >= kBookmarkSlots) return;
    QMenu context(menu);
    context.setObjectName(QStringLiteral("BookmarkContextMenu"));
    QAction* remove = context.addAction(
        QIcon::fromTheme(QStringLiteral("edit-delete"), menu->style()->standardIcon(QStyle::SP_TrashIcon)),
        QStringLiteral("削除"));
    remove->setObjectName(QStringLiteral("Delete"));
    if (context.exec(menu->mapToGlobal(pos)) != remove) return;
    menu->setProperty(kDeleteSlot, slot);
    menu->close();
  });
}

}  // namespace

BookmarkMenu::BookmarkMenu(Settings& settings, Prompter& prompter, HtmlArea& html, QWidget* owner)
    : settings_(settings), prompter_(prompter), html_(html), owner_(owner) {}

std::unique_ptr<QMenu> BookmarkMenu::Build() const {
  auto menu = std::make_unique<QMenu>(owner_);
  menu->setObjectName(QStringLiteral("BookmarkMenu"));
  for (const BookmarkMenuItem& item : BuildBookmarkMenu(settings_)) {
    if (item.id == 0) {
      menu->addSeparator();
      continue;
    }
    QString text = ToQString(item.text);
    // A bookmark's name is shown as it is: "&" is not a mnemonic there.
    if (item.id < kLastPageId) text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* action = menu->addAction(ItemIcon(menu.get(), item.id), text);
    action->setObjectName(QString::number(item.id));
    action->setData(item.id);
    action->setEnabled(item.enabled);
  }
  OfferDeleteOnContextMenu(menu.get());
  return menu;
}

void BookmarkMenu::Open(const QPoint& at, bool ctrlDown) {
  if (ctrlDown) return;
  std::unique_ptr<QMenu> menu = Build();
  ChoiceModifiers choice;
  menu->installEventFilter(&choice);
  QAction* chosen = menu->exec(at);
  const QVariant deleteSlot = menu->property(kDeleteSlot);
  if (deleteSlot.isValid()) {
    menu.reset();
    Run(kBookmarkFirstId + deleteSlot.toInt(), true);
    return;
  }
  if (!chosen) return;
  const int id = chosen->data().toInt();
  const bool ctrl = choice.modifiers.testFlag(Qt::ControlModifier) || CtrlHeldNow();
  menu.reset();
  Run(id, ctrl);
}

void BookmarkMenu::Run(int id, bool ctrlDown) {
  if (RunBookmarkCommand(id, ctrlDown, settings_, prompter_, html_) == BookmarkCommandResult::OpenEditor)
    EditBookmarks();
}

void BookmarkMenu::EditBookmarks() {
  CBmDlg dialog(settings_, prompter_, owner_ ? owner_->window() : nullptr);
  dialog.exec();
}

std::function<void(QToolButton*)> BookmarkButtonHandler(Settings& settings, Prompter& prompter, HtmlArea& html) {
  return [&settings, &prompter, &html](QToolButton* button) {
    const QPoint at = QCursor::pos();  // where the button was clicked
    const bool ctrl = CtrlHeldNow();
    BookmarkMenu(settings, prompter, html, button).Open(at, ctrl);
  };
}

}  // namespace folidex
