// The desktop program's shell under a real X server: start-up and exit, one running copy, the
// ribbon's elements and rules, the search from the ribbon, the settings sheet, the area swap.
// Every test runs on its own settings file, store folder and lock file.

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CMainSheet.h"
#include "app/CMyRibbonBar.h"
#include "app/CShelfApp.h"
#include "app/qt/SettingsFlow.h"
#include "common/FileSystem.h"
#include "common/qt/Modal.h"
#include "common/qt/QtDesktopOpener.h"
#include "common/qt/QtSettings.h"
#include "common/qt/QtText.h"
#include "dialogs/CPropertyDlg.h"
#include "dialogs/CRenameDlg.h"
#include "dialogs/CTextDlg.h"
#include "html/CBmDlg.h"
#include "html/CShelfView.h"
#include "html/qt/WebEngineSetup.h"
#include "import/CQuesDlg.h"
#include "list/CLeftView.h"
#include "list/CListDlg.h"
#include "list/SavedLists.h"
#include "shell_fixture.h"
#include "support/TestSupport.h"
#include "support/qt/QtTestSupport.h"

using namespace folidex;
using folidex::test::Run;

namespace {

QString MsgText(Msg id) { return QString::fromUtf8(MessageTextUtf8(id)); }

// Acts on the next modal window once it is shown.
void WhenModal(std::function<void(QWidget*)> action) {
  QTimer::singleShot(50, [action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
      WhenModal(action);
      return;
    }
    action(modal);
  });
}

void Click(QWidget* root, const char* id) {
  auto* button = root->findChild<QAbstractButton*>(QString::fromLatin1(id));
  QVERIFY2(button, id);
  button->click();
}

ListRows::Cells RowCells(const char* serial, const char* title) {
  ListRows::Cells cells;
  cells[0] = "1";
  cells[1] = serial;
  cells[3] = title;
  return cells;
}

void PutRecord(Store& store, const std::string& serial, const char* title) {
  store.WorkingRecord().Clear();
  store.WorkingRecord()[FieldTag::PT] = title;
  store.WorkingRecord()[FieldTag::TY] = "O";
  store.WorkingRecord()[FieldTag::FA] = "2010/12/01 10:00:00";
  QVERIFY(store.WriteRecordFile(serial));
}

// The mnemonic letter of a text ("保存して終了(&H)" gives H; "&&" is a plain ampersand), or none.
QChar Mnemonic(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] == u'&') {
      ++i;
      continue;
    }
    return text[i + 1].toUpper();
  }
  return {};
}

// The mnemonics used twice within what one page of a dialog shows at once: the widgets outside
// its tab pages together with those of each one page. "H: 保存して終了(&H) / …" per clash.
QStringList MnemonicClashes(QWidget* dialog) {
  struct Owner {
    QWidget* page;  // the tab page it is on, or null
    QChar key;
    QString text;
  };
  std::vector<Owner> owners;
  std::vector<QWidget*> pages;
  for (QTabWidget* tabs : dialog->findChildren<QTabWidget*>())
    for (int i = 0; i < tabs->count(); ++i) pages.push_back(tabs->widget(i));
  for (QWidget* widget : dialog->findChildren<QWidget*>()) {
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
      text = button->text();
    else if (auto* label = qobject_cast<QLabel*>(widget))
      text = label->buddy() ? label->text() : QString();
    else if (auto* box = qobject_cast<QGroupBox*>(widget))
      text = box->title();
    const QChar key = Mnemonic(text);
    if (key.isNull()) continue;
    QWidget* page = nullptr;
    for (QWidget* p : pages)
      if (p == widget || p->isAncestorOf(widget)) page = p;
    owners.push_back({page, key, text});
  }
  QStringList clashes;
  if (pages.empty()) pages.push_back(nullptr);
  for (QWidget* page : pages) {
    std::map<QChar, QStringList> byKey;
    for (const Owner& owner : owners)
      if (!owner.page || owner.page == page) byKey[owner.key] << owner.text;
    for (const auto& [key, texts] : byKey)
      if (texts.size() > 1) clashes << QString(key) + QStringLiteral(": ") + texts.join(QStringLiteral(" / "));
  }
  clashes.removeDuplicates();
  return clashes;
}

}  // namespace

class AppShellTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { Modal::Reset(); }

  void startWithoutStorePathAsksAndEndsOnNo();
  void theFirstSheetConfirmedWithoutAFolderSaysSoAndStays();
  void lastListComesBackOnlyWithSetListButIsAlwaysWritten();
  void exitWritesWindowStateWithTheNormalRectangleAndNoNegativeEdge();
  void aSecondCopyIsRefused();
  void aTerminationRequestEndsLikeAClose();
  void ribbonElementsAreReachable();
  void enablingRulesFollowFlagsListAndPageType();
  void lowerDateBoundGetsTodayOnlyOverTheOpenValue();
  void restoreWithoutFukugenStartsWithTodayAndFlagsOff();
  void searchFromTheRibbonFillsTheListAndSavesTheConditions();
  void settingsSheetChangesTheStoreAndCancelChangesNothing();
  void settingsSheetFieldRules();
  void aRefusedStoreChangeReopensTheSheetOnGeneral();
  void areaSwapIsWrittenAndTakesEffectAtTheNextStart();
  void everyDialogAndSheetPageGivesEachMnemonicOneOwner();
};

