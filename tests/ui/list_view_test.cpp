#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <QWindow>
#include <random>

#include "common/ByteText.h"
#include "common/FileSystem.h"
#include "common/qt/Modal.h"
#include "common/qt/QtText.h"
#include "common/qt/QtTextMeasure.h"
#include "dialogs/CRenameDlg.h"
#include "list/CLeftView.h"
#include "list/ColumnFit.h"
#include "list_fixture.h"
#include "store/Record.h"

using namespace folidex;
using namespace folidex::test;

class ListViewTest : public QObject {
  Q_OBJECT

  static QColor Background(CLeftView& view, const QImage& image, int row, int column) {
    QRect rect = view.visualRect(view.model()->index(row, column));
    return image.pixelColor(rect.left() + 2, rect.top() + 2);
  }
  static bool HasRedText(CLeftView& view, const QImage& image, int row, int column) {
    QRect rect = view.visualRect(view.model()->index(row, column));
    for (int y = rect.top(); y < rect.bottom(); ++y)
      for (int x = rect.left(); x < rect.right(); ++x) {
        QColor c = image.pixelColor(x, y);
        if (c.red() > 80 && c.green() < 40 && c.blue() < 40) return true;  // a red, pure or dark
      }
    return false;
  }
  static void MoveTo(CLeftView& view, int row, int column) {
    QPoint pos = view.visualRect(view.model()->index(row, column)).center();
    QMouseEvent move(QEvent::MouseMove, pos, view.viewport()->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
  }

 private slots:
  void drawsSelectionSelectedColumnAndDuplicates() {
    ListFixture f;
    f.AddRow("00000001", "a", true);
    f.AddRow("00000002", "b");
    f.AddRow("00000003", "c");
    f.list.AddDuplicate(3, 0);
    auto view = f.MakeView();
    QImage image = view->viewport()->grab().toImage();
    const QColor highlight = view->palette().color(QPalette::Active, QPalette::Highlight);

    QCOMPARE(Background(*view, image, 0, 6), QColor(0, 0, 255));
    QCOMPARE(Background(*view, image, 0, 4), highlight);
    QCOMPARE(Background(*view, image, 0, 3), highlight);  // the selection wins over SelCol
    QCOMPARE(Background(*view, image, 1, 3), QColor(210, 210, 255));
    QCOMPARE(Background(*view, image, 1, 4), view->palette().color(QPalette::Active, QPalette::Base));
    QCOMPARE(Background(*view, image, 2, 4), QColor(0, 165, 255));
    QCOMPARE(Background(*view, image, 2, 3), QColor(210, 210, 255));  // SelCol wins over the group
    QVERIFY(HasRedText(*view, image, 2, 4));
    QVERIFY(!HasRedText(*view, image, 1, 4));

    // A full table (3000 entries) colours nothing.
    for (int i = 1; i < ListRows::kDuplicateCapacity; ++i) f.list.AddDuplicate(100000 + i, 1);
    QCOMPARE(f.list.DuplicateCount(), 3000);
    image = view->viewport()->grab().toImage();
    QCOMPARE(Background(*view, image, 2, 4), view->palette().color(QPalette::Active, QPalette::Base));
    QVERIFY(!HasRedText(*view, image, 2, 4));
  }

  // A realistic list, sorted, with duplicate groups and a selected row; the picture is written
  // to $FOLIDEX_SCREENSHOT (a PNG path) when that is set.
  void sortedColouredListRendersAsAWhole() {
    ListFixture f;
    const char* titles[] = {"年次報告書 2023", "Annual Report", "会議議事録", "設計仕様 第2版", "budget plan",
                            "研究ノート",      "Zeta manual",   "予算案",     "議事録（臨時）", "報告書"};
    const char* sizes[] = {"12,345", "999", "1,000", "2,345,678", "45,000", "7,777", "100", "88,888", "512", "3,210"};
    for (int i = 0; i < 10; ++i) {
      ListRows::Cells cells;
      cells[0] = std::to_string(i + 1);
      cells[1] = FormatSerial(100 + i);
      cells[2] = i % 3 == 0 ? "\x81\x7E" : "\x81\x9B";
      cells[3] = J(titles[i]);
      cells[4] = J("山田 太郎");
      cells[6] = J("会議,予算");
      cells[7] = "2023.04.01 10:00:00";
      cells[9] = i % 2 ? "O" : "I";
      cells[10] = "doc" + std::to_string(i) + ".pdf";
      cells[11] = sizes[i];
      cells[12] = "1,024";
      cells[14] = "2024/01/15 09:30";
      cells[15] = "/home/user/docs/doc" + std::to_string(i) + ".pdf";
      f.list.AppendRow(cells, false);
    }
    f.list.AddDuplicate(101, 0);
    f.list.AddDuplicate(104, 0);
    f.list.AddDuplicate(106, 1);
    f.list.AddDuplicate(108, 1);
    auto view = f.MakeView();
    view->resize(1500, 330);
    f.settings.SetInt(setting::SelCol, 11);
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(view->horizontalHeader()->sectionViewportPosition(11) + 10, 5));
    view->OnSortDown();
    view->FitColumnWidths(ListRows::kColumns, -1);
    f.list.SetSelected(2, true);
    QCOMPARE(f.list.Cell(0, 11), std::string("2,345,678"));
    QCOMPARE(f.list.Cell(9, 11), std::string("100"));

    QImage image = view->grab().toImage();
    QImage cells = view->viewport()->grab().toImage();
    QCOMPARE(Background(*view, cells, 2, 6), QColor(0, 0, 255));
    QCOMPARE(Background(*view, cells, 0, 11), QColor(210, 210, 255));
    int row101 = -1;
    for (int r = 0; r < f.list.RowCount(); ++r)
      if (f.list.Cell(r, 1) == "00000101") row101 = r;
    QVERIFY(row101 >= 0 && row101 != 2);
    QCOMPARE(Background(*view, cells, row101, 3), QColor(0, 165, 255));
    if (qEnvironmentVariableIsSet("FOLIDEX_SCREENSHOT"))
      QVERIFY(image.save(qEnvironmentVariable("FOLIDEX_SCREENSHOT")));
  }

