#include "app/CShelfApp.h"

#include "common/qt/InstanceLock.h"
#include "search/index/IndexUpkeep.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>
#include <algorithm>
#include <vector>

#include "app/CMainFrame.h"
#include "app/CMyRibbonBar.h"
#include "app/qt/OpenWith.h"
#include "app/qt/QtProgress.h"
#include "app/qt/SettingsFlow.h"
#include "app/qt/TerminationWatch.h"
#include "common/Settings.h"
#include "list/CLeftView.h"
#include "list/SavedLists.h"

namespace folidex {
namespace {

// Qt's own texts in Japanese: はい／いいえ／キャンセル on message boxes, the file dialogs.
void LoadJapaneseTranslations() {
  static bool loaded = false;
  if (loaded || !QCoreApplication::instance()) return;
  loaded = true;
  // Dates, numbers and the file dialogs' columns as in Japan, whatever the system locale.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  else
    delete translator;
}

}  // namespace

CShelfApp::CShelfApp(ShellOptions options)
    : options_(std::move(options)),
      settings_(options_.settingsFile.isEmpty() ? std::make_unique<QtSettings>()
                                                : std::make_unique<QtSettings>(options_.settingsFile)),
      progress_(std::make_unique<QtProgress>()),
      store_(std::make_unique<Store>(*settings_, prompter_)) {
  InstallIndexUpkeep();  // every record the program writes is indexed as it is written
  Clock& clock = options_.clock ? *options_.clock : systemClock_;
  // A write that finds the store locked by another program waits under the wait cursor.
  store_->LockOptions().program = "folidex";
  store_->LockOptions().waiting = [](const LockHolder* holder) {
    if (holder)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  };
  services_ =
      std::unique_ptr<Services>(new Services{*settings_, prompter_, clock, *progress_, *store_, list_, nullptr});
}

CShelfApp::~CShelfApp() {
  if (frame_) Shutdown();
  frame_.reset();
}

QString CShelfApp::DefaultLockFilePath() {
  return InstanceLockPath(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
}

bool CShelfApp::InitInstance() {
  // 1. One copy only. A lock left by a copy that no longer runs is taken over.
  const QString lockPath = options_.lockFile.isEmpty() ? DefaultLockFilePath() : options_.lockFile;
  lock_ = std::make_unique<QLockFile>(lockPath);
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    lock_.reset();
    // Files to open go to the copy that runs, which comes to the front; this one ends quietly.
    if (!options_.openFiles.isEmpty() && HandFilesToRunningCopy(OpenWithSocketPath(lockPath), options_.openFiles)) {
      exitCode_ = 0;
      return false;
    }
    prompter_.Error(Msg::AlreadyRunning);
    exitCode_ = 1;
    return false;
  }

  // 2.-3. Qt's texts in Japanese; the settings are rooted at Orvane/Folidex (or the file given).
  LoadJapaneseTranslations();

  // 6. The main frame with its ribbon, status bar and the two panes.
  frame_ = std::make_unique<CMainFrame>(*services_, *progress_);
  prompter_.SetOwner(frame_.get());
  // 4. The web search filter of the last run.
  frame_->SetWebSearchFilter(static_cast<int>(settings_->GetInt(setting::DocType)));
  QObject::connect(frame_.get(), &CMainFrame::closing, frame_.get(), [this] { Shutdown(); });

  // 7. Maximised or normal as at the last exit, painted at once; the normal rectangle as it was
  // too, on the screens there are now.
  std::vector<WindowRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    screens.push_back({area.x(), area.y(), area.width(), area.height()});
  }
  const WindowRect normal = StartupWindowRect(
      {static_cast<int>(settings_->GetInt(setting::WindowX)), static_cast<int>(settings_->GetInt(setting::WindowY)),
       static_cast<int>(settings_->GetInt(setting::WindowWidth)),
       static_cast<int>(settings_->GetInt(setting::WindowHeight))},
      screens);
  if (normal.width > 0) {
    // The stored rectangle is the frame's: the window's own size leaves room for the frame the
    // window manager draws, which is known once the window is up.
    frame_->move(normal.x, normal.y);
    frame_->resize(std::max(normal.width, frame_->minimumWidth()), std::max(normal.height, frame_->minimumHeight()));
    QTimer::singleShot(0, frame_.get(), [frame = frame_.get(), normal] {
      const QSize margins = frame->frameGeometry().size() - frame->size();
      if (!frame->isMaximized() && (margins.width() > 0 || margins.height() > 0))
        frame->resize(std::max(normal.width - margins.width(), frame->minimumWidth()),
                      std::max(normal.height - margins.height(), frame->minimumHeight()));
    });
  }
  const bool zoomed = settings_->GetInt(setting::Zoomed) == 1;
  if (zoomed)
    frame_->showMaximized();
  else
    frame_->show();
  frame_->ApplyPaneWidth();
  frame_->repaint();
  if (zoomed) {
    // A window manager may map the window at its normal size after the first request (the web
    // engine's surface recreates the native window): ask again once the window is up.
    // Qt still believes the window maximised then, so the state is requested afresh.
    QTimer::singleShot(0, frame_.get(), [frame = frame_.get()] {
      frame->setWindowState(frame->windowState() & ~Qt::WindowMaximized);
      frame->setWindowState(frame->windowState() | Qt::WindowMaximized);
    });
  }

