#pragma once
// The seventeen list columns: which record field each shows and its title.

#include <array>
#include <string>

namespace folidex {

enum class ListColumn {
  No,        // row number, 1 for the first row
  SerialNo,  // the record's serial number: the key of every action on a row
  Status,    // availability mark
  Title,     // PT
  Author,    // PA
  Subtitle,  // PS
  Keywords,  // PK
  Created,   // PC
  Modified,  // PM
  Link,      // TY
  FileName,  // FN
  FileSize,  // FS, grouped
  TextSize,  // TS, grouped
  FileDate,  // FC
  Acquired,  // FA
  Source,    // FG
  Blank      // always empty
};
inline constexpr int kListColumnCount = 17;

constexpr int ColumnIndex(ListColumn column) { return static_cast<int>(column); }

// Column titles (UTF-8; ListColumnTitle gives CP932). Columns 7 and 13 share a title.
inline constexpr std::array<const char*, kListColumnCount> kListColumnTitlesUtf8 = {
    "No",       "Serial No", "状態", "タイトル",   "作成者",       "サブタイトル",   "キーワード",
    "作成日時", "更新日時",  "Link", "ファイル名", "サイズ(Byte)", "テキスト(Byte)", "作成日時",
    "取得日時", "取得先",    " "};
const std::string& ListColumnTitle(int column);

// The key of each column in `folidex-cli --json` output: the record field's tag where the column
// shows one, "serial" and "mark" for the serial and the availability mark; the blank column has
// none.
inline constexpr std::array<const char*, kListColumnCount> kListColumnKeys = {
    "No", "serial", "mark", "PT", "PA", "PS", "PK", "PC", "PM", "TY", "FN", "FS", "TS", "FC", "FA", "FG", ""};

}  // namespace folidex
