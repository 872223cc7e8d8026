#include "common/Normalize.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/ByteText.h"
#include "common/Cp932.h"

namespace folidex {

// 淺浅 藏蔵 兒児 斎斉 齊斉 齋斉 榮栄 﨑崎 嵜崎 櫻桜 澤沢 嶌島 壽寿 瀨瀬 髙高 舘館 德徳 冨富 濱浜 廣広 邊辺 邉辺 眞真
// 峯峰 惠恵 栁柳 龍竜 瀧滝, by CP932 code (several variants are vendor extensions of code page 932).
const std::array<std::string_view, 28> VariantKanjiTable = {
    "\x9F\xC7\x90\xF3", "\xE5\x55\x91\xA0", "\x99\x5A\x8E\x99", "\x8D\xD6\x90\xC4", "\xEA\x8E\x90\xC4",
    "\xE2\x56\x90\xC4", "\x9E\xC4\x89\x68", "\xFA\xB1\x8D\xE8", "\x9B\xBD\x8D\xE8", "\x9F\x4E\x8D\xF7",
    "\xE0\x56\x91\xF2", "\x9B\xB8\x93\x87", "\x9A\xE6\x8E\xF5", "\xFB\x50\x90\xA3", "\xFB\xFC\x8D\x82",
    "\x8A\xDA\x8A\xD9", "\xFA\xBA\x93\xBF", "\x95\x79\x95\x78", "\xE0\x5F\x95\x6C", "\x9C\x41\x8D\x4C",
    "\xE7\xB2\x95\xD3", "\xE7\xB3\x95\xD3", "\xE1\xC1\x90\x5E", "\x95\xF5\x95\xF4", "\x9C\xA8\x8C\x62",
    "\xFA\xE5\x96\xF6", "\x97\xB4\x97\xB3", "\x91\xEB\x91\xEA",
};

std::string FoldVariantKanji(std::string_view text) {
  std::string result(text);
  for (std::string_view pair : VariantKanjiTable) {
    if (result.find(pair.substr(0, 2)) == std::string::npos) continue;  // the common case: nothing to do
    result = ReplaceAllCp932(result, pair.substr(0, 2), pair.substr(2, 2));
  }
  return result;
}

std::string NormalizeSearchTerm(std::string_view term) { return UpperCaseCp932(FoldVariantKanji(term)); }

std::string NormalizeBodyText(std::string_view text) {
  std::string result = FoldVariantKanji(text);
  for (std::string_view removed : {std::string_view("--"), std::string_view("\x81\x40"), std::string_view("...."),
                                   std::string_view("\x81\x45\x81\x45"), std::string_view("    ")}) {
    if (result.find(removed) != std::string::npos) result = ReplaceAllCp932(result, removed, "");
  }
  // CR LF, then CR, LF and tab become spaces. Byte by byte: none of them can be the trail byte
  // of a character, so this is the character-aware result, and a stray lead byte in front of a
  // line break cannot keep the break in the stored single line.
  std::size_t out = 0;
  for (std::size_t i = 0; i < result.size(); ++i) {
    char c = result[i];
    if (c == '\r' && i + 1 < result.size() && result[i + 1] == '\n') ++i;
    result[out++] = (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  }
  result.resize(out);
  return UpperCaseCp932(result);
}

}  // namespace folidex

namespace folidex {
namespace {

// What one CP932 character becomes in the folded form: up to three bytes (size 0: itself).
struct Folded {
  std::uint8_t size = 0;
  char bytes[3] = {};
};

std::uint16_t Code(std::string_view two) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(two[0]) << 8) | static_cast<unsigned char>(two[1]));
}

