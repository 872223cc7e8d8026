// The desktop opener on a desktop made for the test: XDG folders in a temporary home with one
// application entry whose program writes the path it was given into a marker file.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThread>

#include "common/FileSystem.h"
#include "common/qt/QtDesktopOpener.h"
#include "support/TestSupport.h"

using namespace folidex;

namespace {

const char* const kXlsx = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";

// The test's desktop, made before the application object exists.
struct TestDesktop {
  test::TempDir home;
  QString Path(const char* relative) const { return QString::fromStdString(home.path()) + u'/' + relative; }

  TestDesktop() {
    QDir().mkpath(Path("share/applications"));
    QDir().mkpath(Path("config"));
    QDir().mkpath(Path("empty-config"));
    // Only the system's MIME database is shared; its application entries are not.
    QFile::link(QStringLiteral("/usr/share/mime"), Path("share/mime"));
    Write("opener.sh", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + home.path() + "/marker.tmp\"\nmv \"" + home.path() +
                           "/marker.tmp\" \"" + home.path() + "/marker\"\n");
    QFile::setPermissions(Path("opener.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Write("share/applications/folidex-test-opener.desktop",
          "[Desktop Entry]\nType=Application\nName=Folidex test opener\nExec=" + home.path() +
              "/opener.sh %f\nMimeType=text/plain;inode/directory;\n");
    qputenv("HOME", home.path().c_str());
    qputenv("XDG_DATA_HOME", Path("share").toUtf8());
    qputenv("XDG_DATA_DIRS", Path("share").toUtf8());
    qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
    qputenv("XDG_CONFIG_DIRS", Path("empty-config").toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/folidex-test-bus");
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                             "XDG_SESSION_DESKTOP", "BROWSER"}) {
      qunsetenv(name);
    }
  }
  void Write(const char* relative, const std::string& text) const {
    if (!WriteFileAtomic(home.path() + "/" + relative, text)) qFatal("cannot write %s", relative);
  }
  // Registers default applications in the user's mimeapps.list.
  void SetDefaults(const std::string& lines) const {
    Write("config/mimeapps.list", "[Default Applications]\n" + lines);
  }
  // The path the test opener was started with, once it has run (up to ten seconds).
  QString WaitForMarker() const {
    QElapsedTimer timer;
    timer.start();
    QFile marker(Path("marker"));
    while (!marker.exists() && timer.elapsed() < 10000) QThread::msleep(50);
    if (!marker.open(QIODevice::ReadOnly)) return QString();
    QString text = QString::fromUtf8(marker.readAll());
    marker.close();
    marker.remove();
    return text;
  }
};

TestDesktop* desktop = nullptr;

}  // namespace

class QtDesktopOpenerTest : public QObject {
  Q_OBJECT

 private slots:
  void AProgramCountsOnlyWhenTheDesktopNamesAnInstalledEntry() {
    QtDesktopOpener opener;
    const std::string workbook = desktop->home.File("リスト_20261209_153000.xlsx");
    desktop->SetDefaults("");
    QVERIFY(!opener.HasProgramFor(NativePath(workbook)));
    QVERIFY(QtDesktopOpener::DefaultApplicationFor(QString::fromLatin1(kXlsx)).isEmpty());

    desktop->SetDefaults(std::string(kXlsx) + "=folidex-not-installed.desktop\n");
    QVERIFY(!opener.HasProgramFor(NativePath(workbook)));

    desktop->SetDefaults(std::string(kXlsx) + "=folidex-test-opener.desktop\n");
    QVERIFY(opener.HasProgramFor(NativePath(workbook)));
    QCOMPARE(QtDesktopOpener::DefaultApplicationFor(QString::fromLatin1(kXlsx)),
             QStringLiteral("folidex-test-opener.desktop"));
    QVERIFY(!opener.HasProgramFor(NativePath(desktop->home.File("a.doc"))));
    QVERIFY(!opener.HasProgramFor(NativePath(desktop->home.File("no-type.zzqqxx"))));
  }

  void OpenFileStartsTheRegisteredProgram() {
    QtDesktopOpener opener;
    desktop->SetDefaults("text/plain=folidex-test-opener.desktop\ninode/directory=folidex-test-opener.desktop\n");
    const std::string note = desktop->home.File("メモ.txt");
    QVERIFY(WriteFileAtomic(note, "note\n"));
    QVERIFY(opener.HasProgramFor(NativePath(note)));
    QVERIFY(opener.OpenFile(NativePath(note)));
    QCOMPARE(desktop->WaitForMarker(), QString::fromStdString(note));
  }

  void ShowInFolderOpensTheFolderWithoutAFileManagerService() {
    QtDesktopOpener opener;
    desktop->SetDefaults("text/plain=folidex-test-opener.desktop\ninode/directory=folidex-test-opener.desktop\n");
    QVERIFY(EnsureFolders(desktop->home.File("Documents/Folidex")));
    const std::string file = desktop->home.File("Documents/Folidex/report.doc");
    QVERIFY(WriteFileAtomic(file, "doc"));
    QVERIFY(opener.ShowInFolder(NativePath(file)));
    QCOMPARE(desktop->WaitForMarker(), QString::fromStdString(desktop->home.File("Documents/Folidex")));
  }

  void TheDocumentsFolderComesFromTheUsersFolders() {
    QCOMPARE(QString::fromStdString(FolidexDocumentsFolder()),
             QString::fromStdString(desktop->home.File("Documents/Folidex")));
    desktop->Write("config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/文書\"\n");
    QCOMPARE(QString::fromStdString(FolidexDocumentsFolder()),
             QString::fromStdString(desktop->home.File("文書/Folidex")));
    QFile::remove(desktop->Path("config/user-dirs.dirs"));
  }
};

int main(int argc, char** argv) {
  TestDesktop testDesktop;
  desktop = &testDesktop;
  QApplication app(argc, argv);
  QtDesktopOpenerTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "qt_desktop_opener_test.moc"
