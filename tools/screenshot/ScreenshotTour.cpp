#include "ScreenshotTour.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <deque>
#include <functional>
#include <memory>

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CMainSheet.h"
#include "app/CMyRibbonBar.h"
#include "app/CShelfApp.h"
#include "common/Cp932.h"
#include "common/qt/Modal.h"
#include "dialogs/CTextDlg.h"
#include "dialogs/qt/BodyTextView.h"
#include "html/CPdfPane.h"
#include "html/CShelfView.h"
#include "html/qt/PdfPlaces.h"
#include "import/CQuesDlg.h"
#include "list/CLeftView.h"
#include "list/CListDlg.h"
#include "list/ListColumn.h"
#include "list/ListCommands.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex {
namespace {

void Grab(QWidget* widget, const QString& file) {
  QApplication::processEvents();
  QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
  const QRect frame = widget->frameGeometry();
  QPixmap picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  if (picture.isNull()) picture = widget->grab();
  picture.save(file);
}

}  // namespace

// Runs the steps one after another, `pause` ms apart, after the window has drawn itself.
static void RunSteps(std::shared_ptr<std::deque<std::function<void()>>> steps, int pause) {
  auto run = std::make_shared<std::function<void()>>();
  *run = [steps, run, pause] {
    if (steps->empty()) return;
    auto step = steps->front();
    steps->pop_front();
    step();
    QTimer::singleShot(pause, *run);
  };
  QTimer::singleShot(2500, *run);
}

void ScreenshotTour::StartPlaces(CShelfApp& app, const QString& folder) {
  QDir().mkpath(folder);
  const auto path = [folder](const char* name) { return folder + QLatin1Char('/') + QLatin1String(name); };
  Modal::SetNextAnswers(std::deque<Answer>(64, Answer::Yes));
  CMainFrame* frame = app.MainFrame();
  Services* services = &app.services();
  CLeftView* list = frame->ListView();
  auto steps = std::make_shared<std::deque<std::function<void()>>>();
  steps->push_back([frame, path] {
    frame->Ribbon()->Tabs()->setCurrentIndex(1);
    if (auto* search = frame->findChild<QAction*>(QStringLiteral("ID_DB_SEARCH"))) search->trigger();
    Grab(frame, path("p1-hits.png"));
  });
  // The mouse over the first hit's title: the tooltip comes when its places are found.
  const auto hover = [list] {
    const QRect cell = list->visualRect(list->model()->index(0, ColumnIndex(ListColumn::Title)));
    QTest::mouseMove(list->viewport(), cell.center());
  };
  steps->push_back(hover);
  steps->push_back([frame, path, hover] {
    hover();
    Grab(frame, path("p2-hover.png"));
  });
  // Its PDF in the HTML area (the row's command), at the term's first place.
  steps->push_back([frame, services, list] {
    QTest::mouseMove(frame->Ribbon(), QPoint(5, 5));
    frame->activateWindow();
    services->list.SetAllSelected(false);
    list->selectRow(0);
    list->setFocus();
  });
  steps->push_back([frame, list, path] {
    Grab(frame, path("p3-selected.png"));
    list->RunCommand(CLeftView::kShowInHtmlArea);
  });
  steps->push_back([frame, path] { Grab(frame, path("p3-pdf-first-place.png")); });
  // F3 with the focus still in the list.
  steps->push_back([list] { QTest::keyClick(list, Qt::Key_F3); });
  steps->push_back([frame, path] { Grab(frame, path("p4-pdf-next-place.png")); });
  steps->push_back([list] { QTest::keyClick(list, Qt::Key_F3); });
  steps->push_back([frame, path] { Grab(frame, path("p5-pdf-third-place.png")); });
  // The number of places in all, once every page is read.
  steps->push_back([frame, path] {
    if (auto* places = frame->HtmlView()->PdfPane()->findChild<PdfPlaces*>()) {
      QElapsedTimer clock;
      clock.start();
      while (!places->Complete()) QApplication::processEvents();
      qInfo("places: %d in all, the last pages read in %lld ms more", places->Count(), clock.elapsed());
    }
    Grab(frame, path("p5-pdf-all-known.png"));
  });
  steps->push_back([frame, path] {
    Modal::SetNextRun([path](QDialog& dialog) {
      dialog.show();
      QApplication::processEvents();
      QTest::qWait(300);
      Grab(&dialog, path("p6-text-dialog.png"));
      return 0;
    });
    if (auto* text = frame->findChild<QAction*>(QStringLiteral("ID_32799"))) text->trigger();
  });
  steps->push_back([frame] { frame->close(); });
  RunSteps(steps, 1500);
}

