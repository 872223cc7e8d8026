#pragma once
// The application object: one running copy, the ports and the core data shared by the views,
// the main frame, the start-up order (window state, ribbon state, storage location, last list,
// column widths) and the saves at exit.

#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "common/Clock.h"
#include "common/qt/QtPrompter.h"
#include "common/qt/QtSettings.h"
#include "common/qt/Services.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex {

class CMainFrame;
class QtProgress;

struct ShellOptions {
  QString settingsFile;    // empty: the user's own settings (Orvane/Folidex)
  QString lockFile;        // empty: DefaultLockFilePath()
  Clock* clock = nullptr;  // empty: the system clock
  QStringList openFiles;   // files to import at start, or to hand to the copy that runs
};

class OpenWithServer;
class TerminationWatch;

class CShelfApp {
 public:
  explicit CShelfApp(ShellOptions options = {});
  ~CShelfApp();
  CShelfApp(const CShelfApp&) = delete;
  CShelfApp& operator=(const CShelfApp&) = delete;

  // Start-up; false when the program is to end (ExitCode() tells with what status).
  bool InitInstance();
  int ExitCode() const { return exitCode_; }

  // The saves of the exit: the frame's state, then the current list and the column widths.
  // Runs once, when the main window closes (or when a start-up that showed it fails).
  void Shutdown();

  CMainFrame* MainFrame() const { return frame_.get(); }
  Services& services() { return *services_; }
  QtSettings& settings() { return *settings_; }
  QtPrompter& prompter() { return prompter_; }

  // The lock file that keeps a second copy from running: named after the program, in the
  // user's runtime folder (the temporary folder when there is none).
  static QString DefaultLockFilePath();

 private:
  ShellOptions options_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QtSettings> settings_;
  QtPrompter prompter_;
  SystemClock systemClock_;
  std::unique_ptr<QtProgress> progress_;
  std::unique_ptr<Store> store_;
  ListRows list_;
  std::unique_ptr<Services> services_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<OpenWithServer> openWith_;
  std::unique_ptr<TerminationWatch> termination_;
  bool closeAsked_ = false;  // an end was asked for from outside, and is waited for
  bool shutDown_ = false;
  // Ends the program as a close of its window does, at the first moment no command runs and no
  // dialog waits for the user.
  void CloseWhenIdle();
  int exitCode_ = 0;
};

}  // namespace folidex
