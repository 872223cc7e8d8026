#pragma once
// Character-aware handling of CP932 byte strings. Lead bytes are 0x81..0x9F and 0xE0..0xFC;
// every substring search, replacement and upper-casing walks characters through this file,
// so a match never starts on the trail byte of a double-byte character.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace folidex {

constexpr bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
constexpr bool IsCp932TrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Length in bytes of the character that starts at text[pos] (1 or 2; 1 for a lead byte at the end).
inline std::size_t Cp932CharLength(std::string_view text, std::size_t pos) {
  return (IsCp932LeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

// First occurrence of needle at or after `from` that starts on a character boundary
// (`from` must itself be a boundary). Returns std::string_view::npos when there is none.
// An empty needle is found at `from`.
std::size_t FindCp932(std::string_view haystack, std::string_view needle, std::size_t from = 0);

inline bool ContainsCp932(std::string_view haystack, std::string_view needle) {
  return FindCp932(haystack, needle) != std::string_view::npos;
}

// Replaces every occurrence of `from` by `to` in one left-to-right pass; replacements are not
// re-examined. `from` must not be empty.
std::string ReplaceAllCp932(std::string_view text, std::string_view from, std::string_view to);

// Upper-cases single-byte a..z and the full-width Latin lower-case letters (CP932 0x8281..0x829A
// become 0x8260..0x8279), character by character; kana, kanji and everything else stay. A lead
// byte without a valid trail byte is an invalid sequence: that byte passes through unchanged and
// the rest of the text is still upper-cased.
std::string UpperCaseCp932(std::string_view text);

// Upper-cases single-byte a..z only, leaving double-byte characters untouched.
std::string UpperCaseAsciiCp932(std::string_view text);

// Decimal helpers shared by the record model, settings and list.
long LeadingNumber(std::string_view text);  // the number formed by the leading digits ("-" allowed)
std::string FormatSerial(long n);           // "%08ld"

// The value of a hexadecimal digit (0-9, a-f, A-F), or -1.
int HexDigitValue(char c);

// Percent-escapes ("%E8") decoded to bytes; an escape that is cut or not hexadecimal stays as
// written.
std::string PercentDecodedBytes(std::string_view text);

}  // namespace folidex
