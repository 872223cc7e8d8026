#include <gtest/gtest.h>

#include "common/Cp932.h"
#include "common/Settings.h"

using namespace folidex;

TEST(Settings, MissingValuesReadTheirDefaults) {
  MemorySettings s;
  EXPECT_EQ(s.GetInt(setting::SetList), 1);
  EXPECT_EQ(s.GetInt(setting::HitMax), 500);
  EXPECT_EQ(s.GetInt(setting::CxCur), 400);
  EXPECT_EQ(s.GetInt(setting::SelCol), 3);
  EXPECT_EQ(s.GetText(setting::SerialCounter), "00000000");
  EXPECT_EQ(s.GetText(setting::Link), "O");
  EXPECT_EQ(s.GetText(setting::ColColor), "16765650");
  EXPECT_EQ(s.GetInt(setting::ColColor), 16765650);  // a text read as a number
  EXPECT_EQ(s.GetText(setting::Home), kWebSearchBase);
  EXPECT_EQ(s.GetText(setting::FontName), "Meiryo UI");
  EXPECT_EQ(s.GetInt(setting::Chk0), 1);
  EXPECT_EQ(s.GetInt(setting::TextDlgWidth), 640);
  EXPECT_EQ(s.GetInt(setting::TextDlgHeight), 480);
  EXPECT_EQ(s.GetText(setting::StorePath), "");
}

TEST(Settings, IndexedKeysFollowTheirFamilies) {
  EXPECT_EQ(setting::Goku(5).section, "Search");
  EXPECT_EQ(setting::Goku(5).name, "Goku5");
  EXPECT_EQ(setting::ColumnWidth(16).name, "W16");
  EXPECT_EQ(setting::ColumnWidth(16).integerDefault, 20);
  EXPECT_EQ(setting::BookmarkName(15).section, "BM_NAME");
  EXPECT_EQ(setting::BookmarkUrl(0).name, "0");
}

TEST(Settings, TextsHoldingNumbersReadByTheirLeadingDigits) {
  MemorySettings s;
  s.SetText(setting::SerialCounter, "00000107");
  EXPECT_EQ(s.GetInt(setting::SerialCounter), 107);
  s.SetRaw("KanSet", "HitMax", "1000件");
  EXPECT_EQ(s.GetInt(setting::HitMax), 1000);
  s.SetRaw("KanSet", "HitMax", "many");
  EXPECT_EQ(s.GetInt(setting::HitMax), 0);
  s.SetInt(setting::CxCur, -12);
  EXPECT_EQ(s.GetInt(setting::CxCur), -12);
  EXPECT_EQ(s.GetText(setting::CxCur), "-12");
}

TEST(Settings, TextsStayCp932) {
  MemorySettings s;
  std::string path = Utf8ToCp932("/home/資料");
  s.SetText(setting::StorePath, path);
  EXPECT_EQ(s.GetText(setting::StorePath), path);
  EXPECT_TRUE(s.Has("KanSet", "StorePath"));
}