class FoldTable {
 public:
  FoldTable() : wide_(65536) {
    auto set = [](Folded& f, std::string_view to) {
      f.size = static_cast<std::uint8_t>(to.size());
      std::copy(to.begin(), to.end(), f.bytes);
    };
    auto cp932 = [](char32_t c) {
      std::u16string one(1, static_cast<char16_t>(c));
      return Utf16ToCp932(one);
    };
    // Full-width ASCII (U+FF01..U+FF5E) as ASCII, letters upper-case; the ideographic space.
    for (char32_t c = 0xFF01; c <= 0xFF5E; ++c) {
      const std::string from = cp932(c);
      if (from.size() != 2) continue;
      char ascii = static_cast<char>(c - 0xFF01 + 0x21);
      if (ascii >= 'a' && ascii <= 'z') ascii = static_cast<char>(ascii - 'a' + 'A');
      set(wide_[Code(from)], std::string(1, ascii));
    }
    set(wide_[0x8140], " ");
    // The minus sign CP932 has in place of the full-width hyphen-minus.
    set(wide_[0x817C], "-");
    // Hiragana as katakana (U+3041..U+3094 and the iteration marks ゝゞ).
    for (char32_t c = 0x3041; c <= 0x309E; ++c) {
      if (c > 0x3094 && c < 0x309D) continue;
      const std::string from = cp932(c), to = cp932(c + 0x60);
      if (from.size() == 2 && to.size() == 2) set(wide_[Code(from)], to);
    }
    // Full-width Latin lower case (also reached above) and circled numbers ①..⑳ as digits.
    for (int n = 1; n <= 20; ++n) {
      const std::string from = cp932(static_cast<char32_t>(0x2460 + n - 1));
      if (from.size() == 2) set(wide_[Code(from)], std::to_string(n));
    }
    for (std::string_view pair : VariantKanjiTable) set(wide_[Code(pair.substr(0, 2))], pair.substr(2, 2));
    // Half-width katakana and punctuation (0xA1..0xDF) as full-width, and with a voiced or
    // semi-voiced mark after them as one character.
    for (int b = 0xA1; b <= 0xDF; ++b) {
      const std::u16string half(1, static_cast<char16_t>(0xFF61 + b - 0xA1));
      const std::string full = BodyTextToCp932(NfkcOf(half));
      if (full.size() == 2) set(narrow_[b], full);
      if (b >= 0xDE) set(narrow_[b], b == 0xDE ? "\x81\x4A" : "\x81\x4B");  // ゛ ゜ on their own
      for (int mark = 0; mark < 2; ++mark) {
        std::u16string pair = NfkcOf(half);
        pair.push_back(mark == 0 ? u'\u3099' : u'\u309A');
        const std::u16string composed = ToNfc(pair);
        if (composed.size() == 1) set(voiced_[mark][b], Utf16ToCp932(composed));
      }
    }
  }

  const Folded& Wide(std::uint16_t code) const { return wide_[code]; }
  const Folded& Narrow(unsigned char b) const { return narrow_[b]; }
  const Folded& Voiced(int mark, unsigned char b) const { return voiced_[mark][b]; }

 private:
  static std::u16string NfkcOf(const std::u16string& text);
  std::vector<Folded> wide_;
  std::array<Folded, 256> narrow_{};
  std::array<std::array<Folded, 256>, 2> voiced_{};
};

std::u16string FoldTable::NfkcOf(const std::u16string& text) { return CompatibleForm(text); }

const FoldTable& Table() {
  static const FoldTable table;
  return table;
}

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Katakana in CP932 (ァ..ヶ and ー, ヽ ヾ) ending at `end`, after which a dash is a long-vowel mark.
bool KanaBefore(const char* begin, const char* end) {
  if (end - begin < 2) return false;
  const unsigned char lead = static_cast<unsigned char>(end[-2]);
  const unsigned char trail = static_cast<unsigned char>(end[-1]);
  if (lead == 0x83) return trail >= 0x40 && trail <= 0x96;
  return lead == 0x81 && (trail == 0x5B || trail == 0x52 || trail == 0x53);
}

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Eight ASCII bytes with a-z upper-cased, at once.
std::uint64_t UpperAscii(std::uint64_t word) {
  const std::uint64_t atLeastA = word + kOnes * (0x80 - 'a');
  const std::uint64_t aboveZ = word + kOnes * (0x80 - 'z' - 1);
  return word - (((atLeastA & ~aboveZ) & kHighBits) >> 2);
}

}  // namespace

