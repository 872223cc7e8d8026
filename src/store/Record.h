#pragma once
// The record model: seventeen CP932 text fields named by two-letter tags, the serial number that
// identifies a record, the link kind and the availability mark.

#include <array>
#include <string>
#include <string_view>

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

}  // namespace folidex