  // 8. The ribbon state of the last run.
  if (!frame_->Ribbon()->RestoreRibbonState()) {
    prompter_.Error(Msg::RibbonInitFailed);
    exitCode_ = 1;
    return false;
  }

  // 9. A storage location, asked for when none is set.
  if (RequireStorePath(*services_, frame_.get()).empty()) {
    exitCode_ = 0;
    return false;
  }

  // 10.-11. The list of the last run and the column widths.
  if (settings_->GetInt(setting::SetList) == 1) LoadListFile(list_, *store_, prompter_, std::string(kCurrentListFile));
  // A large list fits its columns one at a time once the window is up, taking input between them.
  if (settings_->GetInt(setting::ColumnMnt) == 1) frame_->ListView()->FitColumnWidthsInSteps();
  frame_->UpdateCommandStates();
  // 12. The inbox, as the settings say.
  frame_->ApplyInbox();

  // Files named on the command line, and later those a second copy hands over.
  openWith_ = std::make_unique<OpenWithServer>();
  QObject::connect(openWith_.get(), &OpenWithServer::filesArrived, frame_.get(),
                   [frame = frame_.get()](const QStringList& files) { frame->OpenFiles(files); });
  openWith_->Listen(OpenWithSocketPath(lockPath));
  if (!options_.openFiles.isEmpty())
    QTimer::singleShot(0, frame_.get(),
                       [frame = frame_.get(), files = options_.openFiles] { frame->OpenFiles(files); });
  // A shutdown of the system or a `kill` ends the program as its window's close does: the
  // current list and the settings are kept.
  termination_ = std::make_unique<TerminationWatch>();
  QObject::connect(termination_.get(), &TerminationWatch::requested, frame_.get(), [this] {
    if (closeAsked_) return;
    closeAsked_ = true;
    CloseWhenIdle();
  });
  return true;
}

void CShelfApp::CloseWhenIdle() {
  // A running command (its window refuses the close) or an open dialog finishes first: asked
  // again five times a second until the program can end.
  if (!frame_ || shutDown_) return;
  if (!QApplication::activeModalWidget() && frame_->close()) {
    QCoreApplication::quit();
    return;
  }
  QTimer::singleShot(200, frame_.get(), [this] { CloseWhenIdle(); });
}

void CShelfApp::Shutdown() {
  if (shutDown_ || !frame_) return;
  shutDown_ = true;
  frame_->StopInbox();  // a file half taken stays in the inbox, nothing of it written
  frame_->SaveFrameState();
  // The current list is written whatever SetList says; without a storage location there is
  // no list folder to write it to (the start-up ended before one was set).
  if (!store_->StoreRoot().empty()) SaveListFile(list_, *store_, prompter_, std::string(kCurrentListFile));
  frame_->ListView()->SaveColumnWidths();
  settings_->Sync();
}

}  // namespace folidex
