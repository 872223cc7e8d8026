#pragma once
// One run of the desktop program's shell on a folder of its own: its settings file, store folder
// and lock file, a fixed clock.

#include <QString>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/CMainFrame.h"
#include "app/CMyRibbonBar.h"
#include "app/CShelfApp.h"
#include "common/qt/QtSettings.h"
#include "common/qt/QtText.h"
#include "support/TestSupport.h"

namespace folidex::test {

// One run of the program's shell on a folder of its own.
class Run {
 public:
  TempDir dir;
  FixedClock clock;
  std::unique_ptr<CShelfApp> app;
  QStringList openFiles;  // files given on the command line

  QString Ini() const { return QString::fromStdString(dir.File("settings.ini")); }
  std::string StorePath() const { return dir.File("store"); }
  void WriteIni(const std::string& text) const {
    std::filesystem::create_directories(StorePath());
    std::ofstream(dir.File("settings.ini")) << text;
  }
  // The store's DOCDATA, as the settings sheet makes it when the location is chosen.
  void MakeStoreFolders() const { std::filesystem::create_directories(StorePath() + "/DOCDATA"); }
  // Settings that every run has: a store, no home page to fetch.
  void WriteStandardIni(const std::string& extra = {}) const {
    MakeStoreFolders();
    WriteIni("[KanSet]\nStorePath=" + StorePath() + "\nHome=about:blank\n" + extra);
  }
  bool Start() {
    ShellOptions options;
    options.settingsFile = Ini();
    options.lockFile = QString::fromStdString(dir.File("folidex.lock"));
    options.clock = &clock;
    options.openFiles = openFiles;
    app = std::make_unique<CShelfApp>(options);
    return app->InitInstance();
  }
  void Stop() { app.reset(); }
  CMainFrame* Frame() const { return app->MainFrame(); }
  CMyRibbonBar* Ribbon() const { return Frame()->Ribbon(); }
  template <typename T>
  T* Element(const char* id) const {
    return Frame()->findChild<T*>(QString::fromLatin1(id));
  }
  // The settings file as the next start reads it.
  long Int(const SettingKey& key) const { return QtSettings(Ini()).GetInt(key); }
  QString Text(const SettingKey& key) const { return ToQString(QtSettings(Ini()).GetText(key)); }
};

}  // namespace folidex::test
