#include "common/ByteText.h"

#include <cstdio>
#include <cstring>

namespace folidex {

std::size_t FindCp932(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from <= haystack.size() ? from : std::string_view::npos;
  std::size_t boundary = from;  // a known character boundary at or before every candidate
  std::size_t candidate = haystack.find(needle, from);
  while (candidate != std::string_view::npos) {
    while (boundary < candidate) boundary += Cp932CharLength(haystack, boundary);
    if (boundary == candidate) return candidate;
    // The candidate starts on a trail byte; the next possible start is the next boundary.
    candidate = haystack.find(needle, boundary);
  }
  return std::string_view::npos;
}

std::string ReplaceAllCp932(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (std::size_t hit = FindCp932(text, from, 0); hit != std::string_view::npos; hit = FindCp932(text, from, pos)) {
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::string UpperCaseCp932(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    auto c = static_cast<unsigned char>(out[i]);
    if (IsCp932LeadByte(c) && i + 1 < out.size() && IsCp932TrailByte(static_cast<unsigned char>(out[i + 1]))) {
      auto t = static_cast<unsigned char>(out[i + 1]);
      if (c == 0x82 && t >= 0x81 && t <= 0x9A) out[i + 1] = static_cast<char>(t - 0x21);
      i += 2;
    } else {
      // A single-byte character, or a lead byte without a valid trail byte: that byte alone
      // passes unchanged and the walk goes on with the next one.
      if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 'a' + 'A');
      ++i;
    }
  }
  return out;
}

std::string UpperCaseAsciiCp932(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    auto c = static_cast<unsigned char>(out[i]);
    if (IsCp932LeadByte(c)) {
      i += Cp932CharLength(out, i);
    } else {
      if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 'a' + 'A');
      ++i;
    }
  }
  return out;
}

long LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > (__LONG_MAX__ - 9) / 10) break;  // saturate instead of overflowing
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

std::string FormatSerial(long n) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%08ld", n);
  return buffer;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecodedBytes(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 && HexDigitValue(text[i + 2]) >= 0) {
      bytes.push_back(static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2])));
      i += 2;
    } else {
      bytes.push_back(text[i]);
    }
  }
  return bytes;
}

}  // namespace folidex