void AppShellTest::startWithoutStorePathAsksAndEndsOnNo() {
  Run run;
  run.WriteIni("[KanSet]\nHome=about:blank\n");
  Modal::SetNextAnswers({Answer::No});
  QVERIFY(!run.Start());
  QVERIFY(run.Frame()->isVisible());  // the question comes after the window is shown
  QStringList shown = Modal::TakeShownMessages();
  QCOMPARE(shown, QStringList{MsgText(Msg::StorePathMissingQuestion)});
  run.Stop();
  // Nothing is written into a store that was never chosen, and no further message appears.
  QVERIFY(Modal::TakeShownMessages().isEmpty());
  QVERIFY(!std::filesystem::exists(run.StorePath() + "/DOCDATA"));
  QCOMPARE(run.Text(setting::StorePath), QString());
}

void AppShellTest::theFirstSheetConfirmedWithoutAFolderSaysSoAndStays() {
  Run run;
  run.WriteIni("[KanSet]\nHome=about:blank\n");
  test::TempDir chosen;
  Modal::SetNextAnswers({Answer::Yes, Answer::Ok});
  Modal::SetFolderAnswer([&chosen](const QString&) { return QString::fromStdString(chosen.path()); });
  int opened = 0;
  WhenModal([&](QWidget* sheet) {
    ++opened;
    Click(sheet, "IDOK");  // no folder chosen
    WhenModal([&](QWidget* again) {
      ++opened;
      QCOMPARE(static_cast<CMainSheet*>(again)->CurrentPage(), 0);
      Click(again, "IDC_BROWSE_STORE");
      Click(again, "IDOK");
    });
  });
  QVERIFY(run.Start());
  QCOMPARE(opened, 2);
  QCOMPARE(Modal::TakeShownMessages(),
           (QStringList{MsgText(Msg::StorePathMissingQuestion), MsgText(Msg::StoreLocationRequired)}));
  QCOMPARE(run.app->services().settings.GetPath(setting::StorePath), chosen.path());
  run.Stop();
}

void AppShellTest::lastListComesBackOnlyWithSetListButIsAlwaysWritten() {
  Run run;
  {
    MemorySettings settings;
    test::ScriptedPrompter prompter;
    Store store(settings, prompter);
    run.MakeStoreFolders();
    store.SetLocation(NativePath(run.StorePath()));
    ListRows rows;
    rows.AppendRow(RowCells("00000001", "one"), false);
    rows.AppendRow(RowCells("00000002", "two"), false);
    QCOMPARE(SaveListFile(rows, store, prompter, "ListData.csv"), 1);
  }
  run.WriteStandardIni("SetList=1\n");
  QVERIFY(run.Start());
  QCOMPARE(run.app->services().list.RowCount(), 2);
  QCOMPARE(run.app->services().list.Cell(1, 1), std::string("00000002"));
  run.Stop();

  run.WriteStandardIni("SetList=0\n");
  QVERIFY(run.Start());
  QCOMPARE(run.app->services().list.RowCount(), 0);
  run.app->services().list.AppendRow(RowCells("00000009", "nine"), false);
  run.Stop();

  // The list of the latest run is in ListData.csv for the next start with SetList 1.
  run.WriteStandardIni("SetList=1\n");
  QVERIFY(run.Start());
  QCOMPARE(run.app->services().list.RowCount(), 1);
  QCOMPARE(run.app->services().list.Cell(0, 1), std::string("00000009"));
  QVERIFY(Modal::TakeShownMessages().isEmpty());
}

void AppShellTest::exitWritesWindowStateWithTheNormalRectangleAndNoNegativeEdge() {
  Run run;
  run.WriteStandardIni("[Last]\nZoomed=1\nDocType=0\nDspPage=http://kept.example/\n");
  QVERIFY(run.Start());
  QTRY_VERIFY(run.Frame()->isMaximized());
  // Japanese conventions whatever the system locale (the file dialogs' dates and types).
  QCOMPARE(QLocale().language(), QLocale::Japanese);
  QCOMPARE(QLocale().toString(QDate(2024, 3, 5), QLocale::ShortFormat), QStringLiteral("2024/03/05"));
  Click(run.Ribbon(), "ID_BUTTON10");  // the photo filter
  QCOMPARE(run.Frame()->WebSearchFilter(), 2);
  const QRect normal = run.Frame()->normalGeometry();
  const int leftWidth = run.Frame()->Splitter()->sizes().value(0);
  const QString address = QString::fromStdString(run.Frame()->HtmlView()->GetLocationURL());
  run.Frame()->close();
  // No address shown: the last page stays as it was.
  QCOMPARE(run.Text(setting::DspPage), address.isEmpty() ? QStringLiteral("http://kept.example/") : address);
  QCOMPARE(run.Int(setting::Zoomed), 1L);
  QCOMPARE(run.Int(setting::DocType), 2L);
  QCOMPARE(run.Int(setting::CxCur), long(leftWidth));
  QCOMPARE(run.Int(setting::WindowWidth), long(normal.width()));
  QCOMPARE(run.Int(setting::WindowHeight), long(normal.height()));
  QVERIFY(run.Int(setting::WindowX) >= 0);
  run.Stop();

  // A normal window partly off the left and top edges; the address shown is kept.
  run.WriteStandardIni("[Last]\nZoomed=0\nDspPage=http://kept.example/\n");
  QVERIFY(run.Start());
  QVERIFY(!run.Frame()->isMaximized());
  QCOMPARE(run.Frame()->WebSearchFilter(), 0);
  const QString page = QString::fromStdString(run.dir.File("page.html"));
  std::ofstream(page.toStdString()) << "<html><body>page</body></html>";
  run.Frame()->HtmlView()->Navigate2(page.toStdString());
  QTRY_VERIFY_WITH_TIMEOUT(!run.Frame()->HtmlView()->GetLocationURL().empty(), 20000);
  const QString shown = QString::fromStdString(run.Frame()->HtmlView()->GetLocationURL());
  run.Frame()->move(-40, -25);
  QTRY_VERIFY(run.Frame()->frameGeometry().x() < 0);
  const QSize size = run.Frame()->frameGeometry().size();
  run.Frame()->close();
  QCOMPARE(run.Int(setting::Zoomed), 0L);
  QCOMPARE(run.Int(setting::WindowX), 0L);
  QCOMPARE(run.Int(setting::WindowY), 0L);
  QCOMPARE(run.Int(setting::WindowWidth), long(size.width()));
  QCOMPARE(run.Text(setting::DspPage), shown);
  run.Stop();

  // The normal rectangle comes back at the next start; one that lies off every screen now (a
  // screen taken away) is centred on the first.
  run.WriteStandardIni("[Last]\nZoomed=0\nPX=120\nPY=90\nSX=1100\nSY=700\n");
  QVERIFY(run.Start());
  QTRY_COMPARE(run.Frame()->frameGeometry(), QRect(120, 90, 1100, 700));
  run.Stop();
  run.WriteStandardIni("[Last]\nZoomed=0\nPX=9000\nPY=90\nSX=1100\nSY=700\n");
  QVERIFY(run.Start());
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QTRY_VERIFY(screen.contains(run.Frame()->frameGeometry()));
  QCOMPARE(run.Frame()->frameGeometry().size(), QSize(1100, 700));
}

