// The record dialogs in the running desktop program, as a user meets them: properties of a
// found record corrected while stepping through the list, a typo in a record's text fixed, and
// the record found by the corrected word from the search tab.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "common/qt/Modal.h"
#include "dialogs/CPropertyDlg.h"
#include "dialogs/CTextDlg.h"
#include "dialogs/qt/BodyTextView.h"
#include "html/qt/WebEngineSetup.h"
#include "list/ListRows.h"
#include "shell_fixture.h"

using namespace folidex;
using folidex::test::J;
using folidex::test::Run;

namespace {

void Click(QWidget* root, const char* id) {
  auto* button = root->findChild<QAbstractButton*>(QString::fromLatin1(id));
  QVERIFY2(button, id);
  button->click();
}

void PutRecord(Store& store, const std::string& serial, const char* title, const char* text) {
  store.WorkingRecord().Clear();
  store.WorkingRecord()[FieldTag::PT] = J(title);
  store.WorkingRecord()[FieldTag::TY] = "O";
  store.WorkingRecord()[FieldTag::FA] = "2010/12/01 10:00:00";
  store.WorkingRecord()[FieldTag::TX] = J(text);
  store.WorkingRecord()[FieldTag::TS] = std::to_string(J(text).size());
  QVERIFY(store.WriteRecordFile(serial));
}

}  // namespace

class RecordDialogsShellTest : public QObject {
  Q_OBJECT

 private slots:
  void correctTitlesAndTextThenFindTheRecord() {
    Run run;
    run.MakeStoreFolders();  // the records are written into an existing store
    {
      MemorySettings settings;
      test::ScriptedPrompter prompter;
      Store store(settings, prompter);
      store.SetLocation(NativePath(run.StorePath()));
      PutRecord(store, "00000000", "Alpha 報告", "年次報告。委員会のCOMMITEE議事録。");
      PutRecord(store, "00000001", "Beta", "別の文書。");
      PutRecord(store, "00000002", "Alpha メモ", "メモの本文。");
    }
    run.WriteStandardIni("Kakunin=0\n[Sys]\nNo=00000003\n[Search]\nZenbun=0\nChk1=0\nChk2=0\n");
    QVERIFY(run.Start());
    ListRows& list = run.app->services().list;
    run.Element<QLineEdit>("ID_EDIT1")->setText(QStringLiteral("Alpha"));
    Modal::SetNextAnswers({Answer::Ok});
    Click(run.Ribbon(), "ID_DB_SEARCH");
    Modal::TakeShownMessages();
    QCOMPARE(list.RowCount(), 2);
    list.SetAllSelected(false);
    list.SetSelected(0, true);

    // Properties: correct the title, step to the next record (saving on Yes), correct it, save.
    Modal::SetNextRun([](QDialog& run) {
      auto& dialog = static_cast<CPropertyDlg&>(run);
      dialog.Field(0)->setText(QStringLiteral("Alpha 年次報告"));
      Modal::SetNextAnswers({Answer::Yes});  // 30068
      Click(&dialog, "IDC_BUTTON_1011");
      dialog.Field(0)->setText(QStringLiteral("Alpha 会議メモ"));
      Click(&dialog, "IDOK");
      return dialog.result();
    });
    run.Frame()->findChild<QAction*>(QStringLiteral("ID_32791"))->trigger();
    const QStringList asked = Modal::TakeShownMessages();
    QCOMPARE(asked, QStringList{QStringLiteral("PDF内情報が変更されていますが、保存しますか")});
    QCOMPARE(list.Cell(0, 3), J("Alpha 年次報告"));
    QCOMPARE(list.Cell(1, 3), J("Alpha 会議メモ"));
    QCOMPARE(list.FirstSelectedRow(), 1);

    // The text of the first record: find the typo, fix it, save.
    list.SetSelected(1, false);
    list.SetSelected(0, true);
    Modal::SetNextRun([](QDialog& run) {
      auto& dialog = static_cast<CTextDlg&>(run);
      dialog.Term()->setText(QStringLiteral("commitee"));
      dialog.OnSearchForward();
      QTextCursor found = dialog.Text()->textCursor();
      if (found.selectedText() != QStringLiteral("COMMITEE")) return -1;
      found.insertText(QStringLiteral("Committee"));
      Modal::SetNextAnswers({Answer::Yes});  // 30003
      Click(&dialog, "IDOK");
      return dialog.result();
    });
    run.Frame()->findChild<QAction*>(QStringLiteral("ID_32799"))->trigger();
    QCOMPARE(Modal::TakeShownMessages(), QStringList{QStringLiteral("テキストを保存してもよろしいですか")});
    const std::string fixed = J("年次報告。委員会のCommittee議事録。");
    QCOMPARE(list.Cell(0, 12), std::to_string(fixed.size()));

    // The search tab finds it by the corrected word in the body text.
    run.Element<QLineEdit>("ID_EDIT1")->clear();
    run.Element<QLineEdit>("ID_EDIT5")->setText(QStringLiteral("committee"));
    Modal::SetNextAnswers({Answer::Ok, Answer::Ok});
    Click(run.Ribbon(), "ID_DB_SEARCH");
    Modal::TakeShownMessages();
    QCOMPARE(list.RowCount(), 1);
    QCOMPARE(list.Cell(0, 1), std::string("00000000"));
    QCOMPARE(list.Cell(0, 3), J("Alpha 年次報告"));
    Modal::Reset();
  }
};

int main(int argc, char** argv) {
  PrepareWebEngineProcess();
  QApplication app(argc, argv);
  RecordDialogsShellTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "record_dialogs_shell_test.moc"
