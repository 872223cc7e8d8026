#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <QPushButton>
#include "common/ByteText.h"
#include "common/FileSystem.h"
#include "common/qt/Modal.h"

#include "dialogs/CRenameDlg.h"
#include "list/CListDlg.h"
#include "list/SavedLists.h"
#include "list_fixture.h"

using namespace folidex;
using namespace folidex::test;

class ListDialogsTest : public QObject {
  Q_OBJECT

  static std::string Repeat(const char* utf8, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += J(utf8);
    return text;
  }
  static std::string ListPath(ListFixture& f, const std::string& name) {
    return f.dir.path() + "/DOCDATA/LIST/" + name;
  }
  static void SaveRows(ListFixture& f, const std::string& file, int rows) {
    ListRows other;
    for (int i = 0; i < rows; ++i) {
      ListRows::Cells cells;
      cells[1] = FormatSerial(i);
      other.AppendRow(cells, false);
    }
    QCOMPARE(SaveListFile(other, f.store, f.prompter, file), int(kListFileDone));
  }
  static int RowOf(QTableWidget* table, const QString& name) {
    for (int row = 0; row < table->rowCount(); ++row)
      if (table->item(row, 1)->text() == name) return row;
    return -1;
  }

 private slots:
  // A short message's box keeps its caption whole, and the folder chooser shows a long Japanese
  // folder name and its date whole.
  void messageBoxesAndFileChoosersAreWideEnough() {
    Modal::Reset();
    int boxWidth = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxWidth = box->width();
        if (qEnvironmentVariableIsSet("FOLIDEX_SCREENSHOT_DIR"))
          box->grab().save(qEnvironmentVariable("FOLIDEX_SCREENSHOT_DIR") + QStringLiteral("/folidex-message-box.png"));
        box->button(QMessageBox::Ok)->click();
      }
    });
    probe.start(20);
    Modal::ShowMessage(nullptr, MessageKind::Information, QStringLiteral("完了"));
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
    QVERIFY2(boxWidth >= title.horizontalAdvance(QStringLiteral("Folidex")) + 200,
             qPrintable(QString::number(boxWidth)));

    ListFixture f;
    const QString name = QStringLiteral("二〇二四年度 第三四半期 営業部 会議議事録 保存用");
    const QString folder = QString::fromStdString(f.dir.path());
    QVERIFY(EnsureFolders(f.dir.path() + "/" + name.toStdString()));
    bool whole = false;
    probe.disconnect();
    connect(&probe, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      auto* view = dialog->findChild<QTreeView*>();
      if (!view || view->model()->rowCount(view->rootIndex()) == 0) return;
      QTest::qWait(100);
      if (qEnvironmentVariableIsSet("FOLIDEX_SCREENSHOT_DIR"))
        dialog->grab().save(qEnvironmentVariable("FOLIDEX_SCREENSHOT_DIR") +
                            QStringLiteral("/folidex-file-dialog.png"));
      QHeaderView* header = view->header();
      const int last = header->count() - 1;
      whole = header->sectionSize(0) > view->fontMetrics().horizontalAdvance(name) + 20 &&
              header->sectionViewportPosition(last) + header->sectionSize(last) <= view->viewport()->width() &&
              header->sectionSize(last) >= view->fontMetrics().horizontalAdvance(
                                               view->model()->index(0, last, view->rootIndex()).data().toString());
      dialog->reject();
    });
    Modal::ChooseFolder(nullptr, folder);
    QVERIFY(whole);
  }

  void saveUnderANameOfFiftyDoubleByteCharacters() {
    ListFixture f;
    f.AddRow("00000001", "a");
    auto view = f.MakeView();
    QString fifty = QString::fromUtf8("あ").repeated(50);
    view->OnSaveList(fifty + QString::fromUtf8("い"));
    QVERIFY(f.prompter.ShowedMessage(Msg::NameTooLong));
    QVERIFY(!IsDirectory(ListPath(f, "")) || ListFiles(ListPath(f, "")).empty());

    f.prompter.answers = {Answer::Yes, Answer::Ok};
    view->OnSaveList(fifty);
    QVERIFY(f.prompter.ShowedMessage(Msg::ListSaved));
    QVERIFY(IsFile(ListPath(f, fifty.toStdString() + ".list")));

    view->OnSaveList(QString());
    QVERIFY(f.prompter.ShowedMessage(Msg::ListNameMissing));
  }

  void aNameWithoutACp932FormIsRefusedNotChanged() {
    ListFixture f;
    f.AddRow("00000001", "a");
    auto view = f.MakeView();
    f.prompter.answers = {Answer::Yes, Answer::Ok};
    view->OnSaveList(QString::fromUtf8("café"));  // CP932 would save it as "caf .list"
    QCOMPARE(QString::fromStdString(f.prompter.TextsUtf8().back()),
             QString::fromUtf8("U+00E9\n") + QString::fromUtf8(MessageTextUtf8(Msg::BadFileNameCharacter)));
    QVERIFY(!IsDirectory(ListPath(f, "")) || ListFiles(ListPath(f, "")).empty());
  }

  void loadAppendsOrReplacesThroughTheFileDialog() {
    ListFixture f;
    SaveRows(f, "three.list", 3);
    for (int i = 0; i < 5; ++i) f.AddRow(FormatSerial(10 + i), "x");
    auto view = f.MakeView();

    Modal::SetNextFileName(std::nullopt);  // cancelled
    view->OnLoadList();
    QCOMPARE(f.list.RowCount(), 5);

    Modal::SetNextFileName(QString::fromStdString(ListPath(f, "three.list")));
    f.prompter.answers = {Answer::Yes};
    view->OnLoadList();
    QCOMPARE(f.list.RowCount(), 8);
    QCOMPARE(f.list.Cell(7, 0), std::string("8"));
    QCOMPARE(view->model()->rowCount(), 8);

    Modal::SetNextFileName(QString::fromStdString(ListPath(f, "three.list")));
    f.prompter.answers = {Answer::No};
    view->OnLoadList();
    QCOMPARE(f.list.RowCount(), 3);
    QCOMPARE(f.list.Cell(2, 0), std::string("3"));
  }

  void manageRenamesAndDeletes() {
    ListFixture f;
    SaveRows(f, "first.list", 1500);
    SaveRows(f, "second.list", 2);
    SaveRows(f, "ListData.csv", 2);
    CListDlg dialog(f.store, f.prompter, [&f](const std::string& oldName, QWidget* owner) {
      return RenameSavedList(f.services, oldName, owner);
    });
    QTableWidget* table = dialog.List();
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("リスト管理"));
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->columnCount(), 5);
    int first = RowOf(table, "first");
    QVERIFY(first >= 0);
    QCOMPARE(table->item(first, 2)->text(), QString("1,500"));
    QCOMPARE(table->horizontalHeaderItem(2)->text(), QString::fromUtf8("データ数"));
    QVERIFY(table->columnWidth(4) > 50);  // fitted to the dates

    // Rename: 30053 Yes, then the rename dialog with a new name, 30049 Yes.
    Modal::SetNextRun([](QDialog& run) {
      auto& rename = static_cast<CRenameDlg&>(run);
      if (rename.windowTitle() != QString::fromUtf8("リスト名の変更") || rename.Edit()->text() != "first") return 0;
      rename.Edit()->setText(QString::fromUtf8("改名"));
      rename.OnOk();
      return rename.result();
    });
    f.prompter.answers = {Answer::Yes, Answer::Yes};
    dialog.OnRowDoubleClicked(first);
    QCOMPARE(table->item(first, 1)->text(), QString::fromUtf8("改名"));
    QVERIFY(IsFile(ListPath(f, "改名.list")));
    QVERIFY(!PathExists(ListPath(f, "first.list")));

    // Delete: 30053 No, then 31161 Yes.
    int second = RowOf(table, "second");
    f.prompter.answers = {Answer::No, Answer::Yes};
    dialog.OnRowDoubleClicked(second);
    QCOMPARE(table->rowCount(), 1);
    QVERIFY(!PathExists(ListPath(f, "second.list")));
    QCOMPARE(table->item(0, 1)->text(), QString::fromUtf8("改名"));

    // Cancel does nothing.
    f.prompter.answers = {Answer::Cancel};
    dialog.OnRowDoubleClicked(0);
    QCOMPARE(table->rowCount(), 1);
  }

  void keywordModeRefusesAndStaysOpen() {
    ListFixture f;
    CRenameDlg keyword(f.store, f.prompter, false, J("キーワード"), J("会議"));
    QCOMPARE(keyword.windowTitle(), QString::fromUtf8("キーワードの変更"));
    QCOMPARE(keyword.Edit()->text(), QString::fromUtf8("会議"));
    keyword.show();
    keyword.Edit()->setText(QString::fromUtf8("予").repeated(51));
    keyword.OnOk();
    QVERIFY(f.prompter.ShowedMessage(Msg::NameTooLong));
    QVERIFY(keyword.isVisible());
    keyword.Edit()->setText(QString::fromUtf8("予").repeated(50));
    keyword.OnOk();
    QCOMPARE(keyword.result(), int(QDialog::Accepted));
    QCOMPARE(keyword.Name(), Repeat("予", 50));

    // Keywords can be cleared, and the dialog can be left without a change.
    CRenameDlg clearing(f.store, f.prompter, false, J("キーワード"), J("会議"));
    clearing.show();
    clearing.Edit()->clear();
    clearing.OnOk();
    QCOMPARE(clearing.result(), int(QDialog::Accepted));
    QCOMPARE(clearing.Name(), std::string());
    CRenameDlg cancelled(f.store, f.prompter, false, J("キーワード"), J("会議"));
    cancelled.show();
    cancelled.findChild<QPushButton*>(QStringLiteral("IDCANCEL"))->click();
    QCOMPARE(cancelled.result(), int(QDialog::Rejected));
    // A list still needs a name.
    CRenameDlg list(f.store, f.prompter, true, J("リスト名"), J("旧"));
    list.show();
    list.Edit()->clear();
    list.OnOk();
    QVERIFY(f.prompter.ShowedMessage(Msg::NameEmpty));
    QVERIFY(list.isVisible());
  }
};

QTEST_MAIN(ListDialogsTest)
#include "list_dialogs_test.moc"
