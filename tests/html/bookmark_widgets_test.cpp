// The bookmark menu and the edit dialog on real widgets (offscreen), and the reading of a
// drop's data for the list area.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "FakeHtmlArea.h"
#include "common/Settings.h"
#include "common/qt/QtText.h"
#include "html/Bookmarks.h"
#include "html/CBmDlg.h"
#include "html/CTopBar.h"
#include "html/qt/BookmarkMenu.h"
#include "html/qt/LinkDropData.h"
#include "support/TestSupport.h"
#include "support/qt/AccessibleNames.h"

using namespace folidex;
using namespace folidex::test;

namespace {

// Runs `step` on the first popup menu or modal dialog that opens, once the event loop runs.
void WhenOpened(std::function<void(QWidget*)> step) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, step] {
    QWidget* opened = QApplication::activePopupWidget();
    if (!opened) opened = QApplication::activeModalWidget();
    if (!opened || !opened->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    step(opened);
  });
  timer->start();
}

void ClickAction(QWidget* popup, const char* id, Qt::KeyboardModifiers modifiers = {}) {
  auto* menu = qobject_cast<QMenu*>(popup);
  QVERIFY(menu);
  auto* action = menu->findChild<QAction*>(QString::fromLatin1(id));
  QVERIFY(action);
  QTest::mouseClick(menu, Qt::LeftButton, modifiers, menu->actionGeometry(action).center());
}

}  // namespace

class BookmarkWidgetsTest : public QObject {
  Q_OBJECT

  MemorySettings settings_;
  ScriptedPrompter prompter_;
  FakeHtmlArea html_;

  void Put(int slot, const char* name, const char* url) { WriteBookmarkSlot(settings_, slot, {J(name), url}); }
  std::string Name(int slot) { return settings_.GetText(setting::BookmarkName(slot)); }

 private slots:
  void init() {
    settings_.Clear();
    prompter_ = ScriptedPrompter();
    html_ = FakeHtmlArea();
    Put(0, "ニュース", "https://news.example/");
    Put(1, "R&D 資料", "https://rd.example/%E8%B3%87%E6%96%99.pdf");
    Put(3, "hidden", "https://hidden.example/");
  }

  void menuHoldsTheBookmarksInUseAndTheThreeCommands() {
    QWidget owner;
    BookmarkMenu bookmarks(settings_, prompter_, html_, &owner);
    std::unique_ptr<QMenu> menu = bookmarks.Build();
    QStringList ids;
    for (QAction* action : menu->actions()) ids << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    QCOMPARE(ids, (QStringList{"9000", "9001", "-", "9098", "9099", "9100"}));
    auto action = [&](const char* id) { return menu->findChild<QAction*>(QString::fromLatin1(id)); };
    QCOMPARE(action("9001")->text(), QStringLiteral("R&&D 資料"));  // shown with its "&"
    QCOMPARE(action("9099")->text(), QStringLiteral("現在のページを追加 (削除 Ctrl+Click)"));
    QVERIFY(!action("9098")->isEnabled());
    for (const char* id : {"9098", "9099", "9100"}) QVERIFY2(!action(id)->icon().isNull(), id);

    settings_.SetText(setting::DspPage, "https://last.example/");
    QVERIFY(bookmarks.Build()->findChild<QAction*>(QStringLiteral("9098"))->isEnabled());
  }

  void choosingNavigatesAndCtrlChoosingDeletes() {
    QWidget owner;
    BookmarkMenu bookmarks(settings_, prompter_, html_, &owner);
    WhenOpened([](QWidget* popup) { ClickAction(popup, "9001"); });
    bookmarks.Open(QPoint(100, 100), false);
    QCOMPARE(html_.navigated, std::vector<std::string>{"https://rd.example/%E8%B3%87%E6%96%99.pdf"});

    prompter_.answers = {Answer::Yes};
    WhenOpened([](QWidget* popup) { ClickAction(popup, "9000", Qt::ControlModifier); });
    bookmarks.Open(QPoint(100, 100), false);
    QCOMPARE(prompter_.TextsUtf8(), std::vector<std::string>{"ニュース\nこのブックマークを削除してもよろしいですか"});
    QCOMPARE(Name(0), J("R&D 資料"));
    QCOMPARE(Name(1), std::string());
    QCOMPARE(html_.navigated.size(), std::size_t{1});

    // The current page, added from the menu, comes first.
    html_.Show("https://example.com/docs/report.pdf");
    WhenOpened([](QWidget* popup) { ClickAction(popup, "9099"); });
    bookmarks.Open(QPoint(100, 100), false);
    QCOMPARE(Name(0), std::string("report.pdf"));
    QCOMPARE(Name(1), J("R&D 資料"));
  }