// Starts the program itself, as a user would, on the run's store: its settings under
// cfg/Orvane/Folidex.conf, its lock under run/.
static bool StartProgram(const Run& run, QProcess& program) {
  QDir().mkpath(QString::fromStdString(run.dir.File("cfg/Orvane")));
  QDir().mkpath(QString::fromStdString(run.dir.File("run")));
  QFile::setPermissions(QString::fromStdString(run.dir.File("run")),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  std::ofstream(run.dir.File("cfg/Orvane/Folidex.conf"))
      << "[KanSet]\nStorePath=" << run.StorePath() << "\nHome=about:blank\n";
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(run.dir.File("cfg")));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(run.dir.File("run")));
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(FOLIDEX_PROGRAM), {});
  return program.waitForStarted();
}

void AppShellTest::aSecondCopyIsRefused() {
  // The first copy is the program itself, started as a user would.
  Run first;
  std::filesystem::create_directories(first.StorePath());
  QProcess program;
  QVERIFY(StartProgram(first, program));
  const QString lock = QString::fromStdString(first.dir.File("run/folidex.lock"));
  QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lock), 30000);

  // A second copy on the same lock shows 30034 and ends before building any window.
  Run second;
  second.WriteStandardIni();
  ShellOptions options;
  options.settingsFile = second.Ini();
  options.lockFile = lock;
  CShelfApp app(options);
  Modal::SetNextAnswers({Answer::Ok});
  QVERIFY(!app.InitInstance());
  QCOMPARE(app.ExitCode(), 1);
  QVERIFY(app.MainFrame() == nullptr);
  QCOMPARE(Modal::TakeShownMessages(), QStringList{MsgText(Msg::AlreadyRunning)});
  // The first copy runs on, still holding its lock.
  QTest::qWait(300);
  QCOMPARE(program.state(), QProcess::Running);
  QVERIFY(QFile::exists(lock));
  program.kill();
  program.waitForFinished();
}

void AppShellTest::aTerminationRequestEndsLikeAClose() {
  // The program itself, ended by SIGTERM (a shutdown, a `kill`) once it is up: it ends normally
  // and keeps the current list and its settings, as a close of its window does.
  Run first;
  first.MakeStoreFolders();
  const std::string conf = first.dir.File("cfg/Orvane/Folidex.conf");
  QProcess program;
  QVERIFY(StartProgram(first, program));
  QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QString::fromStdString(first.dir.File("run/folidex.lock"))), 30000);
  QTest::qWait(1000);  // the window is up and the event loop runs
  const std::string listFile = first.StorePath() + "/DOCDATA/LIST/ListData.csv";
  QVERIFY(!std::filesystem::exists(listFile));
  program.terminate();
  QVERIFY(program.waitForFinished(30000));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 0);
  QVERIFY(std::filesystem::exists(listFile));
  std::string settings;
  QVERIFY(ReadFileBytes(conf, settings));
  QVERIFY(settings.find("Zoomed=") != std::string::npos);
}

