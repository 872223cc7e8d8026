#pragma once
// Percent-escapes in addresses. Addresses themselves stay percent-encoded (ASCII, the same bytes
// in UTF-8 and CP932); only names shown or stored as text (a dropped document's file name) are
// decoded, into CP932.

#include <string>
#include <string_view>

namespace folidex {

struct PercentDecoded {
  std::string text;   // CP932; empty when an escape is cut off by the end of the text
  bool utf8 = false;  // at least one escape sequence was read as UTF-8
};

// Decodes the escapes of `text` into CP932, walking it left to right:
// - a character other than "%" is copied;
// - a "%" with fewer than two characters after it makes the whole result empty; a "%" that is not
//   followed by two hexadecimal digits stands for itself;
// - escapes that form one well-formed UTF-8 sequence of two to four bytes (%E8%B3%87, either
//   letter case) are one character, converted to CP932 (a character without a CP932 form becomes
//   one space); a three- or four-byte sequence cut off by the end of the text makes the whole
//   result empty;
// - otherwise a CP932 lead byte (0x81-0x9F, 0xE0-0xFE) needs a second escape right after it (else
//   the whole result is empty) and the two bytes are one CP932 character (%82%A0 is あ); any
//   other byte is appended as it is (%41 is A).
PercentDecoded DecodePercent(std::string_view text);

// The decoded text alone (CP932).
inline std::string DecodePercentText(std::string_view text) { return DecodePercent(text).text; }

// Every escape of two hexadecimal digits becomes its byte, whatever the character set; anything
// else is copied. The bytes of an address's own escapes come through unchanged this way.
std::string DecodePercentBytes(std::string_view text);

// An address in the form a server recognises (ASCII): bytes 0x80 and above, control characters,
// the space and the characters that may not stand in an address (" < > \ ^ ` { | }) are written
// as %XX; a "%" that does not begin an escape becomes %25; everything else stays. An address
// that is already percent-encoded comes back unchanged.
std::string EncodeAddressBytes(std::string_view address);

// A query value in UTF-8 percent-encoding: every byte except A-Z a-z 0-9 - . _ ~ as %XX.
std::string EncodeQueryValue(std::string_view utf8);

// True when `text` holds an escape of two hexadecimal digits.
bool HasPercentEscape(std::string_view text);

}  // namespace folidex
