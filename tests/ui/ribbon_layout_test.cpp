// The window and its ribbon at their sizes: nothing overlaps or is squeezed at the minimum size, the
// panels compact in steps only when they must, the minimised ribbon's tabs drop down, and a window
// closed maximised comes back maximised under a window manager.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include "app/CMainFrame.h"
#include "app/CMyRibbonBar.h"
#include "common/qt/Modal.h"
#include "html/qt/WebEngineSetup.h"
#include "shell_fixture.h"

using namespace folidex;
using folidex::test::Run;

namespace {

// The controls of a tab's page a user sees, with their rectangles in the page.
std::vector<std::pair<QWidget*, QRect>> Controls(QWidget* page) {
  std::vector<std::pair<QWidget*, QRect>> controls;
  for (QWidget* w : page->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(page)) continue;
    if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) && !qobject_cast<QLabel*>(w)) continue;
    controls.emplace_back(w, QRect(w->mapTo(page, QPoint(0, 0)), w->size()));
  }
  return controls;
}

// Every control at least as large as it asks to be, and no two of them overlapping.
void CheckLaidOut(QWidget* page) {
  const auto controls = Controls(page);
  QVERIFY(controls.size() > 10);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    QWidget* w = controls[i].first;
    const QString name =
        w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(name + QStringLiteral(" is squeezed")));
    for (std::size_t k = i + 1; k < controls.size(); ++k) {
      if (controls[i].first->isAncestorOf(controls[k].first) || controls[k].first->isAncestorOf(controls[i].first))
        continue;
      QVERIFY2(!controls[i].second.intersects(controls[k].second),
               qPrintable(name + QStringLiteral(" overlaps ") + controls[k].first->objectName()));
    }
  }
}

}  // namespace

class RibbonLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { Modal::Reset(); }

  void atTheMinimumSizeNothingOverlapsAndWideWindowsKeepEveryLabel() {
    Run run;
    run.WriteStandardIni();
    QVERIFY(run.Start());
    CMainFrame* frame = run.Frame();
    CMyRibbonBar* ribbon = run.Ribbon();
    QCOMPARE(frame->minimumSize(), QSize(1024, 640));

    frame->resize(1600, 900);
    QTRY_COMPARE(ribbon->CompactLevel(0), 0);
    QCOMPARE(ribbon->CompactLevel(1), 0);
    auto* pages = ribbon->findChild<QStackedWidget*>(QStringLiteral("RibbonPages"));
    QVERIFY(pages);
    for (int tab = 0; tab < 2; ++tab) {
      ribbon->Tabs()->setCurrentIndex(tab);
      QCoreApplication::processEvents();
      CheckLaidOut(pages->currentWidget());
    }
    const QList<QToolButton*> buttons = pages->findChildren<QToolButton*>();
    for (QToolButton* button : buttons) QVERIFY(button->toolButtonStyle() != Qt::ToolButtonIconOnly);

    // A narrower request stops at the minimum size; the panels compact until they fit.
    frame->resize(800, 500);
    QTRY_COMPARE(frame->width(), 1024);
    QVERIFY(frame->height() >= 640);
    QVERIFY(ribbon->CompactLevel(0) > 0);  // the home tab's panels are the wider ones
    for (int tab = 0; tab < 2; ++tab) {
      ribbon->Tabs()->setCurrentIndex(tab);
      QCoreApplication::processEvents();
      CheckLaidOut(pages->currentWidget());
    }

    frame->resize(1600, 900);
    QTRY_COMPARE(ribbon->CompactLevel(0), 0);
  }

  void aMinimisedRibbonShowsATabsPanelsAsADropDown() {
    Run run;
    run.WriteStandardIni();
    QVERIFY(run.Start());
    CMyRibbonBar* ribbon = run.Ribbon();
    run.Frame()->show();
    QVERIFY(QTest::qWaitForWindowExposed(run.Frame()));
    ribbon->SetMinimized(true);
    auto* pages = ribbon->findChild<QStackedWidget*>(QStringLiteral("RibbonPages"));
    QVERIFY(!pages->isVisible());

    QTabBar* tabs = ribbon->Tabs();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    QTRY_VERIFY(ribbon->OpenDropDown());
    QWidget* dropDown = ribbon->OpenDropDown();
    QVERIFY(dropDown->findChild<QLineEdit*>(QStringLiteral("ID_EDIT5")));  // the search tab's panels
    QVERIFY(dropDown->findChild<QLineEdit*>(QStringLiteral("ID_EDIT5"))->isVisible());
    QVERIFY(ribbon->IsMinimized());

    // Esc (as a click elsewhere) closes it; the panels are back in the ribbon, still minimised.
    QTest::keyClick(dropDown, Qt::Key_Escape);
    QTRY_VERIFY(!ribbon->OpenDropDown());
    QVERIFY(pages->findChild<QLineEdit*>(QStringLiteral("ID_EDIT5")));
    QCOMPARE(pages->count(), 2);
    QVERIFY(ribbon->IsMinimized());

    // The home tab drops down too, and restoring the ribbon closes an open drop-down.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    QTRY_VERIFY(ribbon->OpenDropDown());
    ribbon->SetMinimized(false);
    QVERIFY(!ribbon->OpenDropDown());
    QCOMPARE(pages->count(), 2);
    QVERIFY(pages->isVisible());
    QCOMPARE(pages->currentIndex(), tabs->currentIndex());
  }

  // Last: the window manager started here stays until the end of this function only.
  void aWindowClosedMaximisedReopensMaximisedUnderAWindowManager() {
    if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty()) QSKIP("openbox is not installed");
    QProcess manager;
    manager.start(QStringLiteral("openbox"), {});
    QVERIFY(manager.waitForStarted());
    QTest::qWait(700);  // openbox takes the screen
    {
      Run run;
      run.WriteStandardIni("[Last]\nZoomed=1\n");
      QVERIFY(run.Start());
      const QRect screen = run.Frame()->screen()->availableGeometry();
      QTRY_VERIFY_WITH_TIMEOUT(run.Frame()->width() >= screen.width() - 4, 10000);
      QTest::qWait(1500);  // and it stays so once the web engine's surface is up
      QVERIFY2(run.Frame()->width() >= screen.width() - 4, qPrintable(QString::number(run.Frame()->width())));
      QVERIFY(run.Frame()->isMaximized());
    }
    manager.terminate();
    manager.waitForFinished(3000);
  }
};

int main(int argc, char** argv) {
  PrepareWebEngineProcess();
  QApplication app(argc, argv);
  RibbonLayoutTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "ribbon_layout_test.moc"