  void contextMenuDeletesWithTheQuestion() {
    QWidget owner;
    BookmarkMenu bookmarks(settings_, prompter_, html_, &owner);
    // Right click on a bookmark, then 削除 in its context menu; the first time いいえ keeps it.
    auto rightClickDelete = [] {
      WhenOpened([](QWidget* popup) {
        auto* menu = qobject_cast<QMenu*>(popup);
        QVERIFY(menu);
        WhenOpened([](QWidget* context) {
          if (context->objectName() != QStringLiteral("BookmarkContextMenu")) {
            context->close();  // no context menu: the bookmark menu itself
            QFAIL("no context menu");
          }
          ClickAction(context, "Delete");
        });
        // Through the window system, as a real click comes: the press opens the context menu
        // and the release must not choose the bookmark.
        const QPoint at = menu->actionGeometry(menu->findChild<QAction*>(QStringLiteral("9001"))).center();
        QTest::mouseMove(menu->windowHandle(), at);
        QTest::mouseClick(menu->windowHandle(), Qt::RightButton, {}, at);
      });
    };
    prompter_.answers = {Answer::No, Answer::Yes};
    rightClickDelete();
    bookmarks.Open(QPoint(100, 100), false);
    QCOMPARE(prompter_.TextsUtf8(), std::vector<std::string>{"R&D 資料\nこのブックマークを削除してもよろしいですか"});
    QCOMPARE(Name(1), J("R&D 資料"));
    rightClickDelete();
    bookmarks.Open(QPoint(100, 100), false);
    QCOMPARE(Name(0), J("ニュース"));
    QCOMPARE(Name(1), std::string());
    QVERIFY(html_.navigated.empty());
  }

