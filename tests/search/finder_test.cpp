#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "common/ByteText.h"
#include "search/Cp932Finder.h"

using namespace folidex;

namespace {

// Random text over a few bytes that make lead/trail confusions and near misses common.
std::string RandomText(std::mt19937& rng, std::size_t size) {
  static const char alphabet[] = {'\x82', '\xA0', '\x9F', '\x40', 'A', 'X', ' ', '\xE0'};
  std::uniform_int_distribution<int> pick(0, sizeof alphabet - 1);
  std::string text(size, ' ');
  for (char& c : text) c = alphabet[pick(rng)];
  return text;
}

}  // namespace

TEST(Cp932Finder, AgreesWithTheCharacterWalkOnRandomText) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 4000; ++round) {
    std::size_t size = round < 3000 ? rng() % 200 : rng() % 3000;
    std::string text = RandomText(rng, size);
    std::string needle;
    if (rng() % 2 && size > 0) {
      std::size_t from = rng() % size;
      needle = text.substr(from, 1 + rng() % 6);
    } else {
      needle = RandomText(rng, 1 + rng() % 4);
    }
    Cp932Finder finder(needle);
    std::size_t expected = FindCp932(text, needle);
    ASSERT_EQ(finder.Find(text), expected) << "round " << round;
    ASSERT_EQ(finder.Find(text, false), expected) << "round " << round;
  }
}

TEST(Cp932Finder, FindsAtTheEdgesOfLongTextsAndOnlyOnBoundaries) {
  std::string text(1000, 'A');
  for (std::size_t at : {0u, 31u, 32u, 63u, 64u, 65u, 990u, 996u}) {
    std::string t = text;
    t.replace(at, 4, "QZXJ");
    EXPECT_EQ(Cp932Finder("QZXJ").Find(t), at);
    EXPECT_EQ(Cp932Finder("QZXJ").Find(t, false), at);
  }
  EXPECT_EQ(Cp932Finder("QZXJ").Find(text), std::string_view::npos);
  EXPECT_EQ(Cp932Finder("").Find(text), 0u);
  // "\x82\xA0" repeated: "\xA0\x82" occurs at every odd position, never on a boundary.
  std::string pairs;
  for (int i = 0; i < 200; ++i) pairs += "\x82\xA0";
  EXPECT_EQ(Cp932Finder("\xA0\x82").Find(pairs), std::string_view::npos);
  EXPECT_EQ(Cp932Finder("\xA0").Find(pairs), std::string_view::npos);
  EXPECT_EQ(Cp932Finder("\x82\xA0\x82").Find(pairs), 0u);
}

TEST(Cp932Finder, RemoveSpacesKeepsEverythingElseInOrder) {
  std::mt19937 rng(7);
  for (int round = 0; round < 500; ++round) {
    std::string text = RandomText(rng, rng() % 300);
    std::string expected = text;
    expected.erase(std::remove(expected.begin(), expected.end(), ' '), expected.end());
    text.resize(RemoveSpaces(text.data(), text.size()));
    ASSERT_EQ(text, expected);
  }
}
