#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QSettings>

#include "common/Cp932.h"
#include "common/qt/QtSettings.h"
#include "support/TestSupport.h"

using namespace folidex;

TEST(QtSettings, StoresUtf8InTheIniFileAndHandsOutCp932) {
  test::TempDir dir;
  QString file = QString::fromStdString(dir.File("Folidex.conf"));
  {
    QtSettings s(file);
    s.SetText(setting::StorePath, Utf8ToCp932("/home/資料"));
    s.SetInt(setting::HitMax, 3000);
    s.SetText(setting::SerialCounter, "00000005");
    s.SetText(setting::BookmarkName(3), Utf8ToCp932("報告"));
    s.Sync();
  }
  QSettings raw(file, QSettings::IniFormat);
  EXPECT_EQ(raw.value("KanSet/StorePath").toString(), QStringLiteral("/home/資料"));
  EXPECT_EQ(raw.value("KanSet/HitMax").toInt(), 3000);
  EXPECT_EQ(raw.value("Sys/No").toString(), QStringLiteral("00000005"));

  QtSettings again(file);
  EXPECT_EQ(Cp932ToUtf8(again.GetText(setting::StorePath)), "/home/資料");
  EXPECT_EQ(again.GetInt(setting::HitMax), 3000);
  EXPECT_EQ(again.GetInt(setting::SerialCounter), 5);
  EXPECT_EQ(Cp932ToUtf8(again.GetText(setting::BookmarkName(3))), "報告");
  EXPECT_EQ(again.GetInt(setting::Kakunin), 1);  // missing: the default
}

TEST(QtSettings, ReadsAHandWrittenIniFile) {
  test::TempDir dir;
  std::string path = dir.File("hand.conf");
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[KanSet]\nStorePath=/data/store\nColumnMnt=0\n\n[Sys]\nNo=00000042\n\n[Last]\nColColor=255\n");
  f.close();
  QtSettings s(QString::fromStdString(path));
  EXPECT_EQ(s.GetText(setting::StorePath), "/data/store");
  EXPECT_EQ(s.GetInt(setting::ColumnMnt), 0);
  EXPECT_EQ(s.GetText(setting::SerialCounter), "00000042");
  EXPECT_EQ(s.GetInt(setting::ColColor), 255);
}

TEST(QtSettings, AHandWrittenValueWithACommaIsOneText) {
  test::TempDir dir;
  std::string path = dir.File("hand.conf");
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[KanSet]\nStorePath = /home/a, b  ,c\nHome=x\n[Other]\nStorePath=/elsewhere, z\n[Sys]\nNo=00000003\n");
  f.close();
  QtSettings s(QString::fromStdString(path));
  EXPECT_EQ(s.GetText(setting::StorePath), "/home/a, b  ,c");
  EXPECT_EQ(s.GetText(setting::Home), "x");
  EXPECT_EQ(Cp932ToUtf8(s.Location()), path);

  // The program's own writes are quoted and come back whole, Japanese included.
  s.SetText(setting::StorePath, Utf8ToCp932("/home/資料, 二"));
  s.Sync();
  EXPECT_EQ(Cp932ToUtf8(QtSettings(QString::fromStdString(path)).GetText(setting::StorePath)), "/home/資料, 二");
}

TEST(QtSettings, PathsAreKeptAsTheirOwnBytesNeverThroughCp932) {
  test::TempDir dir;
  QString file = QString::fromStdString(dir.File("Folidex.conf"));
  const std::string wave = "/home/資料〜2024";  // U+301C, which CP932 would make U+FF5E
  const std::string cafe = "/media/café, 2";
  {
    QtSettings s(file);
    s.SetPath(setting::StorePath, NativePath(wave));
    s.SetPath(setting::WordStorePath, NativePath(cafe));
    s.Sync();
  }
  QSettings raw(file, QSettings::IniFormat);
  EXPECT_EQ(raw.value("KanSet/StorePath").toString(), QString::fromUtf8(wave));
  QtSettings again(file);
  EXPECT_EQ(again.GetPath(setting::StorePath), wave);
  EXPECT_EQ(again.GetPath(setting::WordStorePath), cafe);
  EXPECT_EQ(again.GetPath(setting::DspPage), "");  // missing: the default
  // A location written by an older version as text reads back as the same path.
  again.SetText(setting::StorePath, Utf8ToCp932("/home/資料"));
  EXPECT_EQ(again.GetPath(setting::StorePath), "/home/資料");
}

TEST(QtSettings, AFileHoldingTheValuesSetIsNotRewritten) {
  // A search saves its conditions every time: the same values leave the file untouched (not
  // replaced by a new file), and a changed one is still saved.
  test::TempDir dir;
  const std::string path = dir.File("hand.conf");
  const QByteArray hand = "[KanSet]\nHitMax=3000\nStorePath=/data/資料\nHome=x\n";
  {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(hand);
  }
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  {
    QtSettings s(QString::fromStdString(path));
    s.SetInt(setting::HitMax, 3000);
    s.SetText(setting::StorePath, Utf8ToCp932("/data/資料"));
    s.SetPath(setting::StorePath, NativePath("/data/資料"));
    s.SetText(setting::Home, "x");
    EXPECT_TRUE(s.Sync());
  }
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), hand);
  f.close();

  {
    QtSettings s(QString::fromStdString(path));
    s.SetInt(setting::HitMax, 3000);
    s.SetInt(setting::Kakunin, 0);  // absent from the file: written
    s.SetText(setting::Home, "y");
    EXPECT_TRUE(s.Sync());
  }
  QtSettings again(QString::fromStdString(path));
  EXPECT_EQ(again.GetInt(setting::HitMax), 3000);
  EXPECT_EQ(again.GetInt(setting::Kakunin), 0);
  EXPECT_EQ(again.GetText(setting::Home), "y");
  EXPECT_EQ(Cp932ToUtf8(again.GetText(setting::StorePath)), "/data/資料");
}
