#pragma once
// Text conversions of the PDF information reader: UTF-8 and the PDF string encodings (hexadecimal,
// octal-escaped and raw UTF-16) to CP932. The last step goes through the one conversion layer
// (common/Cp932), so a character without a CP932 form becomes one space.
//
// Every decoder works within the bytes it is given: truncated sequences, odd byte counts and an
// escape at the very end never read past them.

#include <string>
#include <string_view>

namespace folidex {

// UTF-8 bytes to UTF-16 units, leniently: a lead byte below 0x80 is one unit; 110xxxxx starts a
// two-byte sequence, 11110xxx (0xF0..0xF4) a four-byte one (emitted as a surrogate pair), and any
// other byte of 0x80 or above a three-byte one. Continuation bytes are not checked; only their
// payload bits are used. A sequence cut short by the end of the input, or a four-byte sequence
// beyond U+10FFFF, gives U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Hexadecimal digits to bytes, two digits to a byte, the first the high half. Characters that are
// not hexadecimal digits (the white space that may break a long PDF hex string) are passed over;
// an odd final digit is dropped.
std::string DecodeHexText(std::string_view hex);

// UTF-16 units as the reader hands them to CP932: a leading 0xFEFF or 0xFFFE unit is skipped, and
// the text ends at the first zero unit.
std::string PdfUtf16ToCp932(std::u16string_view units);

// `bytes` read as big-endian 16-bit units (an odd last byte is dropped), then PdfUtf16ToCp932.
std::string BigEndianUtf16ToCp932(std::string_view bytes);

// A hexadecimal UTF-16 string (the text between < and >). After a byte-order mark, the language
// escape 0x001B "ja" 0x001B is removed.
std::string DecodeHexUtf16(std::string_view hex);

// The bytes of a PDF literal string (the text between its parentheses) with its escapes undone:
// \n \r \t \b \f, \( \) \\, one to three octal digits (the value taken modulo 256), a
// backslash before a line end joins the lines, and before any other byte it is dropped. A
// backslash at the very end is dropped.
std::string UnescapeLiteral(std::string_view escaped);

// A literal holding UTF-16 (raw bytes after the byte-order mark FE FF, or the whole text written
// with octal escapes, \376\377\060\306 …): UnescapeLiteral, then big-endian units to CP932.
std::string DecodeLiteralUtf16(std::string_view escaped);

// The bytes of a text literal (escapes undone) read as PDFDocEncoding, to CP932: printable ASCII
// as it is, control bytes as one space each, the other bytes through their
// Unicode form (a letter without a CP932 form is one space). The text ends at a zero byte.
std::string PdfDocEncodingToCp932(std::string_view bytes);

// A value that is UTF-8 (XMP text) to CP932.
std::string Utf8TextToCp932(std::string_view utf8);

}  // namespace folidex