void AppShellTest::ribbonElementsAreReachable() {
  Run run;
  run.WriteStandardIni();
  QVERIFY(run.Start());
  CMyRibbonBar* ribbon = run.Ribbon();
  QCOMPARE(ribbon->Tabs()->tabText(0), QStringLiteral("ホーム  ( WClick , Ctrl+F1 )"));
  QCOMPARE(ribbon->Tabs()->tabText(1), QStringLiteral("検索"));
  // Every element of the ribbon is reachable: it shows, inside the ribbon, when its tab is the
  // current one, and each command button runs a command of the frame or the list.
  QTabBar* tabs = ribbon->Tabs();
  const QList<QWidget*> elements = ribbon->findChildren<QWidget*>(QRegularExpression(QStringLiteral("^IDC?_")));
  QVERIFY(elements.size() >= 40);
  for (QWidget* element : elements) {
    const QString id = element->objectName();
    QWidget* page = nullptr;
    for (const char* name : {"HomeTab", "SearchTab"}) {
      auto* candidate = ribbon->findChild<QWidget*>(QString::fromLatin1(name));
      if (candidate->isAncestorOf(element)) page = candidate;
    }
    if (page) tabs->setCurrentIndex(page->objectName() == QLatin1String("HomeTab") ? 0 : 1);
    QVERIFY2(element->isVisible(), qPrintable(id));
    // A screen reader reads what the mouse shows: a name, and the hover text as description.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(element);
    QVERIFY2(accessible && !accessible->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(id));
    if (id != QLatin1String("ID_APP_MENU"))
      QVERIFY2(!accessible->text(QAccessible::Description).isEmpty(), qPrintable(id));
    // ... and the keyboard reaches it with Tab.
    QVERIFY2(element->focusPolicy() & Qt::TabFocus, qPrintable(id));
    const QRect rect(element->mapTo(ribbon, QPoint(0, 0)), element->size());
    QVERIFY2(!rect.isEmpty() && ribbon->rect().contains(rect), qPrintable(id));
    auto* button = qobject_cast<QToolButton*>(element);
    if (button && id != QLatin1String("ID_NOW_DSP") && id != QLatin1String("ID_DSP_AREA") &&
        id != QLatin1String("ID_APP_MENU"))
      QVERIFY2(run.Frame()->findChild<QAction*>(id), qPrintable(id));
  }
  tabs->setCurrentIndex(0);
  QCOMPARE(ribbon->findChildren<QWidget*>(QStringLiteral("ID_LIST_CLEAR")).size(), 2);  // on both tabs
  for (const char* id : {"ID_GOKU", "ID_EDIT_NAME", "ID_EDIT1", "ID_EDIT2", "ID_EDIT3", "ID_EDIT4", "ID_EDIT5",
                         "ID_EDIT6", "ID_DATE1", "ID_DATE2"})
    QVERIFY2(run.Element<QLineEdit>(id), id);
  for (const char* id : {"ID_CHK0", "ID_CHK1", "ID_CHK2"}) QVERIFY2(run.Element<QCheckBox>(id), id);
  QVERIFY(run.Element<QToolButton>("ID_NOW_DSP"));
  QVERIFY(run.Element<QToolButton>("ID_SHOW_MENU"));
  QCOMPARE(run.Element<QToolButton>("ID_DSP_AREA")->menu(), ribbon->AreaMenu());
  QStringList appItems;
  for (QAction* action : ribbon->ApplicationMenu()->actions())
    if (!action->isSeparator()) appItems << action->objectName() + QLatin1Char('=') + action->text();
  QCOMPARE(appItems,
           (QStringList{QStringLiteral("ID_KAN_SET=環境設定(&K)"), QStringLiteral("ID_APP_ABOUT=バージョン情報(&A)"),
                        QStringLiteral("ID_APP_EXIT=終了(&X)")}));
  QStringList areaItems;
  for (QAction* action : ribbon->AreaMenu()->actions()) areaItems << action->text();
  QCOMPARE(areaItems,
           (QStringList{QStringLiteral("均等表示"), QStringLiteral("ＨＴＭＬエリア"), QStringLiteral("リストエリア")}));
  for (const char* pane : {"pane120", "pane121", "pane123"}) QVERIFY2(run.Element<QLabel>(pane), pane);
  QCOMPARE(run.Element<QLabel>("pane120")->accessibleName(), QStringLiteral("Url & Search Files"));
  QVERIFY(run.Frame()->windowTitle().startsWith(QStringLiteral("フォリデクス")));
  // Qt's own buttons speak Japanese.
  QVERIFY(QCoreApplication::translate("QPlatformTheme", "&Yes").contains(QStringLiteral("はい")));
  // The ribbon folds and unfolds.
  Click(ribbon, "ID_SHOW_MENU");
  QVERIFY(ribbon->IsMinimized());
  QVERIFY(!run.Frame()->findChild<QWidget*>(QStringLiteral("RibbonPages"))->isVisible());
  emit ribbon->Tabs()->tabBarDoubleClicked(0);
  QVERIFY(!ribbon->IsMinimized());

  // The Word format toggle and its hover text, which follows the value at hovering time.
  QVERIFY(ribbon->HoverText(QStringLiteral("ID_OPT_WORD")).contains(QStringLiteral("書式付きで")));
  Click(ribbon, "ID_OPT_WORD");
  QCOMPARE(run.Element<QWidget>("ID_OPT_WORD")->property("label").toString(), QStringLiteral("TEXT"));
  QCOMPARE(run.app->services().settings.GetInt(setting::OptWord), 0L);
  QVERIFY(ribbon->HoverText(QStringLiteral("ID_OPT_WORD")).contains(QStringLiteral("テキストのみを")));

  // The About box lists the history newest first and closes with 確認 (&Y).
  CAboutDlg about(run.Frame());
  QCOMPARE(about.windowTitle(), QStringLiteral("バージョン情報"));
  // It says which system this build runs on, not only the history's Windows versions.
  QVERIFY(about.findChild<QLabel*>(QStringLiteral("IDC_SYSTEM"))->text().contains(QSysInfo::prettyProductName()));
  const QStringList lines = about.findChild<QPlainTextEdit*>(QStringLiteral("IDC_HISTORY"))->toPlainText().split('\n');
  QCOMPARE(lines.size(), 5);
  QCOMPARE(lines.first(), MsgText(Msg::VersionHistory104));
  QCOMPARE(lines.last(), MsgText(Msg::VersionHistory100));
  QCOMPARE(about.findChild<QAbstractButton*>(QStringLiteral("IDOK"))->text(), QStringLiteral("確認 (&Y)"));
  QVERIFY(CAboutDlg::HistoryText().endsWith(MsgText(Msg::VersionHistory100) + QStringLiteral("\r\n")));
}

