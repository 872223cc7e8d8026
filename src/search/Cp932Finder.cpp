#include "search/Cp932Finder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/ByteText.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define FOLIDEX_X86 1
#endif

namespace folidex {
namespace {

// How common a byte is in stored body text (upper-cased Japanese and ASCII in CP932); the scan
// looks for the two rarest bytes of the needle so that few candidates need confirming.
constexpr std::array<unsigned char, 256> MakeByteFrequency() {
  std::array<unsigned char, 256> rank{};
  for (int c = 0; c < 256; ++c) {
    unsigned char r = 30;                           // controls and rare symbols
    if (c >= 0x40 && c <= 0xFC) r = 100;            // trail bytes spread over this range
    if (c >= 0x9F && c <= 0xF1) r = 120;            // trail bytes of hiragana
    if (c >= 0x88 && c <= 0x9F) r = 150;            // kanji lead bytes
    if (c >= 0xE0 && c <= 0xEA) r = 110;            // rarer kanji lead bytes
    if (c >= '0' && c <= '9') r = 120;              //
    if (c >= 'A' && c <= 'Z') r = 160;              // letters are upper case in stored text
    if (c == ',' || c == '.' || c == '-') r = 140;  //
    rank[c] = r;
  }
  for (char c : {'E', 'T', 'A', 'O', 'I', 'N', 'S', 'R', 'H', 'L'}) rank[static_cast<unsigned char>(c)] = 190;
  rank[0x20] = 255;  // spaces: words and former line breaks
  rank[0x82] = 250;  // hiragana, full-width letters and digits
  rank[0x83] = 210;  // katakana
  rank[0x81] = 230;  // punctuation
  return rank;
}
constexpr std::array<unsigned char, 256> kByteFrequency = MakeByteFrequency();

constexpr bool IsLead(char c) { return IsCp932LeadByte(static_cast<unsigned char>(c)); }

// Decides whether `pos` starts a character, knowing that `known` (<= pos) does. Bytes that are
// not lead bytes always end a character, so only the run of lead-range bytes just before `pos`
// matters: an even run means `pos` is a boundary. `known` moves up to the nearest boundary.
bool AtBoundary(const char* text, std::size_t pos, std::size_t& known) {
  std::size_t start = pos;
  while (start > known && IsLead(text[start - 1])) --start;
  if ((pos - start) % 2 == 0) {
    known = pos;
    return true;
  }
  known = pos - 1;
  return false;
}

// Confirms the candidates whose bits are set in `mask` (bit k: a start at base + k).
inline bool Confirm(unsigned mask, const char* text, std::size_t base, const std::string& needle, std::size_t& known,
                    std::size_t& found) {
  while (mask) {
    std::size_t pos = base + static_cast<std::size_t>(__builtin_ctz(mask));
    mask &= mask - 1;
    if (std::memcmp(text + pos, needle.data(), needle.size()) == 0 && AtBoundary(text, pos, known)) {
      found = pos;
      return true;
    }
  }
  return false;
}

// Positions [from, last] checked one by one.
std::size_t ScalarFind(const char* text, std::size_t from, std::size_t last, const std::string& needle,
                       std::size_t first, std::size_t& known) {
  const char b = needle[first];
  for (std::size_t pos = from; pos <= last; ++pos) {
    const void* hit = std::memchr(text + pos + first, b, last - pos + 1);
    if (!hit) return std::string_view::npos;
    pos = static_cast<std::size_t>(static_cast<const char*>(hit) - text) - first;
    if (std::memcmp(text + pos, needle.data(), needle.size()) == 0 && AtBoundary(text, pos, known)) return pos;
  }
  return std::string_view::npos;
}

#ifdef FOLIDEX_X86
__attribute__((target("avx2"))) std::size_t FindAvx2(const char* text, std::size_t size, const std::string& needle,
                                                     std::size_t first, std::size_t second) {
  const std::size_t n = needle.size();
  const __m256i b1 = _mm256_set1_epi8(needle[first]);
  const __m256i b2 = _mm256_set1_epi8(needle[second]);
  std::size_t known = 0, found = 0, pos = 0;
  for (; pos + n - 1 + 64 <= size; pos += 64) {
    __m256i a1 = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + pos + first)), b1);
    __m256i a2 = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + pos + second)), b2);
    __m256i c1 = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + pos + 32 + first)), b1);
    __m256i c2 = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + pos + 32 + second)), b2);
    __m256i m1 = _mm256_and_si256(a1, a2);
    __m256i m2 = _mm256_and_si256(c1, c2);
    if (_mm256_testz_si256(_mm256_or_si256(m1, m2), _mm256_or_si256(m1, m2))) continue;
    if (Confirm(static_cast<unsigned>(_mm256_movemask_epi8(m1)), text, pos, needle, known, found)) return found;
    if (Confirm(static_cast<unsigned>(_mm256_movemask_epi8(m2)), text, pos + 32, needle, known, found)) return found;
  }
  for (; pos + n - 1 + 32 <= size; pos += 32) {
    __m256i a1 = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + pos + first)), b1);
    __m256i a2 = _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + pos + second)), b2);
    unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_and_si256(a1, a2)));
    if (Confirm(mask, text, pos, needle, known, found)) return found;
  }
  return ScalarFind(text, pos, size - n, needle, first, known);
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

