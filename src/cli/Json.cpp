#include "cli/Json.h"

#include <cstdio>

namespace folidex::cli {
namespace {

// The length of the well-formed UTF-8 sequence at `text[at]`, or 0 when it is not one
// (overlong forms, surrogates and code points past U+10FFFF are not).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(at);
  std::size_t length = lead < 0x80                    ? 1
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
  if (length == 3) {
    const unsigned char second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0)) return 0;
  } else if (length == 4) {
    const unsigned char second = byte(at + 1);
    if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90)) return 0;
  }
  return length;
}

}  // namespace

std::string JsonQuote(std::string_view text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, at);
    if (length == 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD
      ++at;
      continue;
    }
    if (length > 1) {
      out.append(text, at, length);
      at += length;
      continue;
    }
    const char c = text[at++];
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
  return out;
}

void JsonObject::Key(std::string_view key) {
  if (text_.size() > 1) text_ += ',';
  text_ += JsonQuote(key);
  text_ += ':';
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view utf8Text) {
  Key(key);
  text_ += JsonQuote(utf8Text);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, long number) {
  Key(key);
  text_ += std::to_string(number);
  return *this;
}

}  // namespace folidex::cli