void AppShellTest::enablingRulesFollowFlagsListAndPageType() {
  Run run;
  run.WriteStandardIni("[Last]\nSelCol=0\n[Search]\nZenbun=0\nChk1=0\nChk2=0\n");
  QVERIFY(run.Start());
  auto enabled = [&run](const char* id) { return run.Element<QWidget>(id)->isEnabled(); };
  QVERIFY(enabled("ID_EDIT1") && enabled("ID_EDIT5") && !enabled("ID_EDIT6"));
  Click(run.Ribbon(), "ID_ZENBUN");
  QVERIFY(!enabled("ID_EDIT1") && !enabled("ID_EDIT5") && enabled("ID_EDIT6"));
  QCOMPARE(run.app->services().settings.GetInt(setting::Zenbun), 1L);
  QVERIFY(!enabled("ID_DATE1") && !enabled("ID_DATE2"));
  Click(run.Ribbon(), "ID_CHK2");
  QVERIFY(!enabled("ID_DATE1") && enabled("ID_DATE2"));
  QVERIFY(enabled("ID_SPACE_CUT") && enabled("ID_ADD_LIST"));

  // Sorting needs a selected column above 0; the list buttons need rows.
  QVERIFY(!enabled("ID_SORT_U") && !enabled("ID_SORT_D"));
  for (QWidget* clear : run.Ribbon()->findChildren<QWidget*>(QStringLiteral("ID_LIST_CLEAR")))
    QVERIFY(!clear->isEnabled());
  QVERIFY(!enabled("IDC_SAVE_LIST") && !enabled("ID_EDIT_NAME") && !enabled("ID_EXCEL_OUT3"));
  QVERIFY(enabled("IDC_LOAD_LIST") && enabled("IDC_LIST_KANRI"));
  // A click on the header of column 3 selects it.
  QHeaderView* header = run.Frame()->ListView()->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(3) + header->sectionSize(3) / 2, header->height() / 2));
  QCOMPARE(run.app->services().settings.GetInt(setting::SelCol), 3L);
  run.app->services().list.AppendRow(RowCells("00000001", "one"), false);
  run.Frame()->UpdateCommandStates();
  QVERIFY(enabled("ID_SORT_U") && enabled("ID_SORT_D"));
  for (QWidget* clear : run.Ribbon()->findChildren<QWidget*>(QStringLiteral("ID_LIST_CLEAR")))
    QVERIFY(clear->isEnabled());
  QVERIFY(enabled("IDC_SAVE_LIST") && enabled("ID_EDIT_NAME") && enabled("ID_EXCEL_OUT3"));

  // PDF 取得 and Word 出力 only while the HTML area shows a PDF.
  QVERIFY(!enabled("ID_GET_PDF") && !enabled("ID_GET_WORD"));
  const QString pdf = QString::fromStdString(run.dir.File("shown.pdf"));
  test::WriteJapanesePdf(pdf, {QStringLiteral("Folidex")});
  run.Frame()->HtmlView()->Navigate2(pdf.toStdString());
  QTRY_COMPARE_WITH_TIMEOUT(ToQString(run.Frame()->HtmlView()->PageType()), QStringLiteral("PDF"), 20000);
  QTRY_VERIFY(enabled("ID_GET_PDF") && enabled("ID_GET_WORD"));
  QCOMPARE(run.Element<QWidget>("ID_NOW_DSP")->property("label").toString(), QStringLiteral("PDF"));
  QVERIFY(run.Ribbon()->HoverText(QStringLiteral("ID_NOW_DSP")).contains(QStringLiteral("「PDF」")));
}

void AppShellTest::lowerDateBoundGetsTodayOnlyOverTheOpenValue() {
  Run run;
  // The stored open bound (ticked when it was saved) comes back as a bound not in use.
  run.WriteStandardIni("Fukugen=1\n[Search]\nDate1=00000000\nDate2=20101231\nChk1=1\nChk2=0\n");
  QVERIFY(run.Start());
  auto* date1 = run.Element<QLineEdit>("ID_DATE1");
  QCOMPARE(date1->text(), QString());
  QVERIFY(!run.Element<QCheckBox>("ID_CHK1")->isChecked());
  QVERIFY(!date1->isEnabled());
  QCOMPARE(run.Element<QLineEdit>("ID_DATE2")->text(), QStringLiteral("2010/12/31"));
  const QString today = ToQString(FormatLocalTime(run.clock.Now(), "%Y/%m/%d"));
  Click(run.Ribbon(), "ID_CHK1");
  QCOMPARE(date1->text(), today);
  QCOMPARE(run.app->services().settings.GetInt(setting::Chk1), 1L);
  Click(run.Ribbon(), "ID_CHK1");  // off: the text stays
  QCOMPARE(run.app->services().settings.GetInt(setting::Chk1), 0L);
  date1->setText(QStringLiteral("2011/01/01"));
  Click(run.Ribbon(), "ID_CHK1");
  QCOMPARE(date1->text(), QStringLiteral("2011/01/01"));
}

void AppShellTest::restoreWithoutFukugenStartsWithTodayAndFlagsOff() {
  Run run;
  const std::string search =
      "[Search]\nGoku0=abc\nDate1=20100101\nDate2=20101231\nZenbun=1\nChk0=1\nChk1=1\nChk2=1\nSpaceCut=1\nAddList=1\n"
      "Yure=0\n";
  run.WriteStandardIni("Fukugen=0\n" + search);
  QVERIFY(run.Start());
  const QString today = ToQString(FormatLocalTime(run.clock.Now(), "%Y/%m/%d"));
  QCOMPARE(run.Element<QLineEdit>("ID_DATE1")->text(), today);
  QCOMPARE(run.Element<QLineEdit>("ID_DATE2")->text(), today);
  for (const char* id : {"ID_ZENBUN", "ID_CHK0", "ID_CHK1", "ID_CHK2", "ID_SPACE_CUT", "ID_ADD_LIST"})
    QVERIFY2(!run.Element<QCheckBox>(id)->isChecked(), id);
  QVERIFY(run.Element<QCheckBox>("ID_YURE")->isChecked());  // not restored: as a new user finds it
  QCOMPARE(run.Element<QLabel>("ID_MD_HANI")->text(), QStringLiteral("取得日の範囲"));
  // The terms come back either way; the edits follow the (off) full-text flag.
  QCOMPARE(run.Element<QLineEdit>("ID_EDIT1")->text(), QStringLiteral("abc"));
  QVERIFY(run.Element<QLineEdit>("ID_EDIT1")->isEnabled());
  run.Stop();

  run.WriteStandardIni("Fukugen=1\n" + search);
  QVERIFY(run.Start());
  QCOMPARE(run.Element<QLineEdit>("ID_DATE1")->text(), QStringLiteral("2010/01/01"));
  QCOMPARE(run.Element<QLineEdit>("ID_DATE2")->text(), QStringLiteral("2010/12/31"));
  for (const char* id : {"ID_ZENBUN", "ID_CHK0", "ID_CHK1", "ID_CHK2", "ID_SPACE_CUT", "ID_ADD_LIST"})
    QVERIFY2(run.Element<QCheckBox>(id)->isChecked(), id);
  QVERIFY(!run.Element<QCheckBox>("ID_YURE")->isChecked());  // restored off
  QCOMPARE(run.Element<QLabel>("ID_MD_HANI")->text(), QStringLiteral("作成日の範囲"));
}