std::size_t FindSse2OrScalar(const char* text, std::size_t size, const std::string& needle, std::size_t first,
                             std::size_t second) {
  const std::size_t n = needle.size();
  std::size_t known = 0, pos = 0;
#ifdef FOLIDEX_X86
  std::size_t found = 0;
  const __m128i b1 = _mm_set1_epi8(needle[first]);
  const __m128i b2 = _mm_set1_epi8(needle[second]);
  for (; pos + n - 1 + 16 <= size; pos += 16) {
    __m128i a1 = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + pos + first)), b1);
    __m128i a2 = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + pos + second)), b2);
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(a1, a2)));
    if (Confirm(mask, text, pos, needle, known, found)) return found;
  }
#else
  (void)second;
#endif
  return ScalarFind(text, pos, size - n, needle, first, known);
}

}  // namespace

Cp932Finder::Cp932Finder(std::string needle) : needle_(std::move(needle)) {
  if (needle_.size() < 2) return;
  // The two rarest bytes of the needle; ties prefer the end, where trail bytes vary most.
  std::size_t best = needle_.size() - 1, next = std::string::npos;
  for (std::size_t i = needle_.size() - 1; i-- > 0;) {
    if (kByteFrequency[static_cast<unsigned char>(needle_[i])] <
        kByteFrequency[static_cast<unsigned char>(needle_[best])])
      best = i;
  }
  for (std::size_t i = needle_.size(); i-- > 0;) {
    if (i == best) continue;
    auto rank = [&](std::size_t k) {
      // A second byte equal to the first adds little; rank it as common.
      return needle_[k] == needle_[best] ? 256 : kByteFrequency[static_cast<unsigned char>(needle_[k])];
    };
    if (next == std::string::npos || rank(i) < rank(next)) next = i;
  }
  first_ = std::min(best, next);
  second_ = std::max(best, next);
}

std::size_t Cp932Finder::Find(std::string_view text, bool wide) const {
  const std::size_t n = needle_.size();
  if (n == 0) return 0;
  if (text.size() < n) return std::string_view::npos;
  if (n == 1) {
    std::size_t known = 0;
    return ScalarFind(text.data(), 0, text.size() - 1, needle_, 0, known);
  }
#ifdef FOLIDEX_X86
  if (wide && HasAvx2()) return FindAvx2(text.data(), text.size(), needle_, first_, second_);
#else
  (void)wide;
#endif
  return FindSse2OrScalar(text.data(), text.size(), needle_, first_, second_);
}

std::size_t RemoveSpaces(char* buffer, std::size_t size) {
  char* end = buffer + size;
  char* out = static_cast<char*>(std::memchr(buffer, ' ', size));
  if (!out) return size;
  const char* in = out;
  while (in < end) {
    while (in < end && *in == ' ') ++in;
    if (in == end) break;
    const char* space = static_cast<const char*>(std::memchr(in, ' ', static_cast<std::size_t>(end - in)));
    const char* stop = space ? space : end;
    std::memmove(out, in, static_cast<std::size_t>(stop - in));
    out += stop - in;
    in = stop;
  }
  return static_cast<std::size_t>(out - buffer);
}

}  // namespace folidex
