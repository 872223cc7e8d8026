#pragma once
// The one text conversion layer. Every text the program stores or compares is a CP932 byte
// string (std::string, lengths in bytes); conversion happens only at the edges, here.
// A character without a CP932 form becomes one space (0x20).

#include <cstddef>
#include <string>
#include <string_view>

#include "common/PathText.h"

namespace folidex {

// UTF-16 code units (as QString holds them) to CP932. Surrogate pairs count as one character.
// Kangxi radicals and CJK radical supplements are folded to their unified ideographs first.
std::string Utf16ToCp932(std::u16string_view utf16);

// A document's body text (from the PDF engine, the recognizer or the clipboard) to CP932: the
// text is brought to NFC first (a kana with a combining voiced mark is one character), and a
// character without a CP932 form becomes its compatibility form (NFKC: ﬁ → fi, ⽇ → 日) when
// that has one, else its Latin letter without the accent (é → e), else one space.
std::string BodyTextToCp932(std::u16string_view utf16);

// The text in Unicode normalisation form C, and in form KC.
std::u16string ToNfc(std::u16string_view text);
std::u16string CompatibleForm(std::u16string_view text);

// UTF-8 (file names, dropped paths, settings files) to CP932. Invalid sequences become spaces.
std::string Utf8ToCp932(std::string_view utf8);

// CP932 to UTF-16 / UTF-8. A byte sequence that is not valid CP932 becomes U+FFFD.
std::u16string Cp932ToUtf16(std::string_view cp932);
std::string Cp932ToUtf8(std::string_view cp932);

// The compatibility fold applied before conversion: a Kangxi radical or CJK radical supplement
// (U+2E80..U+2FD5) whose NFKC form is one ideograph maps to it, and so do the supplement's
// radicals that Japanese fonts draw as an ideograph (⻑ 長, ⻄ 西, …); any other code point is
// returned unchanged.
char32_t FoldRadical(char32_t codePoint);

// A native file-system path for CP932 bytes that carry no type yet (a settings text, a list
// cell). On POSIX file names are UTF-8. Typed values go through the overloads of PathText.h.
std::string ToNativePath(std::string_view cp932Path);
std::string FromNativePath(std::string_view nativePath);

}  // namespace folidex