  void ctrlOnTheButtonOpensNoMenu() {
    CTopBar bar;
    bar.SetBookmarkHandler(BookmarkButtonHandler(settings_, prompter_, html_));
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QToolButton* button = bar.BookmarkButton();

    bool popupSeen = false;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&] {
      if (QApplication::activePopupWidget()) {
        popupSeen = true;
        QApplication::activePopupWidget()->close();
      }
    });
    probe.start(20);
    QTest::mouseClick(button, Qt::LeftButton, Qt::ControlModifier);
    QTest::qWait(100);
    QVERIFY(!popupSeen);
    QVERIFY(!button->isChecked());

    // Without Ctrl the menu opens (and is closed here without a choice).
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(popupSeen);
    QVERIFY(!button->isChecked());
    QVERIFY(html_.navigated.empty());
  }

  void dialogLoadsTheBookmarksInUse() {
    CBmDlg dialog(settings_, prompter_);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("ブックマークの編集"));
    QCOMPARE(test::NamelessControls(&dialog), QStringList{});
    QCOMPARE(dialog.LoadedRows(), 2);
    auto edit = [&](int id) { return dialog.findChild<QLineEdit*>(QString::number(id)); };
    QCOMPARE(edit(4700)->text(), QStringLiteral("ニュース"));
    QCOMPARE(edit(4701)->text(), QStringLiteral("R&D 資料"));
    QCOMPARE(edit(4801)->text(), QStringLiteral("https://rd.example/%E8%B3%87%E6%96%99.pdf"));
    QVERIFY(edit(4700)->isEnabled() && edit(4701)->isEnabled());
    for (int id = 4702; id <= 4715; ++id) QVERIFY(!edit(id)->isEnabled());
    QCOMPARE(edit(4702)->text(), QString());  // slot 3 lies after the first empty name
    for (int id = 4800; id <= 4815; ++id) QVERIFY(edit(id)->isReadOnly());

    QStringList labels;
    for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
    for (const char* text : {"名前 :", "URL :", "1 :", "9 :", "10:", "16:"})
      QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    QVERIFY(
        dialog.findChild<QLabel*>(QStringLiteral("Footnote"))->text().startsWith(QStringLiteral("※ 「名前」を空欄")));
    auto* save = dialog.findChild<QPushButton*>(QStringLiteral("IDOK"));
    auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
    QCOMPARE(save->text(), QStringLiteral("保存して終了(&S)"));
    QCOMPARE(cancel->text(), QStringLiteral("中止(&C)"));
    QVERIFY(!save->icon().isNull() && !cancel->icon().isNull());

    // Centred on the desktop.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint centre = dialog.screen()->availableGeometry().center();
    QVERIFY((dialog.frameGeometry().center() - centre).manhattanLength() <= 4);
  }

  void dialogDeletesARowAfterTheQuestion() {
    CBmDlg dialog(settings_, prompter_);
    QVERIFY(!dialog.DeleteButton(2)->isEnabled());  // no bookmark in that row
    prompter_.answers = {Answer::No, Answer::Yes};
    dialog.DeleteButton(0)->click();  // いいえ: kept
    QCOMPARE(dialog.LoadedRows(), 2);
    dialog.DeleteButton(0)->click();
    QVERIFY(prompter_.ShowedMessage(Msg::DeleteBookmarkQuestion));
    QCOMPARE(dialog.LoadedRows(), 1);
    QCOMPARE(dialog.NameEdit(0)->text(), QStringLiteral("R&D 資料"));
    QVERIFY(!dialog.NameEdit(1)->isEnabled() && !dialog.DeleteButton(1)->isEnabled());
    QCOMPARE(Name(0), J("R&D 資料"));  // stored at once
  }

  void dialogRefusesEmptyNamesAndNamesThatWouldChange() {
    CBmDlg dialog(settings_, prompter_);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QLineEdit* first = dialog.NameEdit(0);
    QLineEdit* second = dialog.NameEdit(1);
    auto* save = dialog.findChild<QPushButton*>(QStringLiteral("IDOK"));

    second->clear();
    save->click();
    QVERIFY(prompter_.ShowedMessage(Msg::NameEmpty));
    QVERIFY(dialog.isVisible());
    QTRY_VERIFY(second->hasFocus());

    second->setText(QStringLiteral("資料 😀"));
    first->setFocus();
    save->click();
    QVERIFY(prompter_.ShowedMessage(Msg::BookmarkNameNotStorable));
    QVERIFY(dialog.isVisible());
    QTRY_VERIFY(second->hasFocus());
    QCOMPARE(Name(1), J("R&D 資料"));

    first->setText(QStringLiteral("ニュース速報"));
    second->setText(QStringLiteral("資料〜一覧"));
    save->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Name(0), J("ニュース速報"));
    QCOMPARE(Name(1), J("資料〜一覧"));
    QCOMPARE(settings_.GetText(setting::BookmarkUrl(1)), std::string("https://rd.example/%E8%B3%87%E6%96%99.pdf"));
  }

  void editorFromTheMenuSavesOrCancels() {
    QWidget owner;
    BookmarkMenu bookmarks(settings_, prompter_, html_, &owner);
    WhenOpened([](QWidget* opened) {
      auto* dialog = qobject_cast<CBmDlg*>(opened);
      QVERIFY(dialog);
      dialog->NameEdit(0)->setText(QStringLiteral("変更しない"));
      dialog->findChild<QPushButton*>(QStringLiteral("IDCANCEL"))->click();
    });
    bookmarks.Run(kEditBookmarksId, false);
    QCOMPARE(Name(0), J("ニュース"));

    WhenOpened([](QWidget* opened) {
      auto* dialog = qobject_cast<CBmDlg*>(opened);
      QVERIFY(dialog);
      dialog->NameEdit(0)->setText(QStringLiteral("新聞"));
      dialog->findChild<QPushButton*>(QStringLiteral("IDOK"))->click();
    });
    bookmarks.Run(kEditBookmarksId, false);
    QCOMPARE(Name(0), J("新聞"));
  }

  void dropDataGivesTheDraggedUrls() {
    QMimeData links;
    links.setData(QStringLiteral("text/uri-list"), "# link\r\nhttps://s.example/%E8%B3%87%E6%96%99.pdf\r\n");
    QVERIFY(OffersWebLink(&links));
    QCOMPARE(ReadDroppedLink(&links).fileName, J("資料.pdf"));

    // A browser's link with its title, in UTF-16.
    QMimeData moz;
    const QString value = QStringLiteral("https://r.example/url?q=https%3A%2F%2Fs.example%2Fa.pdf&sa=U\nタイトル");
    moz.setData(QStringLiteral("text/x-moz-url"),
                QByteArray(reinterpret_cast<const char*>(value.utf16()), value.size() * 2));
    QVERIFY(OffersWebLink(&moz));
    QCOMPARE(ReadDroppedLink(&moz).fetchUrl, std::string("https://s.example/a.pdf"));

    // Files are the list area's own; text is nothing.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/資料.pdf"))});
    QVERIFY(!OffersWebLink(&files));
    const DroppedLink drop = ReadDroppedLink(&files);
    QCOMPARE(int(drop.kind), int(DropKind::Files));
    QCOMPARE(drop.files, std::vector<std::string>{"/tmp/資料.pdf"});
    QMimeData text;
    text.setText(QStringLiteral("https://s.example/a.pdf"));
    QVERIFY(!OffersWebLink(&text));
    QCOMPARE(int(ReadDroppedLink(&text).kind), int(DropKind::None));
  }
};

QTEST_MAIN(BookmarkWidgetsTest)
#include "bookmark_widgets_test.moc"