void AppShellTest::searchFromTheRibbonFillsTheListAndSavesTheConditions() {
  Run run;
  {
    MemorySettings settings;
    test::ScriptedPrompter prompter;
    Store store(settings, prompter);
    run.MakeStoreFolders();
    store.SetLocation(NativePath(run.StorePath()));
    PutRecord(store, "00000000", "Alpha report");
    PutRecord(store, "00000001", "Beta");
    PutRecord(store, "00000002", "Alpha notes");
  }
  run.WriteStandardIni("Kakunin=0\n[Sys]\nNo=00000003\n[Search]\nZenbun=0\nChk1=0\nChk2=0\n");
  QVERIFY(run.Start());
  run.Element<QLineEdit>("ID_EDIT1")->setText(QStringLiteral("Alpha"));
  Modal::SetNextAnswers({Answer::Ok});
  Click(run.Ribbon(), "ID_DB_SEARCH");
  const QStringList shown = Modal::TakeShownMessages();
  QCOMPARE(shown.size(), 1);
  QVERIFY2(shown.first().contains(QStringLiteral("2")), qPrintable(shown.first()));
  QCOMPARE(run.app->services().list.RowCount(), 2);
  QCOMPARE(run.app->services().list.Cell(1, 1), std::string("00000002"));
  QCOMPARE(ToQString(run.app->services().settings.GetText(setting::Goku(0))), QStringLiteral("Alpha"));
  QCOMPARE(ToQString(run.app->services().settings.GetText(setting::Date1)), QStringLiteral("00000000"));
  QCOMPARE(ToQString(run.app->services().settings.GetText(setting::Date2)), QStringLiteral("99999999"));
  QVERIFY(!run.Element<QLabel>("pane123")->text().isEmpty());  // the elapsed time
  QCOMPARE(run.Ribbon()->ProgressBar()->value(), 0);
  // The list buttons follow the filled list.
  QVERIFY(run.Element<QWidget>("IDC_SAVE_LIST")->isEnabled());

  // Enter in a term runs the search as the button does.
  auto* author = run.Element<QLineEdit>("ID_EDIT1");
  author->setText(QStringLiteral("Beta"));
  Modal::SetNextAnswers({Answer::Ok});
  QTest::keyClick(author, Qt::Key_Return);
  QCOMPARE(Modal::TakeShownMessages().size(), 1);
  QCOMPARE(run.app->services().list.RowCount(), 1);
  QCOMPARE(run.app->services().list.Cell(0, 1), std::string("00000001"));
}

void AppShellTest::settingsSheetChangesTheStoreAndCancelChangesNothing() {
  Run run;
  run.WriteStandardIni("[Sys]\nNo=00000005\n");
  QVERIFY(run.Start());
  test::TempDir other;
  for (const char* file : {"DOCDATA/TXT/00/00000000.TXT", "DOCDATA/TXT/41/00000041.TXT"}) {
    std::filesystem::path path = std::filesystem::path(other.path()) / file;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "<PT>x\r\n";
  }
  Modal::SetFolderAnswer([&other](const QString&) { return QString::fromStdString(other.path()); });
  Services& services = run.app->services();

  WhenModal([](QWidget* sheet) {
    Click(sheet, "IDC_BROWSE_STORE");
    QCOMPARE(sheet->findChild<QLineEdit*>(QStringLiteral("IDC_STORE_PATH"))->text().isEmpty(), false);
    Click(sheet, "IDCANCEL");
  });
  run.Element<QAction>("ID_KAN_SET")->trigger();
  QCOMPARE(services.store.Location(), run.StorePath());
  QCOMPARE(ToQString(services.settings.GetText(setting::SerialCounter)), QStringLiteral("00000005"));
  QCOMPARE(PathToQString(services.settings.GetPath(setting::StorePath)), QString::fromStdString(run.StorePath()));

  WhenModal([](QWidget* sheet) {
    QCOMPARE(sheet->windowTitle(), QStringLiteral("環境設定"));
    QCOMPARE(static_cast<CMainSheet*>(sheet)->CurrentPage(), 0);
    Click(sheet, "IDC_BROWSE_STORE");
    Click(sheet, "IDOK");
  });
  QCOMPARE(EditSettings(services, run.Frame()), 1);
  QCOMPARE(services.store.Location(), other.path());
  QCOMPARE(ToQString(services.settings.GetText(setting::SerialCounter)), QStringLiteral("00000042"));
  QCOMPARE(PathToQString(services.settings.GetPath(setting::StorePath)), QString::fromStdString(other.path()));
  QCOMPARE(run.Int(setting::Kakunin), 1L);  // every option is written out
  QVERIFY(Modal::TakeShownMessages().isEmpty());
  run.Stop();  // while the new store is still there
}