namespace {

// The fold itself; with `Mapped`, `origin` gets for every byte written the offset in `text` of the
// character it was made from, and one more entry, text.size(), for the end.
template <bool Mapped>
void Fold(std::string_view text, std::string& out, std::vector<std::uint32_t>* origin) {
  const FoldTable& table = Table();
  const std::size_t n = text.size();
  out.resize(2 * n + 8);  // a half-width kana grows to two bytes; nothing grows more
  char* const begin = out.data();
  char* o = begin;
  const char* in = text.data();
  bool lastWide = false;       // the last character written is a double-byte one
  std::size_t spaces = 0;      // white space held back until the next character tells
  std::size_t spaceStart = 0;  // where the held white space begins in `text`
  std::uint32_t* map = nullptr;
  if constexpr (Mapped) {
    origin->resize(out.size() + 1);
    map = origin->data();
  }
  // Records `from` as the origin of the bytes written since `mark`.
  auto note = [&](const char* mark, std::size_t from) {
    if constexpr (Mapped) {
      for (const char* p = mark; p < o; ++p) map[p - begin] = static_cast<std::uint32_t>(from);
    } else {
      (void)mark, (void)from;
    }
  };
  auto flushSpaces = [&](bool nextWide) {
    if (spaces > 0 && !(lastWide && nextWide)) {
      const char* mark = o;
      std::memset(o, ' ', spaces);
      o += spaces;
      note(mark, spaceStart);
    }
    spaces = 0;
  };
  std::size_t i = 0;
  while (i < n) {
    // The common run of ASCII after ASCII: eight bytes at a time.
    if (!lastWide && spaces == 0 && i + 8 <= n) {
      std::uint64_t word;
      std::memcpy(&word, in + i, 8);
      if ((word & kHighBits) == 0) {
        word = UpperAscii(word);
        std::memcpy(o, &word, 8);
        if constexpr (Mapped)
          for (int k = 0; k < 8; ++k) map[o - begin + k] = static_cast<std::uint32_t>(i + k);
        o += 8;
        i += 8;
        // A space at the end of the word may stand before a Japanese character: held back.
        while (o > begin && o[-1] == ' ' && spaces < 8) {
          --o;
          ++spaces;
        }
        spaceStart = i - spaces;
        continue;
      }
    }
    const std::size_t start = i;
    const unsigned char b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      ++i;
      if (b == ' ') {
        if (spaces++ == 0) spaceStart = start;
        continue;
      }
      flushSpaces(false);
      const char* mark = o;
      *o++ = (b >= 'a' && b <= 'z') ? static_cast<char>(b - 'a' + 'A') : static_cast<char>(b);
      note(mark, start);
      lastWide = false;
      continue;
    }
    if (IsLead(b) && i + 1 < n) {
      const std::uint16_t code = static_cast<std::uint16_t>((b << 8) | static_cast<unsigned char>(in[i + 1]));
      i += 2;
      if (code == 0x8140) {  // the ideographic space
        if (spaces++ == 0) spaceStart = start;
        continue;
      }
      if ((code == 0x815B || code == 0x817C || code == 0x815C || code == 0x815D) && spaces == 0 && lastWide &&
          KanaBefore(begin, o)) {
        const char* mark = o;
        *o++ = '\x81';
        *o++ = '\x5B';
        note(mark, start);
        lastWide = true;
        continue;
      }
      const Folded& f = table.Wide(code);
      const bool wide = f.size == 0 || static_cast<unsigned char>(f.bytes[0]) >= 0x80;  // ⑩ is "10"
      flushSpaces(wide);
      const char* mark = o;
      if (f.size == 0) {
        *o++ = static_cast<char>(b);
        *o++ = in[i - 1];
      } else {
        std::memcpy(o, f.bytes, f.size);
        o += f.size;
      }
      note(mark, start);
      lastWide = wide;
      continue;
    }
    if (b >= 0xA1 && b <= 0xDF) {
      ++i;
      const Folded* f = &table.Narrow(b);
      if (i < n && (in[i] == '\xDE' || in[i] == '\xDF')) {
        const Folded& combined = table.Voiced(in[i] == '\xDE' ? 0 : 1, b);
        if (combined.size) {
          f = &combined;
          ++i;
        }
      }
      flushSpaces(true);
      const char* mark = o;
      if (b == 0xB0 && lastWide && KanaBefore(begin, o)) {
        *o++ = '\x81';
        *o++ = '\x5B';
      } else if (f->size) {
        std::memcpy(o, f->bytes, f->size);
        o += f->size;
      } else {
        *o++ = static_cast<char>(b);
      }
      note(mark, start);
      lastWide = true;
      continue;
    }
    flushSpaces(false);
    const char* mark = o;
    *o++ = static_cast<char>(b);  // a stray byte stays as it is
    note(mark, start);
    lastWide = false;
    ++i;
  }
  const char* mark = o;
  std::memset(o, ' ', spaces);
  o += spaces;
  note(mark, spaceStart);
  out.resize(static_cast<std::size_t>(o - begin));
  if constexpr (Mapped) {
    map[out.size()] = static_cast<std::uint32_t>(n);
    origin->resize(out.size() + 1);
  }
}

}  // namespace

