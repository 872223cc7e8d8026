#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QToolButton>

#include "common/ByteText.h"
#include "common/FileSystem.h"
#include "common/Normalize.h"
#include "common/qt/Modal.h"
#include "common/qt/QtText.h"
#include "dialogs/BodyTextEdit.h"
#include "dialogs/CPropertyDlg.h"
#include "dialogs/CTextDlg.h"
#include "dialogs/qt/BodyTextView.h"
#include "list/RecordRow.h"
#include "list_fixture.h"
#include "support/FakeDesktopOpener.h"
#include "support/qt/AccessibleNames.h"

using namespace folidex;
using namespace folidex::test;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

struct DialogFixture : ListFixture {
  FakeDesktopOpener opener;
  FakeHtmlArea html;

  IndexRecord Sample(long serial) {
    IndexRecord r;
    for (int k = 0; k < kFieldCount; ++k) r.fields[k] = J("値") + std::to_string(serial * 100 + k);
    r[FieldTag::TY] = "I";
    r[FieldTag::PT] = J("題名") + std::to_string(serial);
    r[FieldTag::TX] = J("本文です。");
    r[FieldTag::TS] = "10";
    return r;
  }
  void Add(long serial, bool selected = false, IndexRecord* record = nullptr) {
    IndexRecord r = record ? *record : Sample(serial);
    store.WorkingRecord() = r;
    if (!store.WriteRecordFile(FormatSerial(serial))) QFAIL("cannot write a record");
    AppendRecordRow(list, store.WorkingRecord(), FormatSerial(serial), kMarkMissing, true);
    list.SetSelected(list.RowCount() - 1, selected);
  }
  std::string Path(long serial) { return store.StoreFilePath(FormatSerial(serial), kKindText); }
  std::string Bytes(long serial) {
    std::string bytes;
    ReadFileBytes(Path(serial), bytes);
    return bytes;
  }
  std::unique_ptr<CPropertyDlg> Properties(int row) {
    return std::make_unique<CPropertyDlg>(store, prompter, list, row, opener, &html);
  }
  std::unique_ptr<CTextDlg> Text(long serial) {
    if (!LoadTextRecord(store, prompter, FormatSerial(serial))) return nullptr;
    return std::make_unique<CTextDlg>(store, prompter, settings, list, FormatSerial(serial));
  }
};

template <typename T>
T* Find(QWidget* dialog, const char* name) {
  return dialog->findChild<T*>(QString::fromLatin1(name));
}
void Click(QWidget* dialog, const char* name) { Find<QAbstractButton>(dialog, name)->click(); }
bool Enabled(QWidget* dialog, const char* name) { return Find<QAbstractButton>(dialog, name)->isEnabled(); }

// A long one-line text of numbered sentences.
QString LongText(int sentences) {
  QString text;
  for (int i = 0; i < sentences; ++i) text += U("第%1文の本文です。").arg(i);
  return text;
}

}  // namespace

class RecordDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    Modal::Reset();
    QApplication::clipboard()->clear();
  }

  // ---- the property dialog ----

  void savingOnlyTheTitleRewritesItsLineAndTheRow() {
    DialogFixture f;
    f.Add(1, true);
    const std::string before = f.Bytes(1);
    auto view = f.MakeView();
    QStringList nameless{QStringLiteral("not looked at")};
    Modal::SetNextRun([&nameless](QDialog& run) {
      auto& dialog = static_cast<CPropertyDlg&>(run);
      if (dialog.windowTitle() != U("データのプロパティ")) return -1;
      nameless = test::NamelessControls(&dialog);  // every field and button named for a screen reader
      dialog.Field(0)->setText(U("新しい題名"));
      Click(&dialog, "IDOK");
      return dialog.result();
    });
    view->RunCommand(CLeftView::kProperties);
    QCOMPARE(nameless, QStringList{});
    std::string expected = before;
    const std::string old = "<PT>" + J("題名1") + "\r\n";
    expected.replace(expected.find(old), old.size(), "<PT>" + J("新しい題名") + "\r\n");
    QCOMPARE(f.Bytes(1), expected);
    QCOMPARE(f.list.Cell(0, 3), J("新しい題名"));
    QVERIFY(f.prompter.shown.empty());
  }

  void showsEveryValueOfTheRow() {
    DialogFixture f;
    IndexRecord r = f.Sample(1);
    r[FieldTag::PS] = std::string(40000, 's');  // longer than a line edit takes by default
    f.Add(1, false, &r);
    auto dialog = f.Properties(0);
    for (int column = 1; column <= 15; ++column) {
      QWidget* value = dialog->Value(column);
      const QString text =
          qobject_cast<QLabel*>(value) ? static_cast<QLabel*>(value)->text() : static_cast<QLineEdit*>(value)->text();
      QCOMPARE(text, ToQString(f.list.Cell(0, column)));
      // Only the six descriptive fields can be edited.
      auto* edit = qobject_cast<QLineEdit*>(value);
      QCOMPARE(edit && !edit->isReadOnly(), column >= 3 && column <= 8);
    }
    QVERIFY(!dialog->Editor().Changed(dialog->Current()));
    QVERIFY(!Enabled(dialog.get(), "IDC_BUTTON_1001"));  // the PDF copy is missing
    QVERIFY(!Enabled(dialog.get(), "IDC_BUTTON_1002"));
    QVERIFY(!Enabled(dialog.get(), "IDC_BUTTON_1008"));
    QVERIFY(!Enabled(dialog.get(), "IDC_BUTTON_1009"));
    // A single row: no steps.
    QVERIFY(!Enabled(dialog.get(), "IDC_BUTTON_1010"));
    QVERIFY(!Enabled(dialog.get(), "IDC_BUTTON_1011"));
  }

  void updateThenNextAsksAgainAndTheSelectionMoves() {
    DialogFixture f;
    for (long s = 1; s <= 3; ++s) f.Add(s, s != 2);  // rows 0 and 2 selected
    auto view = f.MakeView();
    std::vector<int> shownRows;
    auto dialog = f.Properties(0);
    dialog->SetRowShown([&shownRows](int row) { shownRows.push_back(row); });
    QVERIFY(!Enabled(dialog.get(), "IDC_BUTTON_1010"));
    QVERIFY(Enabled(dialog.get(), "IDC_BUTTON_1011"));

    dialog->Field(2)->setText(U("副題"));
    Click(dialog.get(), "IDC_BUTTON_1004");
    QCOMPARE(f.prompter.TextsUtf8(), std::vector<std::string>{MessageTextUtf8(Msg::UpdateDone)});
    QCOMPARE(f.list.Cell(0, 5), J("副題"));

    f.prompter.shown.clear();
    f.prompter.answers = {Answer::No};
    Click(dialog.get(), "IDC_BUTTON_1011");
    QCOMPARE(f.prompter.TextsUtf8(), std::vector<std::string>{MessageTextUtf8(Msg::SavePdfInfoQuestion)});
    QCOMPARE(dialog->Field(0)->text(), U("題名2"));
    QCOMPARE(shownRows, std::vector<int>{1});
    QVERIFY(!f.list.IsSelected(0));
    QVERIFY(f.list.IsSelected(1));
    QVERIFY(f.list.IsSelected(2));  // kept
    QTRY_VERIFY(view->selectionModel()->isRowSelected(1, {}));
    QVERIFY(view->selectionModel()->isRowSelected(2, {}));
    QVERIFY(Enabled(dialog.get(), "IDC_BUTTON_1010"));

    f.prompter.shown.clear();
    Click(dialog.get(), "IDC_BUTTON_1011");  // unchanged: no question
    QVERIFY(f.prompter.shown.empty());
    QVERIFY(!Enabled(dialog.get(), "IDC_BUTTON_1011"));
    QVERIFY(Enabled(dialog.get(), "IDC_BUTTON_1010"));
    Click(dialog.get(), "IDC_BUTTON_1010");
    QCOMPARE(dialog->Editor().Row(), 1);
  }

  void pastingDropsSpacesAsAnUndoableEdit() {
    DialogFixture f;
    f.Add(1);
    auto dialog = f.Properties(0);
    dialog->show();
    QApplication::clipboard()->setText(U("資料 名　2010"));
    Click(dialog.get(), "IDC_BUTTON_1006");
    QCOMPARE(dialog->Field(0)->text(), U("資料名2010"));
    QVERIFY(Enabled(dialog.get(), "IDC_BUTTON_1008"));
    QVERIFY(!Enabled(dialog.get(), "IDC_BUTTON_1009"));
    QCOMPARE(Find<QToolButton>(dialog.get(), "IDC_BUTTON_1006")->toolTip(), U("クリップボードからコピー"));
    Click(dialog.get(), "IDC_BUTTON_1008");
    QCOMPARE(dialog->Field(0)->text(), U("題名1"));

    QApplication::clipboard()->setText(U(" 山田　太郎\n"));
    Click(dialog.get(), "IDC_BUTTON_1007");
    QCOMPARE(dialog->Field(1)->text(), U("山田太郎"));
    Click(dialog.get(), "IDC_BUTTON_1009");
    QCOMPARE(dialog->Field(1)->text(), ToQString(f.list.Cell(0, 4)));
  }

  void sourceAndFolderButtons() {
    DialogFixture f;
    // A store under a Japanese folder name: its paths reach the opener exactly as they are.
    const NativePath location(f.dir.path() + "/書類/資料庫 テスト");
    QVERIFY(EnsureFolders(location + "/DOCDATA"));
    f.store.SetLocation(location);
    f.Add(1);
    // An outside link to the web: the source is shown in the HTML area; no folder to open.
    f.list.SetCell(0, 9, "O");
    f.list.SetCell(0, 15, "http://example.com/a.pdf");
    auto dialog = f.Properties(0);
    QVERIFY(Enabled(dialog.get(), "IDC_BUTTON_1002"));
    Click(dialog.get(), "IDC_BUTTON_1002");
    QCOMPARE(f.html.navigated, std::vector<std::string>{"http://example.com/a.pdf"});
    Click(dialog.get(), "IDC_BUTTON_1001");
    QVERIFY(f.opener.shownInFolder.empty());

    // A stored copy: its folder is shown; a file manager that cannot start gives 30048.
    f.list.SetCell(0, 9, "I");
    const std::string copy = f.store.StoreFilePath("00000001", kKindPdf);
    QCOMPARE(copy, location.str() + "/DOCDATA/PDF/01/00000001.PDF");
    QVERIFY(WriteFileAtomic(copy, "%PDF-1.4"));
    dialog = f.Properties(0);
    QVERIFY(Enabled(dialog.get(), "IDC_BUTTON_1001"));
    Click(dialog.get(), "IDC_BUTTON_1001");
    QCOMPARE(f.opener.shownInFolder, std::vector<std::string>{copy});
    QVERIFY(f.prompter.shown.empty());
    f.opener.showSucceeds = false;
    Click(dialog.get(), "IDC_BUTTON_1001");
    QVERIFY(f.prompter.ShowedMessage(Msg::FileManagerStartFailed));

    // The copy gone: the mark is "×" and the button disabled.
    QVERIFY(RemoveFile(copy));
    dialog = f.Properties(0);
    QVERIFY(!Enabled(dialog.get(), "IDC_BUTTON_1001"));
  }

  void aFailedSaveKeepsTheDialogOpen() {
    DialogFixture f;
    f.Add(1);
    std::string sixteen = f.Bytes(1);
    sixteen.resize(sixteen.rfind("<TX>"));
    QVERIFY(WriteFileAtomic(f.Path(1), sixteen));
    auto dialog = f.Properties(0);
    dialog->show();
    dialog->Field(0)->setText(U("x"));
    Click(dialog.get(), "IDOK");
    QVERIFY(dialog->isVisible());
    QVERIFY(f.prompter.ShowedMessage(Msg::IndexFileDamaged));
    QCOMPARE(f.list.Cell(0, 3), J("題名1"));
    Click(dialog.get(), "IDCANCEL");
    QVERIFY(!dialog->isVisible());
    QCOMPARE(f.Bytes(1), sixteen);
  }

  // ---- the text dialog ----

  void searchWrapsAndKeepsTheTermAtTheFirstSearch() {
    DialogFixture f;
    IndexRecord r = f.Sample(1);
    r[FieldTag::TX] = J("ＡＢＣ資料と会議資料、資料。");
    f.Add(1, true, &r);
    auto dialog = f.Text(1);
    QVERIFY(dialog);
    BodyTextView* text = dialog->Text();
    QCOMPARE(text->textCursor().position(), 0);

    // Forward at the very start without a match: nothing selected, nothing changed.
    dialog->Term()->setText(U("無い"));
    QVERIFY(!f.settings.Has("Last", "SearchText"));
    dialog->OnSearchForward();
    QCOMPARE(f.settings.GetText(setting::SearchText), J("無い"));
    QVERIFY(!text->textCursor().hasSelection());
    QCOMPARE(text->textCursor().position(), 0);

    // Backward from the start wraps to the last match.
    dialog->Term()->setText(U("資料"));
    dialog->OnSearchBackward();
    QCOMPARE(text->JoinedSelection(), (std::pair<qsizetype, qsizetype>(11, 13)));
    dialog->OnSearchBackward();
    QCOMPARE(text->JoinedSelection(), (std::pair<qsizetype, qsizetype>(8, 10)));
    dialog->OnSearchForward();
    QCOMPARE(text->JoinedSelection(), (std::pair<qsizetype, qsizetype>(11, 13)));
    dialog->OnSearchForward();  // wraps to the first
    QCOMPARE(text->JoinedSelection(), (std::pair<qsizetype, qsizetype>(3, 5)));

    // Whole words: inside 会議資料 there is none.
    dialog->WholeWord()->click();
    QCOMPARE(f.settings.GetInt(setting::SearchTango), 1L);
    dialog->OnSearchForward();
    QCOMPARE(text->JoinedSelection(), (std::pair<qsizetype, qsizetype>(11, 13)));

    dialog->Term()->clear();
    f.prompter.shown.clear();
    dialog->OnSearchForward();
    QCOMPARE(f.prompter.TextsUtf8(), std::vector<std::string>{MessageTextUtf8(Msg::SearchTermMissing)});
    QCOMPARE(f.settings.GetText(setting::SearchText), J("資料"));
  }

  void savingTheUnchangedTextRewritesTextAndSize() {
    DialogFixture f;
    IndexRecord r = f.Sample(1);
    r[FieldTag::TS] = "99";  // not the length of the text as shown
    f.Add(1, true, &r);
    const std::string before = f.Bytes(1);
    auto view = f.MakeView();
    f.prompter.answers = {Answer::No, Answer::Yes};
    QStringList nameless{QStringLiteral("not looked at")};
    Modal::SetNextRun([&f, &nameless](QDialog& run) {
      auto& dialog = static_cast<CTextDlg&>(run);
      if (dialog.windowTitle() != U("データのテキスト")) return -1;
      nameless = test::NamelessControls(&dialog);
      Click(&dialog, "IDOK");  // No: the dialog stays
      if (dialog.result() != 0 || !f.prompter.ShowedMessage(Msg::SaveTextQuestion)) return -1;
      Click(&dialog, "IDOK");
      return dialog.result();
    });
    view->RunCommand(CLeftView::kShowText);
    QCOMPARE(nameless, QStringList{});
    std::string expected = before;
    expected.replace(expected.find("<TS>99\r\n"), 8, "<TS>10\r\n");
    QCOMPARE(f.Bytes(1), expected);
    QCOMPARE(f.list.Cell(0, 12), std::string("10"));
  }

  void aFailedWriteKeepsTheTextOpen() {
    DialogFixture f;
    f.Add(1, true);
    auto dialog = f.Text(1);
    dialog->show();
    std::string sixteen = f.Bytes(1);
    sixteen.resize(sixteen.rfind("<TX>"));
    QVERIFY(WriteFileAtomic(f.Path(1), sixteen));
    dialog->Text()->setPlainText(U("直した本文"));
    f.prompter.answers = {Answer::Yes};
    dialog->OnSaveAndClose();
    QVERIFY(dialog->isVisible());
    QVERIFY(f.prompter.ShowedMessage(Msg::IndexFileDamaged));
    QCOMPARE(dialog->Text()->JoinedText(), U("直した本文"));
    QCOMPARE(f.Bytes(1), sixteen);
    QCOMPARE(f.list.Cell(0, 12), std::string("10"));
  }

  void aMissingRecordIsReportedNotShown() {
    DialogFixture f;
    f.AddRow("00000042", "gone", true);
    auto view = f.MakeView();
    view->RunCommand(CLeftView::kShowText);  // no modal run is prepared: none may start
    QCOMPARE(f.prompter.shown.size(), std::size_t(1));
    QVERIFY(f.prompter.ShowedMessage(Msg::FileOpenFailed));
  }

  void placementIsKeptAndMaximisedComesBack() {
    DialogFixture f;
    f.Add(1, true);
    {
      // The first time: over the middle of the window that opens it.
      QWidget owner;
      owner.setGeometry(200, 150, 1000, 700);
      owner.show();
      CTextDlg first(f.store, f.prompter, f.settings, f.list, FormatSerial(1), &owner);
      first.show();
      QCOMPARE(first.geometry().center(), owner.frameGeometry().center());
      first.reject();
    }
    f.settings.SetInt(setting::TextDlgX, 30);
    f.settings.SetInt(setting::TextDlgY, 40);
    f.settings.SetInt(setting::TextDlgWidth, 700);
    f.settings.SetInt(setting::TextDlgHeight, 500);
    {
      auto dialog = f.Text(1);
      dialog->show();
      QCOMPARE(dialog->geometry(), QRect(30, 40, 700, 500));
      dialog->showMaximized();
      QTRY_VERIFY(dialog->isMaximized());
      dialog->reject();
    }
    QCOMPARE(f.settings.GetInt(setting::TextDlgZoomed), 1L);
    QCOMPARE(f.settings.GetInt(setting::TextDlgX), 30L);
    QCOMPARE(f.settings.GetInt(setting::TextDlgWidth), 700L);
    {
      auto dialog = f.Text(1);
      dialog->show();
      QTRY_VERIFY(dialog->isMaximized());
      dialog->showNormal();
      QTRY_VERIFY(!dialog->isMaximized());
      QCOMPARE(dialog->geometry(), QRect(30, 40, 700, 500));
      dialog->move(-50, -20);  // partly off the top left
      dialog->reject();
    }
    QCOMPARE(f.settings.GetInt(setting::TextDlgZoomed), 0L);
    QCOMPARE(f.settings.GetInt(setting::TextDlgX), 0L);
    QCOMPARE(f.settings.GetInt(setting::TextDlgY), 0L);
  }

  void contextMenuAndFont() {
    DialogFixture f;
    f.Add(1, true);
    auto dialog = f.Text(1);
    std::unique_ptr<QMenu> menu(dialog->BuildContextMenu());
    QStringList texts;
    for (QAction* action : menu->actions()) texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(texts, (QStringList{U("検索語句にする(&S)"), "-", U("貼り付け(&P)\tCtrl+V"), U("コピー(&C)\tCtrl+C"), "-",
                                 U("すべて選択(&A)\tCtrl+A")}));
    QVERIFY(!menu->actions()[0]->isEnabled());
    QVERIFY(!menu->actions()[3]->isEnabled());

    dialog->Text()->SelectJoined(0, 2);
    menu.reset(dialog->BuildContextMenu());
    QVERIFY(menu->actions()[0]->isEnabled());
    menu->actions()[0]->trigger();
    QCOMPARE(dialog->Term()->text(), U("本文"));
    QCOMPARE(f.settings.GetText(setting::SearchText), std::string());  // only at the next search

    QCOMPARE(dialog->Text()->font().pointSize(), 10);
    Click(dialog.get(), "IDC_BUTTON_1006");
    QCOMPARE(dialog->Text()->font().pointSize(), 11);
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), {}, QPoint(0, -120), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(dialog->Text()->viewport(), &wheel);
    QCOMPARE(dialog->Text()->font().pointSize(), 10);
    Click(dialog.get(), "IDC_BUTTON_1003");
    QCOMPARE(dialog->Text()->font().pointSize(), 9);
    dialog->Fonts()->setCurrentFont(QFont(QStringLiteral("Noto Sans CJK JP")));
    QCOMPARE(ToQString(f.settings.GetText(setting::FontName)), dialog->Fonts()->currentFont().family());
    QCOMPARE(dialog->Text()->font().pointSize(), 10);
  }

  void aLongTextIsShownInBlocksButEditedAsOneLine() {
    DialogFixture f;
    IndexRecord r = f.Sample(1);
    const QString original = LongText(400);  // about 4,000 characters
    r[FieldTag::TX] = ToCp932(original);
    f.Add(1, true, &r);
    auto dialog = f.Text(1);
    BodyTextView* text = dialog->Text();
    text->show();
    QVERIFY(text->document()->blockCount() > 2);
    QCOMPARE(text->JoinedText(), original);
    QVERIFY(text->document()->isUndoAvailable() == false);

    // A match across a display cut is found and selected whole.
    const QTextBlock second = text->document()->firstBlock().next();
    const qsizetype cut = text->ToJoined(second.position());
    QVERIFY(cut > 0);
    dialog->Term()->setText(original.mid(cut - 3, 6));
    text->SelectJoined(cut - 10, 0);
    dialog->OnSearchForward();
    QCOMPARE(text->JoinedSelection(), (std::pair<qsizetype, qsizetype>(cut - 3, cut + 3)));
    // Its copy has no break in it.
    text->copy();
    QCOMPARE(QApplication::clipboard()->text(), original.mid(cut - 3, 6));

    // Backspace at the start of a cut block takes the character before the cut.
    text->SelectJoined(cut, 0);
    QTest::keyClick(text, Qt::Key_Backspace);
    QCOMPARE(text->JoinedText(), original.left(cut - 1) + original.mid(cut));
    text->undo();
    QCOMPARE(text->JoinedText(), original);
    // Delete at the end of the block before a cut takes the character after it.
    text->SelectJoined(cut, 0);
    QTextCursor end = text->textCursor();
    end.setPosition(second.position() - 1);
    text->setTextCursor(end);
    QTest::keyClick(text, Qt::Key_Delete);
    QCOMPARE(text->JoinedText(), original.left(cut) + original.mid(cut + 1));
    text->undo();

    // Enter at a cut and pasted line breaks are real line breaks.
    text->SelectJoined(cut, 0);
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(text->JoinedText(), original.left(cut) + "\n" + original.mid(cut));
    text->undo();
    QCOMPARE(text->JoinedText(), original);
    text->SelectJoined(cut, 0);
    QApplication::clipboard()->setText(U("一\r\n二"));
    text->paste();
    QCOMPARE(text->JoinedText(), original.left(cut) + U("一\n二") + original.mid(cut));

    f.prompter.answers = {Answer::Yes};
    dialog->OnSaveAndClose();
    QVERIFY(f.store.ReadRecordFile("00000001", false));
    QCOMPARE(f.store.WorkingRecord()[FieldTag::TX],
             NormalizeBodyText(ToCp932(original.left(cut) + U("一\n二") + original.mid(cut))));
  }
};

QTEST_MAIN(RecordDialogsTest)
#include "record_dialogs_test.moc"