void AppShellTest::settingsSheetFieldRules() {
  Run run;
  run.WriteStandardIni("HitMax=700\nMenuLen=40\nDspWord=0\nWordStorePath=\n");
  QVERIFY(run.Start());
  Services& services = run.app->services();
  int opened = 0;
  // Stored "save" without a folder: confirming shows 30028 and reopens on HTMLエリア.
  Modal::SetNextAnswers({Answer::Ok, Answer::Ok});
  std::function<void(QWidget*)> first = [&](QWidget* sheet) {
    ++opened;
    // Every field and button of every page has a name a screen reader reads (its label).
    for (QWidget* control : sheet->findChildren<QWidget*>(QRegularExpression(QStringLiteral("^IDC?_")))) {
      if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QLineEdit*>(control) &&
          !qobject_cast<QAbstractSpinBox*>(control) && !qobject_cast<QComboBox*>(control))
        continue;
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
      QVERIFY2(accessible && !accessible->text(QAccessible::Name).trimmed().isEmpty(),
               qPrintable(control->objectName()));
    }
    QVERIFY(sheet->findChild<QRadioButton*>(QStringLiteral("IDC_HIT_500"))->isChecked());
    QVERIFY(sheet->findChild<QRadioButton*>(QStringLiteral("IDC_DSP_WORD_SAVE"))->isChecked());
    auto* spin = sheet->findChild<QSpinBox*>(QStringLiteral("IDC_MENU_LEN"));
    spin->findChild<QLineEdit*>()->setText(QStringLiteral("5"));
    spin->interpretText();
    QCOMPARE(spin->value(), 20);
    Click(sheet, "IDOK");
    WhenModal([&](QWidget* again) {
      ++opened;
      QCOMPARE(static_cast<CMainSheet*>(again)->CurrentPage(), 1);
      // Choosing "save" with an empty folder is refused.
      Click(again, "IDC_DSP_WORD_SHOW");
      Click(again, "IDC_DSP_WORD_SAVE");
      QVERIFY(again->findChild<QRadioButton*>(QStringLiteral("IDC_DSP_WORD_SHOW"))->isChecked());
      Click(again, "IDCANCEL");
    });
  };
  WhenModal(first);
  QCOMPARE(EditSettings(services, run.Frame()), 0);
  QCOMPARE(opened, 2);
  const QStringList shown = Modal::TakeShownMessages();
  QCOMPARE(shown, (QStringList{MsgText(Msg::FolderRequired), MsgText(Msg::FolderRequired)}));
  // The first round's values were written; 700 was not changed by showing the 500 button.
  QCOMPARE(services.settings.GetInt(setting::HitMax), 700L);
  QCOMPARE(services.settings.GetInt(setting::MenuLen), 20L);
  QCOMPARE(services.settings.GetInt(setting::DspWord), 0L);

  // A chosen folder selects "save"; the folder chooser starts at home for a relative text.
  QString asked;
  Modal::SetFolderAnswer([&asked](const QString& initial) {
    asked = initial;
    return QStringLiteral("/srv/word");
  });
  WhenModal([](QWidget* sheet) {
    static_cast<CMainSheet*>(sheet)->SetStartPage(1);
    Click(sheet, "IDC_BROWSE_WORD");
    Click(sheet, "IDOK");
  });
  QCOMPARE(EditSettings(services, run.Frame()), 1);
  QCOMPARE(asked, QDir::homePath());
  QCOMPARE(PathToQString(services.settings.GetPath(setting::WordStorePath)), QStringLiteral("/srv/word"));
  QCOMPARE(services.settings.GetInt(setting::DspWord), 0L);
  QCOMPARE(BrowseForFolder(nullptr, QStringLiteral("//server/share")), QStringLiteral("/srv/word"));
  QCOMPARE(asked, QDir::homePath());
}

void AppShellTest::aRefusedStoreChangeReopensTheSheetOnGeneral() {
  Run run;
  run.WriteStandardIni("[Sys]\nNo=00000005\n");
  QVERIFY(run.Start());
  Services& services = run.app->services();
  test::TempDir other;
  // First a plain file, which can hold no DOCDATA; then an existing store under a name with
  // U+301C, which must be found as it is (its counter kept, nothing made elsewhere).
  const std::string file = other.File("a file");
  std::ofstream(file) << "x";
  const std::string wave = other.File("資料〜2024");
  std::filesystem::create_directories(wave + "/DOCDATA/TXT/41");
  std::ofstream(wave + "/DOCDATA/TXT/41/00000041.TXT") << "<PT>x\r\n";
  QStringList answers{QString::fromStdString(file), QString::fromUtf8(wave)};
  Modal::SetFolderAnswer([&answers](const QString&) { return answers.takeFirst(); });
  Modal::SetNextAnswers({Answer::Ok});
  int opened = 0;
  WhenModal([&](QWidget* sheet) {
    ++opened;
    Click(sheet, "IDC_BROWSE_STORE");
    Click(sheet, "IDOK");
    WhenModal([&](QWidget* again) {
      ++opened;
      QCOMPARE(static_cast<CMainSheet*>(again)->CurrentPage(), 0);
      Click(again, "IDC_BROWSE_STORE");
      QCOMPARE(again->findChild<QLineEdit*>(QStringLiteral("IDC_STORE_PATH"))->text(), QString::fromUtf8(wave));
      Click(again, "IDOK");
    });
  });
  QCOMPARE(EditSettings(services, run.Frame()), 1);
  QCOMPARE(opened, 2);
  QCOMPARE(Modal::TakeShownMessages(),
           QStringList{QString::fromStdString(file + "/DOCDATA\n") + MsgText(Msg::StoreFolderCreateFailed)});
  QCOMPARE(services.store.Location(), wave);
  QCOMPARE(ToQString(services.settings.GetText(setting::SerialCounter)), QStringLiteral("00000042"));
  QCOMPARE(run.app->services().settings.GetPath(setting::StorePath), wave);
  QCOMPARE(std::distance(std::filesystem::directory_iterator(other.path()), std::filesystem::directory_iterator()), 2);
  run.Stop();
}

