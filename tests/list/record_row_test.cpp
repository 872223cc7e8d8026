#include <gtest/gtest.h>

#include "list/ListSort.h"
#include "list/RecordRow.h"
#include "support/TestSupport.h"

using namespace folidex;
using folidex::test::J;

TEST(GroupDigits, Boundaries) {
  EXPECT_EQ(GroupDigits(""), "");
  EXPECT_EQ(GroupDigits("999"), "999");
  EXPECT_EQ(GroupDigits("1000"), "1,000");
  EXPECT_EQ(GroupDigits("1234"), "1,234");
  EXPECT_EQ(GroupDigits("123456"), "123,456");
  EXPECT_EQ(GroupDigits("1234567"), "1,234,567");
  EXPECT_EQ(GroupDigits("999999999"), "999,999,999");
  EXPECT_EQ(GroupDigits("1000000000"), "1000000000");
}

TEST(GroupDigits, TextsNotAllDigitsStayAsTheyAre) {
  EXPECT_EQ(GroupDigits("9,597,462"), "9,597,462");
  EXPECT_EQ(GroupDigits("12,345"), "12,345");
  EXPECT_EQ(GroupDigits(" 12345"), " 12345");
  EXPECT_EQ(GroupDigits("1234KB"), "1234KB");
  // Shown as it is, a grouped size sorts among the sizes grouped here.
  EXPECT_LT(SortKey(GroupDigits("999999"), ColumnIndex(ListColumn::FileSize)),
            SortKey(GroupDigits("9,597,462"), ColumnIndex(ListColumn::FileSize)));
}

TEST(RecordRow, CellsFollowTheColumnTable) {
  IndexRecord r;
  for (int k = 0; k < kFieldCount; ++k) r.fields[k] = std::string(kFieldTagNames[k]) + "v";
  r[FieldTag::FS] = "1234567";
  r[FieldTag::TS] = "12";
  ListRows::Cells cells = RecordRowTexts(r, 7, "00000107", kMarkAvailable);
  EXPECT_EQ(cells[0], "7");
  EXPECT_EQ(cells[1], "00000107");
  EXPECT_EQ(cells[2], kMarkAvailable);
  EXPECT_EQ(cells[3], "PTv");
  EXPECT_EQ(cells[8], "PMv");
  EXPECT_EQ(cells[9], "TYv");
  EXPECT_EQ(cells[10], "FNv");
  EXPECT_EQ(cells[11], "1,234,567");
  EXPECT_EQ(cells[12], "12");
  EXPECT_EQ(cells[13], "FCv");
  EXPECT_EQ(cells[14], "FAv");
  EXPECT_EQ(cells[15], "FGv");
  EXPECT_EQ(cells[16], "");
  EXPECT_EQ(r[FieldTag::FS], "1,234,567");  // the grouped form is written back
}

TEST(RecordRow, AppendNumbersOn) {
  ListRows list;
  IndexRecord r;
  for (int i = 0; i < 3; ++i) {
    r[FieldTag::PT] = "title" + std::to_string(i);
    ASSERT_TRUE(AppendRecordRow(list, r, "0000000" + std::to_string(i), kMarkMissing, i == 1));
  }
  ASSERT_EQ(list.RowCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(list.IsSelected(i), i == 1);
    EXPECT_EQ(list.Cell(i, 0), std::to_string(i + 1));
    EXPECT_EQ(list.Cell(i, 3), "title" + std::to_string(i));
  }
}

TEST(ListColumns, TitlesAreCp932) {
  EXPECT_EQ(ListColumnTitle(2), J("状態"));
  EXPECT_EQ(ListColumnTitle(7), ListColumnTitle(13));
  EXPECT_EQ(ListColumnTitle(16), " ");
}