  void selectionStaysVisibleWithoutFocus() {
    ListFixture f;
    f.AddRow("00000001", "a", true);
    auto view = f.MakeView();
    view->clearFocus();
    QImage image = view->viewport()->grab().toImage();
    QCOMPARE(Background(*view, image, 0, 6), QColor(0, 0, 255));
    QCOMPARE(Background(*view, image, 0, 4), view->palette().color(QPalette::Active, QPalette::Highlight));
  }

  void aFitInStepsTakesInputBetweenColumnsAndEndsAsOneFit() {
    ListFixture f;
    for (int i = 0; i < 30; ++i) f.AddRow(FormatSerial(i), J("報告書の概要 第") + std::to_string(i) + J("版"));
    auto view = f.MakeView();
    for (int c = 0; c < ListRows::kColumns; ++c) view->setColumnWidth(c, 20);
    view->FitColumnWidthsInSteps();
    QCOMPARE(view->columnWidth(3), 20);  // nothing before the event loop runs
    view->FitColumnWidthsInSteps();      // starts over: the first run's steps end
    QCoreApplication::processEvents();
    QVERIFY(view->columnWidth(ListRows::kColumns - 1) == 20);  // one column per turn of the loop
    QTRY_VERIFY(view->columnWidth(ListRows::kColumns - 1) != 20);
    std::vector<int> stepped;
    for (int c = 0; c < ListRows::kColumns; ++c) stepped.push_back(view->columnWidth(c));
    view->FitColumnWidths(ListRows::kColumns, -1);
    for (int c = 0; c < ListRows::kColumns; ++c) QCOMPARE(stepped[static_cast<std::size_t>(c)], view->columnWidth(c));
  }

  void widthsFromSettings() {
    ListFixture f;
    f.settings.SetInt(setting::ColumnWidth(5), 700);
    f.settings.SetInt(setting::ColumnWidth(0), 200);
    f.settings.SetInt(setting::ColumnWidth(7), 600);
    CLeftView view(f.services);
    QCOMPARE(view.columnWidth(5), 20);
    QCOMPARE(view.columnWidth(0), 50);
    QCOMPARE(view.columnWidth(7), 600);
    // Without a stored width a column fits its title, which can then be read whole.
    const int title = view.fontMetrics().horizontalAdvance(QString::fromUtf8("タイトル"));
    QVERIFY2(view.columnWidth(3) > title && view.columnWidth(3) < title + 40, "fits its title");
    f.settings.SetInt(setting::ColumnWidth(3), 20);
    QCOMPARE(CLeftView(f.services).columnWidth(3), 20);  // a stored width is kept
    view.setColumnWidth(3, 123);
    view.SaveColumnWidths();
    QCOMPARE(f.settings.GetInt(setting::ColumnWidth(3)), 123L);
  }