void ScreenshotTour::Start(CShelfApp& app, const QString& folder) {
  QDir().mkpath(folder);
  const auto path = [folder](const char* name) { return folder + QLatin1Char('/') + QLatin1String(name); };
  // Every message of the tour is answered Yes / OK.
  Modal::SetNextAnswers(std::deque<Answer>(64, Answer::Yes));

  CMainFrame* frame = app.MainFrame();
  Services* services = &app.services();
  auto steps = std::make_shared<std::deque<std::function<void()>>>();
  steps->push_back([frame, path] {
    frame->Ribbon()->Tabs()->setCurrentIndex(1);
    Grab(frame, path("01-search-tab.png"));
  });
  steps->push_back([frame, path] {
    if (auto* search = frame->findChild<QAction*>(QStringLiteral("ID_DB_SEARCH"))) search->trigger();
    Grab(frame, path("02-list-filled.png"));
  });
  steps->push_back([frame, path] {
    frame->Ribbon()->Tabs()->setCurrentIndex(0);
    Grab(frame, path("03-home-tab.png"));
  });
  steps->push_back([frame, services, path] {
    CMainSheet sheet(*services, LoadSheetValues(services->settings, services->store.Location()), frame);
    sheet.show();
    const char* names[] = {"04-settings-general.png", "05-settings-html.png", "06-settings-search.png"};
    for (int page = 0; page < 3; ++page) {
      sheet.SetStartPage(page);
      QApplication::processEvents();
      Grab(&sheet, path(names[page]));
    }
  });
  // The record dialogs on the first row of the list, as a double-click opens them.
  steps->push_back([frame, services, path] {
    services->list.SetAllSelected(false);
    if (services->list.RowCount() == 0) return;
    services->list.SetSelected(0, true);
    QApplication::processEvents();
    Modal::SetNextRun([path](QDialog& dialog) {
      dialog.show();
      QApplication::processEvents();
      Grab(&dialog, path("08-property-dialog.png"));
      return 0;
    });
    if (auto* properties = frame->findChild<QAction*>(QStringLiteral("ID_32791"))) properties->trigger();
  });
  steps->push_back([frame, services, path] {
    if (services->list.RowCount() == 0) return;
    Modal::SetNextRun([path](QDialog& run) {
      auto& dialog = static_cast<CTextDlg&>(run);
      dialog.show();
      // A term of the text found, as the user would search it.
      const QString text = dialog.Text()->JoinedText();
      const qsizetype at = text.indexOf(QLatin1Char(' '), text.size() / 50);
      if (at > 0) dialog.Term()->setText(text.mid(at + 1, 4).trimmed());
      dialog.OnSearchForward();
      QApplication::processEvents();
      Grab(&dialog, path("09-text-dialog.png"));
      return 0;
    });
    if (auto* text = frame->findChild<QAction*>(QStringLiteral("ID_32799"))) text->trigger();
  });
  // The question of a dropped PDF: a copy in the store or a link.
  steps->push_back([frame, services, path] {
    CQuesDlg question(services->settings, frame);
    question.show();
    QApplication::processEvents();
    Grab(&question, path("10-copy-question.png"));
  });
  // The list saved under two names, then the list management dialog.
  steps->push_back([frame, services, path] {
    if (services->list.RowCount() == 0) return;
    for (const char* name : {"研究資料", "会議録 2011"})
      SaveListUnderName(services->list, services->store, services->prompter, Utf8ToCp932(name));
    CListDlg lists(
        services->store, services->prompter, [](const std::string&, QWidget*) { return std::optional<std::string>(); },
        frame);
    lists.show();
    lists.FitColumns();
    QApplication::processEvents();
    Grab(&lists, path("11-list-manager.png"));
  });
  // Japanese whatever the system's locale: Qt's file dialog, and the web engine's own error page
  // for an address that answers nothing.
  auto files = std::make_shared<std::unique_ptr<QFileDialog>>();
  steps->push_back([frame, files] {
    *files = std::make_unique<QFileDialog>(frame, QStringLiteral("ファイルを開く"), QDir::homePath());
    (*files)->setOption(QFileDialog::DontUseNativeDialog, true);
    (*files)->setViewMode(QFileDialog::Detail);
    (*files)->resize(880, 540);
    (*files)->show();
  });
  steps->push_back([files, path] {
    Grab(files->get(), path("15-file-dialog.png"));
    files->reset();
  });
  steps->push_back([frame] { frame->HtmlView()->Navigate2("http://127.0.0.1:9/"); });
  steps->push_back([] {});  // the engine gives up on the address and shows its page
  steps->push_back([frame, path] { Grab(frame, path("16-web-error-page.png")); });

  // The manual, opened by ヘルプ in the HTML area.
  steps->push_back([frame] {
    if (auto* help = frame->findChild<QAction*>(QStringLiteral("ID_HELP"))) help->trigger();
  });
  steps->push_back([] {});  // the viewer pane loads and draws the first page
  steps->push_back([frame, path] { Grab(frame, path("14-manual-in-html-area.png")); });
  // The window at its minimum size: the ribbon's panels compact, nothing overlaps.
  steps->push_back([frame] {
    frame->showNormal();
    frame->resize(1024, 640);
    frame->Ribbon()->Tabs()->setCurrentIndex(1);
  });
  steps->push_back([frame, path] { Grab(frame, path("12-ribbon-minimum-search.png")); });
  steps->push_back([frame] { frame->Ribbon()->Tabs()->setCurrentIndex(0); });
  steps->push_back([frame, path] { Grab(frame, path("13-ribbon-minimum-home.png")); });
  steps->push_back([frame, path] {
    CAboutDlg about(frame);
    about.show();
    QApplication::processEvents();
    Grab(&about, path("07-about.png"));
  });
  steps->push_back([frame] { frame->close(); });

  auto run = std::make_shared<std::function<void()>>();
  *run = [steps, run] {
    if (steps->empty()) return;
    auto step = steps->front();
    steps->pop_front();
    step();
    QTimer::singleShot(700, *run);
  };
  // Give the window and the HTML area time to draw themselves first.
  QTimer::singleShot(2500, *run);
}

}  // namespace folidex
