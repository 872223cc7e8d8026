#include <gtest/gtest.h>

#include <set>

#include "common/Cp932.h"
#include "common/Messages.h"

using namespace folidex;

TEST(Messages, EveryTextConvertsToCp932WithoutLoss) {
  // A character without a CP932 form would have turned into a space: the round trip shows it.
  for (Msg id : AllMessages()) {
    EXPECT_FALSE(MessageText(id).empty()) << MessageNumber(id);
    EXPECT_EQ(Cp932ToUtf8(MessageText(id)), MessageTextUtf8(id)) << MessageNumber(id);
  }
  EXPECT_EQ(MessageText(Msg::MemoryAllocFailed),
            "\x83\x81\x83\x82\x83\x8A\x82\xCC\x8A\x6D\x95\xDB\x82\xC9\x8E\xB8\x94\x73");
}

TEST(Messages, EachNumberHasOneText) {
  std::set<int> numbers;
  for (Msg id : AllMessages()) EXPECT_TRUE(numbers.insert(MessageNumber(id)).second) << MessageNumber(id);
  EXPECT_TRUE(MessageText(static_cast<Msg>(30006)).empty());
}
