#include "html/PercentText.h"

#include <cstring>

#include "common/ByteText.h"
#include "common/Cp932.h"

namespace folidex {
namespace {

// The byte of the escape "%XY" at p, or -1 when there is no complete escape there.
int EscapeByte(std::string_view text, std::size_t p) {
  if (p + 2 >= text.size() || text[p] != '%') return -1;
  const int high = HexDigitValue(text[p + 1]);
  const int low = HexDigitValue(text[p + 2]);
  return (high < 0 || low < 0) ? -1 : high * 16 + low;
}

bool IsLeadByte(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFE); }

// Length of the UTF-8 sequence a lead byte begins (2 to 4), or 0 for any other byte.
int Utf8SequenceLength(int lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Whether b may stand at `index` (1..3) of a sequence begun by `lead`: no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool IsContinuation(int lead, int index, int b) {
  if (index == 1) {
    if (lead == 0xE0) return b >= 0xA0 && b <= 0xBF;
    if (lead == 0xED) return b >= 0x80 && b <= 0x9F;
    if (lead == 0xF0) return b >= 0x90 && b <= 0xBF;
    if (lead == 0xF4) return b >= 0x80 && b <= 0x8F;
  }
  return b >= 0x80 && b <= 0xBF;
}

enum class Utf8Escapes { WellFormed, Cut, NotUtf8 };

// Reads the escapes at p as one UTF-8 sequence beginning with `lead`, into `bytes`.
Utf8Escapes ReadUtf8Escapes(std::string_view text, std::size_t p, int lead, std::string& bytes) {
  const int length = Utf8SequenceLength(lead);
  if (length == 0) return Utf8Escapes::NotUtf8;
  // A two-byte lead without its second byte is read as a single byte (a half-width kana in
  // CP932); a cut three- or four-byte sequence has no other reading.
  const Utf8Escapes cut = length >= 3 ? Utf8Escapes::Cut : Utf8Escapes::NotUtf8;
  bytes.assign(1, static_cast<char>(lead));
  for (int i = 1; i < length; ++i) {
    const std::size_t q = p + 3 * static_cast<std::size_t>(i);
    if (q >= text.size()) return cut;
    if (text[q] != '%') return Utf8Escapes::NotUtf8;
    if (q + 2 >= text.size()) return cut;
    const int b = EscapeByte(text, q);
    if (b < 0 || !IsContinuation(lead, i, b)) return Utf8Escapes::NotUtf8;
    bytes.push_back(static_cast<char>(b));
  }
  return Utf8Escapes::WellFormed;
}

void AppendEscape(std::string& out, unsigned char b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.push_back('%');
  out.push_back(kDigits[b >> 4]);
  out.push_back(kDigits[b & 0x0F]);
}

}  // namespace

PercentDecoded DecodePercent(std::string_view text) {
  PercentDecoded result;
  std::string& out = result.text;
  out.reserve(text.size());
  std::string sequence;
  std::size_t p = 0;
  while (p < text.size()) {
    if (text[p] != '%') {
      out.push_back(text[p++]);
      continue;
    }
    if (p + 2 >= text.size()) return {};  // fewer than two characters after "%"
    const int b = EscapeByte(text, p);
    if (b < 0) {  // not an escape: the sign stands for itself
      out.push_back('%');
      ++p;
      continue;
    }
    switch (ReadUtf8Escapes(text, p, b, sequence)) {
      case Utf8Escapes::WellFormed:
        out += Utf8ToCp932(sequence);
        result.utf8 = true;
        p += 3 * sequence.size();
        continue;
      case Utf8Escapes::Cut:
        return {};
      case Utf8Escapes::NotUtf8:
        break;
    }
    if (IsLeadByte(b)) {
      const int trail = EscapeByte(text, p + 3);
      if (trail < 0) return {};  // a lead byte without its trail byte
      out.push_back(static_cast<char>(b));
      out.push_back(static_cast<char>(trail));
      p += 6;
    } else {
      out.push_back(static_cast<char>(b));
      p += 3;
    }
  }
  return result;
}

std::string DecodePercentBytes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t p = 0; p < text.size();) {
    const int b = EscapeByte(text, p);
    if (b >= 0) {
      out.push_back(static_cast<char>(b));
      p += 3;
    } else {
      out.push_back(text[p++]);
    }
  }
  return out;
}

std::string EncodeAddressBytes(std::string_view address) {
  std::string out;
  out.reserve(address.size());
  for (std::size_t p = 0; p < address.size(); ++p) {
    const auto c = static_cast<unsigned char>(address[p]);
    if (c == '%') {
      if (EscapeByte(address, p) >= 0)
        out.push_back('%');
      else
        AppendEscape(out, c);
    } else if (c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr) {
      AppendEscape(out, c);
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string EncodeQueryValue(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 3);
  for (char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                            c == '.' || c == '_' || c == '~';
    if (unreserved)
      out.push_back(ch);
    else
      AppendEscape(out, c);
  }
  return out;
}

bool HasPercentEscape(std::string_view text) {
  for (std::size_t p = text.find('%'); p != std::string_view::npos; p = text.find('%', p + 1)) {
    if (EscapeByte(text, p) >= 0) return true;
  }
  return false;
}

}  // namespace folidex