  void headerClickChoosesTheColumnWithoutSorting() {
    ListFixture f;
    f.AddRow("00000002", "b");
    f.AddRow("00000001", "a");
    auto view = f.MakeView();
    QHeaderView* header = view->horizontalHeader();
    auto click = [&](int column) {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(column) + 20, header->height() / 2));
    };
    click(5);
    QCOMPARE(view->SelectedColumn(), 5);
    QCOMPARE(f.settings.GetInt(setting::SelCol), 5L);
    QCOMPARE(f.list.Cell(0, 1), std::string("00000002"));
    QVERIFY(view->CanSort());

    click(0);
    QVERIFY(!view->CanSort());
    view->OnSortUp();
    QCOMPARE(f.list.Cell(0, 1), std::string("00000002"));

    click(3);
    f.list.SetSelected(1, true);
    view->OnSortUp();
    QCOMPARE(f.list.Cell(0, 3), std::string("a"));
    QCOMPARE(f.list.Cell(0, 0), std::string("1"));
    QVERIFY(!view->selectionModel()->hasSelection());
    view->OnSortDown();
    QCOMPARE(f.list.Cell(0, 3), std::string("b"));
  }

  void dividerDoubleClickFitsOneOrAll() {
    ListFixture f;
    f.AddRow("00000001", J("とても長いタイトルのテキストがここにあります"));
    auto view = f.MakeView();
    f.prompter.answers = {Answer::Yes, Answer::Cancel, Answer::No};
    emit view->horizontalHeader()->sectionHandleDoubleClicked(3);
    QVERIFY(view->columnWidth(3) > 200);
    QCOMPARE(view->columnWidth(4), 70);
    QVERIFY(f.prompter.ShowedMessage(Msg::FitColumnsQuestion));
    view->setColumnWidth(3, 70);
    emit view->horizontalHeader()->sectionHandleDoubleClicked(3);
    QCOMPARE(view->columnWidth(3), 70);
    emit view->horizontalHeader()->sectionHandleDoubleClicked(3);
    QVERIFY(view->columnWidth(3) > 200);
    QVERIFY(view->columnWidth(4) != 70);
  }

  void doubleClickDispatchesByColumn() {
    ListFixture f;
    f.AddRow("00000001", "a");
    f.AddRow("00000002", "b");
    auto view = f.MakeView();
    QList<int> run;
    connect(view.get(), &CLeftView::commandRun, [&run](int id) { run << id; });
    // The property dialog of column 4 opens without being shown.
    QString opened;
    Modal::SetNextRun([&opened](QDialog& dialog) {
      opened = dialog.objectName();
      return 0;
    });
    for (int column : {0, 1, 12, 4}) {
      QPoint pos = view->visualRect(view->model()->index(1, column)).center();
      QPoint global = view->viewport()->mapToGlobal(pos);
      for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                QEvent::MouseButtonRelease}) {
        Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, pos, global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &event);
      }
    }
    QCOMPARE(run, (QList<int>{32803, 32796, 32799, 32791}));
    QCOMPARE(f.list.FirstSelectedRow(), 1);  // the row double-clicked
    // The record's PDF is not there: open and show do nothing; its record file is not there
    // either, so the text dialog reports it and does not open.
    QCOMPARE(f.prompter.shown.size(), std::size_t(1));
    QVERIFY(f.prompter.ShowedMessage(Msg::FileOpenFailed));
    QCOMPARE(opened, QStringLiteral("CPropertyDlg"));
    Modal::Reset();
  }

  void showInHtmlAreaOnlyForAReachableDocument() {
    ListFixture f;
    const std::string pdf = f.dir.File("a.pdf");
    QVERIFY(WriteFileAtomic(pdf, "%PDF-1.4"));
    f.AddRow("00000001", "gone", true);
    FakeHtmlArea html;
    f.services.html = &html;
    auto view = f.MakeView();
    view->RunCommand(CLeftView::kShowInHtmlArea);
    QVERIFY(html.navigated.empty());
    f.list.SetCell(0, 9, "O");
    f.list.SetCell(0, 15, pdf);
    view->RunCommand(CLeftView::kShowInHtmlArea);
    QCOMPARE(html.navigated, std::vector<std::string>{pdf});
  }

  void contextMenusHoldTheExactTexts() {
    ListFixture f;
    auto view = f.MakeView();
    QStringList texts;
    QList<int> separators;
    const QList<QAction*> actions = view->RowMenu()->actions();
    for (int i = 0; i < actions.size(); ++i) {
      if (actions[i]->isSeparator())
        separators << i;
      else
        texts << actions[i]->text();
    }
    QCOMPARE(texts,
             (QStringList{QString::fromUtf8("リストから削除(&L)\tDelete  【複数可】"),
                          QString::fromUtf8("データベースから削除(&D)\t【複数可】"),
                          QString::fromUtf8("重複データのチェック(&W)\tリスト内 or すべて"),
                          QString::fromUtf8("チェック結果クリア(&C)\tCtrl+F5"),
                          QString::fromUtf8("すべて選択(&A)\tCtrl+A"), QString::fromUtf8("最新の情報に更新(&R)\tF5"),
                          QString::fromUtf8("このデータのPDFを直接表示(&K)\tWClick 「№」"),
                          QString::fromUtf8("このデータのPDFをHTMLエリアに表示(&G)\tWClick 「Serial №」"),
                          QString::fromUtf8("このデータのテキスト(&T)\tWClick 「テキスト(Byte)」"),
                          QString::fromUtf8("このデータのプロパティ(&P)\tWClick 上記以外の列")}));
    QCOMPARE(separators, (QList<int>{2, 5, 8}));
    QCOMPARE(view->KeywordMenu()->actions().size(), 1);
    QCOMPARE(view->KeywordMenu()->actions()[0]->text(), QString::fromUtf8("キーワード修正(&K)"));
    QCOMPARE(view->ContextMenuFor(6), view->KeywordMenu());
    QCOMPARE(view->ContextMenuFor(5), view->RowMenu());
  }

  void keysAreTheListsOwn() {
    ListFixture f;
    f.AddRow("00000001", "a");
    f.AddRow("00000002", "b");
    f.list.AddDuplicate(1, 0);
    auto view = f.MakeView();
    view->activateWindow();
    view->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(view.get()));
    QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
    QVERIFY(f.list.IsSelected(0) && f.list.IsSelected(1));
    QTest::keyClick(view.get(), Qt::Key_F5, Qt::ControlModifier);
    QCOMPARE(f.list.DuplicateCount(), 0);
    f.list.SetSelected(0, false);
    f.prompter.answers = {Answer::Yes};
    QTest::keyClick(view.get(), Qt::Key_Delete);
    QVERIFY(f.prompter.ShowedMessage(Msg::RemoveFromListQuestion));
    QCOMPARE(f.list.RowCount(), 1);
    QCOMPARE(f.list.Cell(0, 1), std::string("00000001"));
  }

  void keywordMenuRewritesTheSelectedRecords() {
    ListFixture f;
    IndexRecord record;
    record[FieldTag::PK] = J("古い");
    for (const char* serial : {"00000001", "00000002", "00000003"}) {
      f.store.WorkingRecord() = record;
      QVERIFY(f.store.WriteRecordFile(serial));
    }
    f.AddRow("00000001", "a", true);
    f.AddRow("00000002", "b");
    f.AddRow("00000003", "c", true);
    auto view = f.MakeView();
    Modal::SetNextRun([](QDialog& run) {
      auto& dialog = static_cast<CRenameDlg&>(run);
      if (dialog.windowTitle() != QString::fromUtf8("キーワードの変更")) return 0;
      dialog.Edit()->setText(QString::fromUtf8("会議,予算"));
      dialog.OnOk();
      return dialog.result();
    });
    for (QAction* action : view->KeywordMenu()->actions()) action->trigger();
    QCOMPARE(f.list.Cell(0, 6), J("会議,予算"));
    QCOMPARE(f.list.Cell(1, 6), J("会議"));
    QCOMPARE(f.list.Cell(2, 6), J("会議,予算"));
    QVERIFY(f.store.ReadRecordFile("00000003", false));
    QCOMPARE(f.store.WorkingRecord()[FieldTag::PK], J("会議,予算"));
  }

  void tooltipsOverSelectedRowsOnly() {
    ListFixture f;
    f.AddRow("00000001", "a", true);
    f.AddRow("00000002", "b");
    auto view = f.MakeView();
    MoveTo(*view, 0, 6);
    QCOMPARE(view->LastTipColumn(), 6);
    QCOMPARE(view->TipText(), QString::fromUtf8("(RClick Menu)\nキーワードの複数行一括変更\n※ 複数行選択方法\n"
                                                "　 Shift + Click 範囲指定選択\n　 Ctrl + Click  個別選択/選択解除"));
    MoveTo(*view, 0, 1);
    QCOMPARE(view->TipText(), QString::fromUtf8("(WClick)\nこのデータのPDFをHTMLエリアに表示"));
    MoveTo(*view, 0, 0);
    QCOMPARE(view->TipText(), QString::fromUtf8("(WClick)\nこのデータのPDFを直接表示"));
    MoveTo(*view, 0, 8);
    QCOMPARE(view->TipText(), QString::fromUtf8("(WClick)\nこのデータのプロパティを表示"));
    QVERIFY(view->findChild<QWidget*>("ListTip")->width() <= 512);
    MoveTo(*view, 1, 8);
    QCOMPARE(view->LastTipColumn(), -1);
    QVERIFY(view->TipText().isEmpty());
  }

  void selectionInStepBothWays() {
    ListFixture f;
    for (int i = 0; i < 5; ++i) f.AddRow(FormatSerial(i), "t");
    auto view = f.MakeView();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 3)).center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      view->visualRect(view->model()->index(3, 3)).center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      view->visualRect(view->model()->index(2, 3)).center());
    QVERIFY(!f.list.IsSelected(0) && f.list.IsSelected(1) && !f.list.IsSelected(2) && f.list.IsSelected(3));

    // The core's changes reach Qt's selection with the next turn of the event loop.
    f.list.SetAllSelected(false);
    QTRY_VERIFY(!view->selectionModel()->hasSelection());
    f.list.SetSelected(4, true);
    QTRY_VERIFY(view->selectionModel()->isRowSelected(4, {}));
    f.AddRow("00000009", "new", true);  // an appended selected row, as a search adds it
    QTRY_VERIFY(view->selectionModel()->isRowSelected(5, {}));
    QVERIFY(view->selectionModel()->isRowSelected(4, {}));
    QCOMPARE(view->selectionModel()->selection().size(), 1);  // one range for the run
    f.list.DeleteRow(0);
    QVERIFY(view->selectionModel()->isRowSelected(3, {}));
    QVERIFY(view->selectionModel()->isRowSelected(4, {}));
    QVERIFY(!view->selectionModel()->isRowSelected(2, {}));
  }

  // The drag of selected rows offers their files; a press on an unselected row still selects
  // by moving, as before dragging out was possible.
  void selectedRowsDragTheirFilesAndMovingFromOthersSelects() {
    ListFixture f;
    const std::string copy = f.store.RecordFilePath("00000001", kKindPdf);
    QVERIFY(EnsureFolders(copy.substr(0, copy.rfind('/'))));
    QVERIFY(WriteFileAtomic(copy, "%PDF-1.4\n"));
    f.AddRow("00000001", "a", true);
    f.AddRow("00000002", "b", true);  // no copy: offers nothing
    f.AddRow("00000003", "c");
    auto view = f.MakeView();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    std::unique_ptr<QMimeData> data(view->DraggedFiles());
    QVERIFY(data);
    QCOMPARE(data->urls(), QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(copy))});

    QWindow* window = view->windowHandle();
    auto at = [&](int row) {
      return view->viewport()->mapTo(view.get(), view->visualRect(view->model()->index(row, 3)).center());
    };
    QTest::mousePress(window, Qt::LeftButton, {}, at(0));
    QVERIFY(view->dragEnabled());
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(0));
    QTest::mousePress(window, Qt::LeftButton, {}, at(2));
    QVERIFY(!view->dragEnabled());
    QTest::mouseMove(window, at(1));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(1));
    QVERIFY(!f.list.IsSelected(0) && f.list.IsSelected(1) && f.list.IsSelected(2));
    f.list.SetAllSelected(false);
    QVERIFY(!view->DraggedFiles());
  }

  // Differential: the summed widths against shaping every text, for single texts and whole
  // fits, in several fonts, on texts that kern, join, combine, break CP932 or are plain.
  void fastColumnFitGivesTheShapedWidths() {
    const std::vector<std::string> pieces = {"AV",
                                             "To",
                                             "W.",
                                             "ffi",
                                             "fl",
                                             "LT",
                                             "Yo",
                                             "r,",
                                             "document",
                                             "/home/user/",
                                             "1,234,567",
                                             "2024/01/15 09:30",
                                             "00000042",
                                             "I",
                                             "O",
                                             " ",
                                             "  ",
                                             "\t",
                                             "\x7F",
                                             "\x01",
                                             "\x81",
                                             "\xFF",
                                             "\x82\xA0",
                                             "\x81\x9B",
                                             "\xB1\xB2",
                                             J("報告書"),
                                             J("議事録について"),
                                             J("第二版"),
                                             J("（臨時）"),
                                             J("ｶﾀｶﾅ"),
                                             J("Ωαβ"),
                                             J("①②"),
                                             J("〜－"),
                                             J("ＡＢＣ１２３"),
                                             J("─┼"),
                                             J("アー・カ"),
                                             J("Цд"),
                                             J("/home/資料/"),
                                             "AV",
                                             "0123456789",
                                             "7",
                                             "To",
                                             J("ΑΥ"),
                                             "\x5C",
                                             "~",
                                             "e\xCC\x81",
                                             "i\x87\x40"};
    std::mt19937 random(7);
    auto text = [&] {
      std::string t;
      const int parts = static_cast<int>(random() % 6);
      for (int i = 0; i < parts; ++i) t += pieces[random() % pieces.size()];
      return t;
    };
    QFont bold = QApplication::font();
    bold.setBold(true);
    QFont serif(QStringLiteral("Serif"), 13);
    serif.setItalic(true);
    for (const QFont& font : {QApplication::font(), bold, serif}) {
      const QFontMetrics metrics(font);
      QtTextMeasure fast(metrics);
      for (int i = 0; i < 8000; ++i) {
        const std::string t = text();
        const int width = metrics.horizontalAdvance(ToQString(t));
        QVERIFY2(fast.TextWidth(t) == width && fast.WidthBound(t) >= width,
                 qPrintable(ToQString(t).toHtmlEscaped() + QStringLiteral(" in ") + font.toString() +
                            QString(" %1 %2 %3 [%4]")
                                .arg(width)
                                .arg(fast.WidthBound(t))
                                .arg(fast.TextWidth(t))
                                .arg(QString::fromLatin1(QByteArray::fromStdString(t).toHex()))));
      }
      class Shaped : public TextMeasure {
       public:
        explicit Shaped(const QFontMetrics& m) : m_(m) {}
        int TextWidth(const std::string& t) const override { return m_.horizontalAdvance(ToQString(t)); }
        QFontMetrics m_;
      } shaped(metrics);
      for (int lists = 0; lists < 5; ++lists) {
        ListRows list;
        for (int row = 0; row < 200; ++row) {
          ListRows::Cells cells;
          for (std::string& cell : cells) cell = text();
          if (lists == 4) cells[3] = std::string(100, 'W');  // a column that reaches the bound
          list.AppendRow(cells, false);
        }
        const std::vector<ColumnWidth> expected = FitColumnWidths(shaped, list, ListRows::kColumns, -1);
        const std::vector<ColumnWidth> got = FitColumnWidths(fast, list, ListRows::kColumns, -1);
        QCOMPARE(got.size(), expected.size());
        for (std::size_t c = 0; c < got.size(); ++c) QCOMPARE(got[c].width, expected[c].width);
      }
    }
  }

  void columnColourAndClear() {
    ListFixture f;
    f.AddRow("00000001", "a");
    f.list.AddDuplicate(1, 0);
    auto view = f.MakeView();
    Modal::SetNextColor(std::nullopt);
    view->OnColColor();
    QCOMPARE(f.settings.GetText(setting::ColColor), std::string("16765650"));
    Modal::SetNextColor(QColor(1, 2, 3));
    view->OnColColor();
    QCOMPARE(f.settings.GetText(setting::ColColor), std::string("197121"));
    QImage image = view->viewport()->grab().toImage();
    QCOMPARE(Background(*view, image, 0, 3), QColor(1, 2, 3));

    f.prompter.answers = {Answer::No, Answer::Yes};
    view->OnListClear();
    QCOMPARE(f.list.RowCount(), 1);
    view->OnListClear();
    QCOMPARE(f.list.RowCount(), 0);
    QCOMPARE(f.list.DuplicateCount(), 0);
    QVERIFY(!view->HasRows());
  }
};

QTEST_MAIN(ListViewTest)
#include "list_view_test.moc"
