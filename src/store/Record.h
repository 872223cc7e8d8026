#pragma once
// The record model: seventeen CP932 text fields named by two-letter tags, the serial number that
// identifies a record, the link kind, the availability mark and the list columns.

#include <array>
#include <string>
#include <string_view>

#include "list/ListRows.h"

namespace folidex {

enum class FieldTag { PT, PA, PS, PK, PC, PM, TY, FN, FS, TS, FC, FA, FP, FG, Y1, Y2, TX };
inline constexpr int kFieldCount = 17;

// The tags in their fixed order (the order of the record file's lines).
inline constexpr std::array<std::string_view, kFieldCount> kFieldTagNames = {
    "PT", "PA", "PS", "PK", "PC", "PM", "TY", "FN", "FS", "TS", "FC", "FA", "FP", "FG", "Y1", "Y2", "TX"};

// One stored document: seventeen fields in tag order. The serial number travels beside it.
struct IndexRecord {
  std::array<std::string, kFieldCount> fields;

  std::string& operator[](FieldTag tag) { return fields[static_cast<int>(tag)]; }
  const std::string& operator[](FieldTag tag) const { return fields[static_cast<int>(tag)]; }
  void Clear() {
    for (auto& field : fields) field.clear();
  }
};

// Link kinds (field TY): "I" the store keeps a copy of the PDF; anything else is an outside link.
inline constexpr std::string_view kLinkCopy = "I";
inline constexpr std::string_view kLinkOutside = "O";

// Availability marks, CP932: "○" (0x81 0x9B) reachable, "×" (0x81 0x7E) not.
inline const std::string kMarkAvailable = "\x81\x9B";
inline const std::string kMarkMissing = "\x81\x7E";

// The seventeen list columns.
enum class ListColumn {
  No,
  SerialNo,
  Status,
  Title,
  Author,
  Subtitle,
  Keywords,
  Created,
  Modified,
  Link,
  FileName,
  FileSize,
  TextSize,
  FileDate,
  Acquired,
  Source,
  Blank
};

// Column titles (UTF-8; ListColumnTitle gives CP932).
inline constexpr std::array<const char*, ListRows::kColumns> kListColumnTitlesUtf8 = {
    "No",       "Serial No", "状態", "タイトル",   "作成者",       "サブタイトル",   "キーワード",
    "作成日時", "更新日時",  "Link", "ファイル名", "サイズ(Byte)", "テキスト(Byte)", "作成日時",
    "取得日時", "取得先",    " "};
const std::string& ListColumnTitle(int column);

// Thousands separators for a digit string of 4 to 9 digits; other lengths stay unchanged.
std::string GroupDigits(std::string_view digits);

// The cells of a row built from `record`: row number, serial, mark, PT..FA, FG, and an empty
// last column. FS and TS are shown grouped, and the grouped form is written back into `record`.
ListRows::Cells RecordRowTexts(IndexRecord& record, int rowNumber, const std::string& serial, const std::string& mark);

// Appends `record` as a new selected row at the end of the list; other rows keep their
// selection. Returns false when the list refuses the row.
bool AppendRecordRow(ListRows& list, IndexRecord& record, const std::string& serial, const std::string& mark);

}  // namespace folidex
