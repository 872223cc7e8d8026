#include <gtest/gtest.h>

#include "common/Cp932.h"
#include "common/Messages.h"

using namespace folidex;

TEST(Messages, TextsAreExactCp932) {
  // 30014 and 30015 contain double quotes.
  EXPECT_EQ(Cp932ToUtf8(MessageText(30014)), "の年月日は \"2010/12/01\" のように、\"/\"区切りで入力してください");
  EXPECT_EQ(Cp932ToUtf8(MessageText(30015)), "の年月日に、\"/\"または数字以外の文字が含まれています");
  EXPECT_EQ(MessageText(30001), "\x83\x81\x83\x82\x83\x8A\x82\xCC\x8A\x6D\x95\xDB\x82\xC9\x8E\xB8\x94\x73");
  EXPECT_EQ(Cp932ToUtf8(MessageText(30020)), "の年月日の「月」が、1～12の範囲にありません");
  EXPECT_EQ(Cp932ToUtf8(MessageText(30047)),
            "ヒット件数が制限を超えました\nこれ以上の検索を中止します\n※ 最大ヒット件数は環境設定で変更できます");
  EXPECT_EQ(Cp932ToUtf8(MessageText(30204)), "Ver. 1.04 2022.11.11 Windows 11対応");
  EXPECT_EQ(Cp932ToUtf8(MessageText(30011)), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroRd32.exe");
}

TEST(Messages, EveryTextConvertsWithoutLoss) {
  // A character without a CP932 form would have turned into a space: the round trip shows it.
  for (int id = 1; id < 60000; ++id) {
    const char* utf8 = MessageTextUtf8(id);
    if (*utf8 == '\0') continue;
    EXPECT_EQ(Cp932ToUtf8(MessageText(id)), utf8) << id;
  }
  EXPECT_TRUE(MessageText(30006).empty());
}
