#pragma once
// Rows as a search lists them, for the export benchmarks: row number, serial, mark, Japanese
// title, author, subtitle and keywords, document dates, link kind, file name, grouped sizes,
// file and acquisition dates and a source path.

#include <cstdio>
#include <random>
#include <string>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "list/ListRows.h"
#include "list/RecordRow.h"

namespace folidex::bench {

inline ListRows::Cells SyntheticRow(long i, std::mt19937& random) {
  static const char* const kWords[] = {"報告書", "調査",   "結果", "年次", "計画",
                                       "議事録", "仕様書", "概要", "資料", "第二版"};
  auto word = [&] { return std::string(kWords[random() % 10]); };
  auto number = [&](long lo, long hi) {
    return lo + static_cast<long>(random() % static_cast<unsigned long>(hi - lo));
  };
  auto date = [&](const char* format) {
    char text[48];
    std::snprintf(text, sizeof text, format, number(1995, 2026), number(1, 13), number(1, 29), number(0, 24),
                  number(0, 60), number(0, 60));
    return std::string(text);
  };
  ListRows::Cells cells;
  cells[0] = std::to_string(i + 1);
  cells[1] = FormatSerial(i);
  cells[2] = Utf8ToCp932("○");
  cells[3] = Utf8ToCp932(word() + word() + " " + word() + " 第" + std::to_string(number(1, 200)) + "号");
  cells[4] = Utf8ToCp932("山田 " + word());
  cells[5] = Utf8ToCp932(word() + "について");
  cells[6] = Utf8ToCp932(word() + ";" + word() + ";" + word());
  cells[7] = date("%04ld.%02ld.%02ld %02ld:%02ld:%02ld");
  cells[8] = date("%04ld.%02ld.%02ld %02ld:%02ld:%02ld");
  cells[9] = (i % 3) ? "I" : "O";
  cells[10] = "document" + std::to_string(i) + ".pdf";
  cells[11] = GroupDigits(std::to_string(number(10'000, 90'000'000)));
  cells[12] = GroupDigits(std::to_string(number(100, 900'000)));
  cells[13] = date("%04ld/%02ld/%02ld %02ld:%02ld:%02ld");
  cells[14] = date("%04ld/%02ld/%02ld %02ld:%02ld");
  cells[15] = "/home/user/" + Utf8ToCp932("資料") + "/document" + std::to_string(i) + ".pdf";
  return cells;
}

// A row whose Japanese cells (title, author, subtitle, keywords, file name and path) are all
// different, of every length, as real ones are: no text repeats, none differs from another in
// its digits alone.
inline ListRows::Cells DistinctRow(long i, std::mt19937& random) {
  static const std::u16string kCharacters =
      u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
      u"アイウエオカキクケコサシスセソタチツテトナニヌネノ報告書調査結果年次計画議事録仕様概要資料版";
  auto japanese = [&](int shortest, int longest) {
    std::u16string text;
    const int length = shortest + static_cast<int>(random() % static_cast<unsigned>(longest - shortest + 1));
    for (int k = 0; k < length; ++k) text += kCharacters[random() % kCharacters.size()];
    return Utf16ToCp932(text);
  };
  ListRows::Cells cells = SyntheticRow(i, random);
  cells[3] = japanese(4, 40);
  cells[4] = japanese(2, 8);
  cells[5] = japanese(0, 20);
  cells[6] = japanese(2, 6) + ";" + japanese(2, 6);
  cells[10] = japanese(3, 20) + ".pdf";
  cells[15] = "/home/user/" + Utf8ToCp932("資料") + "/" + cells[10];
  return cells;
}

}  // namespace folidex::bench
