#include <gtest/gtest.h>

#include "list/ListSort.h"
#include "support/TestSupport.h"

namespace folidex {
namespace {

using test::J;

class ListSortTest : public ::testing::Test {
 protected:
  ListRows list;
  test::ScriptedPrompter prompter;
  test::RecordingProgress progress;

  void AddRow(const std::string& serial, int column, const std::string& text, bool selected = false) {
    ListRows::Cells cells;
    cells[0] = std::to_string(list.RowCount() + 1);
    cells[1] = serial;
    cells[column] = text;
    list.AppendRow(cells, selected);
  }
  std::vector<std::string> Column(int column) const {
    std::vector<std::string> texts;
    for (int i = 0; i < list.RowCount(); ++i) texts.push_back(list.Cell(i, column));
    return texts;
  }
};

TEST_F(ListSortTest, SizeColumnsSortByMagnitudeAndRowsAreRenumberedUnselected) {
  AddRow("00000001", 11, "12,345", true);
  AddRow("00000002", 11, "999");
  AddRow("00000003", 11, "1,000", true);
  AddRow("00000004", 11, "1000000000");
  ASSERT_TRUE(SortList(list, 11, SortOrder::Ascending, prompter, progress));
  EXPECT_EQ(Column(11), (std::vector<std::string>{"999", "1,000", "12,345", "1000000000"}));
  EXPECT_EQ(Column(1), (std::vector<std::string>{"00000002", "00000003", "00000001", "00000004"}));
  EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(list.FirstSelectedRow(), -1);
  EXPECT_EQ(progress.maxWaitDepth, 1);
  EXPECT_EQ(progress.waitDepth, 0);

  ASSERT_TRUE(SortList(list, 11, SortOrder::Descending, prompter, progress));
  EXPECT_EQ(Column(11), (std::vector<std::string>{"1000000000", "12,345", "1,000", "999"}));
}

TEST_F(ListSortTest, TitlesCompareAsUnsignedCp932Bytes) {
  for (const char* title : {"漢字", "abc", "あいう", "ABC", "Zeta", "ｱｲｳ"}) AddRow("0", 3, J(title));
  ASSERT_TRUE(SortList(list, 3, SortOrder::Ascending, prompter, progress));
  // Unsigned lead bytes: 0x41 < 0x5A < 0x61 < 0x82 (hiragana) < 0x8A (kanji) < 0xB1 (half-width kana);
  // a signed comparison would put every double-byte text before ASCII.
  EXPECT_EQ(Column(3), (std::vector<std::string>{J("ABC"), J("Zeta"), J("abc"), J("あいう"), J("漢字"), J("ｱｲｳ")}));
}

TEST_F(ListSortTest, KeysAreCutAt259Bytes) {
  std::string common(259, 'm');
  AddRow("00000001", 3, common + "z");
  AddRow("00000002", 3, common + "a");
  AddRow("00000003", 3, "a");
  ASSERT_TRUE(SortList(list, 3, SortOrder::Ascending, prompter, progress));
  // The two long titles have equal keys and keep their order.
  EXPECT_EQ(Column(1), (std::vector<std::string>{"00000003", "00000001", "00000002"}));
}

TEST_F(ListSortTest, ColumnZeroOrNoColumnIsNeverAKey) {
  AddRow("00000002", 3, "b", true);
  AddRow("00000001", 3, "a");
  for (int column : {0, -1, 17}) {
    EXPECT_FALSE(SortList(list, column, SortOrder::Ascending, prompter, progress));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"00000002", "00000001"}));
    EXPECT_TRUE(list.IsSelected(0));
  }
}

}  // namespace
}  // namespace folidex