void FoldForMatch(std::string_view text, std::string& out) { Fold<false>(text, out, nullptr); }

void FoldForMatch(std::string_view text, std::string& out, std::vector<std::uint32_t>& origin) {
  Fold<true>(text, out, &origin);
}

std::string FoldForMatch(std::string_view text) {
  std::string out;
  FoldForMatch(text, out);
  return out;
}

namespace {

// Calls `each(raw, folded)` for every raw character FoldForMatch reads as one unit, with each
// form it can take in the folded text (a character may fold differently after a kana, or combine
// with a voiced mark after it).
template <typename Each>
void ForEachFolding(Each each) {
  const FoldTable& table = Table();
  for (int b = 0; b < 256; ++b) {
    const std::string raw(1, static_cast<char>(b));
    if (b < 0x80) {
      each(raw, std::string(1, static_cast<char>(b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b)));
    } else if (b >= 0xA1 && b <= 0xDF) {
      const Folded& f = table.Narrow(static_cast<unsigned char>(b));
      each(raw, f.size ? std::string(f.bytes, f.size) : raw);
      for (int mark = 0; mark < 2; ++mark) {
        const Folded& combined = table.Voiced(mark, static_cast<unsigned char>(b));
        if (combined.size) each(raw, std::string(combined.bytes, combined.size));
      }
      if (b == 0xB0) each(raw, "\x81\x5B");
    } else {
      each(raw, raw);  // a stray byte, or a lead byte at the end of the text
    }
    if (!IsLead(static_cast<unsigned char>(b))) continue;
    for (int trail = 0; trail < 256; ++trail) {
      const std::string two{static_cast<char>(b), static_cast<char>(trail)};
      const std::uint16_t code = static_cast<std::uint16_t>((b << 8) | trail);
      const Folded& f = table.Wide(code);
      each(two, f.size ? std::string(f.bytes, f.size) : two);
      if (code == 0x815B || code == 0x817C || code == 0x815C || code == 0x815D) each(two, "\x81\x5B");
    }
  }
}

// The characters of CP932 text, as FoldForMatch reads them.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    characters.push_back(text.substr(i, length));
    i += length;
  }
  return characters;
}

}  // namespace

std::vector<std::string> FoldAnchors(std::string_view foldedTerm) {
  std::vector<std::string_view> wanted;
  for (std::string_view c : Characters(foldedTerm))
    if (c != " " && std::find(wanted.begin(), wanted.end(), c) == wanted.end()) wanted.push_back(c);
  std::vector<std::vector<std::string>> raws(wanted.size());
  ForEachFolding([&](const std::string& raw, const std::string& folded) {
    for (std::string_view c : Characters(folded)) {
      for (std::size_t k = 0; k < wanted.size(); ++k) {
        if (c != wanted[k]) continue;
        if (std::find(raws[k].begin(), raws[k].end(), raw) == raws[k].end()) raws[k].push_back(raw);
      }
    }
  });
  // The fewest raw forms, and among as few those with no single byte (which turn up more often).
  auto cost = [](const std::vector<std::string>& forms) {
    std::size_t singles = 0;
    for (const std::string& form : forms) singles += form.size() == 1;
    return forms.size() + 4 * singles;
  };
  std::vector<std::string> best;
  for (std::vector<std::string>& forms : raws)
    if (!forms.empty() && (best.empty() || cost(forms) < cost(best))) best = std::move(forms);
  return best;
}

}  // namespace folidex