void AppShellTest::areaSwapIsWrittenAndTakesEffectAtTheNextStart() {
  Run run;
  run.WriteStandardIni("[Last]\nArea=0\ncxCur=300\n");
  QVERIFY(run.Start());
  QSplitter* splitter = run.Frame()->Splitter();
  QCOMPARE(splitter->widget(0), static_cast<QWidget*>(run.Frame()->HtmlView()));
  QCOMPARE(splitter->sizes().value(0), 300);
  Modal::SetNextAnswers({Answer::Yes, Answer::Ok});
  Click(run.Ribbon(), "ID_CHANGE_AREA");
  QCOMPARE(Modal::TakeShownMessages(), (QStringList{MsgText(Msg::SwapAreasQuestion), MsgText(Msg::AreasSwapped)}));
  QCOMPARE(run.app->services().settings.GetInt(setting::Area), 1L);
  QCOMPARE(splitter->widget(0), static_cast<QWidget*>(run.Frame()->HtmlView()));  // not now
  // Answered No, nothing is written.
  Modal::SetNextAnswers({Answer::No});
  Click(run.Ribbon(), "ID_CHANGE_AREA");
  QCOMPARE(run.app->services().settings.GetInt(setting::Area), 1L);
  run.Stop();

  QVERIFY(run.Start());
  splitter = run.Frame()->Splitter();
  QCOMPARE(splitter->widget(0), static_cast<QWidget*>(run.Frame()->ListView()));
  QCOMPARE(splitter->sizes().value(0), 300);
  // The area menu acts on column 0, here the list area.
  run.Element<QAction>("ID_AREA_HTML")->trigger();
  QCOMPARE(splitter->sizes().value(1), 0);
  run.Element<QAction>("ID_AREA_LIST")->trigger();
  QCOMPARE(splitter->sizes().value(0), 0);
  run.Element<QAction>("ID_AREA_EVEN")->trigger();
  QVERIFY(qAbs(splitter->sizes().value(0) - splitter->sizes().value(1)) <= splitter->handleWidth() + 1);

  // F6 and Shift+F6 move the focus from pane to pane.
  run.Frame()->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(run.Frame()));
  auto focusedPane = [splitter]() -> int {
    QWidget* focus = QApplication::focusWidget();
    for (int i = 0; i < 2; ++i)
      if (focus && (focus == splitter->widget(i) || splitter->widget(i)->isAncestorOf(focus))) return i;
    return -1;
  };
  run.Element<QLineEdit>("ID_GOKU")->setFocus();
  QTest::keyClick(run.Frame(), Qt::Key_F6);
  QCOMPARE(focusedPane(), 0);
  QTest::keyClick(run.Frame(), Qt::Key_F6);
  QCOMPARE(focusedPane(), 1);
  QTest::keyClick(run.Frame(), Qt::Key_F6, Qt::ShiftModifier);
  QCOMPARE(focusedPane(), 0);
}

int main(int argc, char** argv) {
  PrepareWebEngineProcess();
  QApplication app(argc, argv);
  QStandardPaths::setTestModeEnabled(true);  // the browser profile stays out of the user's data
  AppShellTest test;
  return QTest::qExec(&test, argc, argv);
}

void AppShellTest::everyDialogAndSheetPageGivesEachMnemonicOneOwner() {
  Run run;
  {
    MemorySettings settings;
    test::ScriptedPrompter prompter;
    Store store(settings, prompter);
    run.MakeStoreFolders();
    store.SetLocation(NativePath(run.StorePath()));
    PutRecord(store, "00000000", "Alpha");
  }
  run.WriteStandardIni("[Sys]\nNo=00000001\n");
  QVERIFY(run.Start());
  Services& services = run.app->services();
  services.list.AppendRow(RowCells("00000000", "Alpha"), true);
  QtDesktopOpener opener;
  std::vector<std::unique_ptr<QDialog>> dialogs;
  dialogs.push_back(std::make_unique<CAboutDlg>(run.Frame()));
  dialogs.push_back(std::make_unique<CMainSheet>(
      services, LoadSheetValues(services.settings, services.store.Location()), run.Frame()));
  dialogs.push_back(std::make_unique<CPropertyDlg>(services.store, services.prompter, services.list, 0, opener, nullptr,
                                                   run.Frame()));
  dialogs.push_back(std::make_unique<CTextDlg>(services.store, services.prompter, services.settings, services.list,
                                               "00000000", run.Frame()));
  dialogs.push_back(
      std::make_unique<CRenameDlg>(services.store, services.prompter, true, "label", "name", run.Frame()));
  dialogs.push_back(std::make_unique<CBmDlg>(services.settings, services.prompter, run.Frame()));
  dialogs.push_back(std::make_unique<CQuesDlg>(services.settings, run.Frame()));
  dialogs.push_back(std::make_unique<CListDlg>(
      services.store, services.prompter, [](const std::string&, QWidget*) { return std::optional<std::string>(); },
      run.Frame()));
  for (const auto& dialog : dialogs) {
    const QStringList clashes = MnemonicClashes(dialog.get());
    QVERIFY2(clashes.isEmpty(), qPrintable(dialog->objectName() + QStringLiteral(": ") + clashes.join(u'\n')));
  }
  dialogs.clear();
  run.Stop();
}

#include "app_shell_test.moc"
