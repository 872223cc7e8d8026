#pragma once
// The one text conversion layer. Every text the program stores or compares is a CP932 byte
// string (std::string, lengths in bytes); conversion happens only at the edges, here.
// A character without a CP932 form becomes one space (0x20).

#include <cstddef>
#include <string>
#include <string_view>

namespace folidex {

// UTF-16 code units (as QString holds them) to CP932. Surrogate pairs count as one character.
// Kangxi radicals and CJK radical supplements are folded to their unified ideographs first.
std::string Utf16ToCp932(std::u16string_view utf16);

// UTF-8 (file names, dropped paths, settings files) to CP932. Invalid sequences become spaces.
std::string Utf8ToCp932(std::string_view utf8);

// CP932 to UTF-16 / UTF-8. A byte sequence that is not valid CP932 becomes U+FFFD.
std::u16string Cp932ToUtf16(std::string_view cp932);
std::string Cp932ToUtf8(std::string_view cp932);

// The compatibility fold applied before conversion: U+2F00..U+2FD5 and the two CJK radical
// supplements with a compatibility decomposition map to the unified ideograph (as NFKC does);
// any other code point is returned unchanged.
char32_t FoldRadical(char32_t codePoint);

// A native file-system path for a CP932 path. On POSIX file names are UTF-8.
std::string ToNativePath(std::string_view cp932Path);
std::string FromNativePath(std::string_view nativePath);

}  // namespace folidex
