#include "dialogs/TextSearch.h"

#include <algorithm>
#include <string>

namespace folidex {
namespace {

char16_t Fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 0x20);  // Ａ..Ｚ
  return c;
}

enum class WordKind { None, Latin, Hiragana, Katakana, Kanji };

WordKind KindOf(char16_t c) {
  if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_')
    return WordKind::Latin;
  if (c >= 0x00C0 && c <= 0x04FF && c != 0x00D7 && c != 0x00F7) return WordKind::Latin;  // accented, Greek, Cyrillic
  if ((c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A) || c == 0xFF3F)
    return WordKind::Latin;  // full-width
  if (c >= 0x3041 && c <= 0x309F) return WordKind::Hiragana;
  if ((c >= 0x30A1 && c <= 0x30FA) || (c >= 0x30FC && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF) ||
      (c >= 0xFF66 && c <= 0xFF9F))
    return WordKind::Katakana;
  if ((c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
      (c >= 0x3005 && c <= 0x3007) || (c >= 0xD800 && c <= 0xDFFF))
    return WordKind::Kanji;
  return WordKind::None;
}

// A word boundary between text[pos - 1] and text[pos].
bool IsBoundary(std::u16string_view text, std::size_t pos) {
  if (pos == 0 || pos >= text.size()) return true;
  WordKind before = KindOf(text[pos - 1]);
  WordKind after = KindOf(text[pos]);
  return before == WordKind::None || after == WordKind::None || before != after;
}

bool MatchesAt(std::u16string_view text, std::u16string_view folded, std::size_t pos) {
  for (std::size_t k = 0; k < folded.size(); ++k)
    if (Fold(text[pos + k]) != folded[k]) return false;
  return true;
}

std::u16string FoldAll(std::u16string_view term) {
  std::u16string folded(term);
  for (char16_t& c : folded) c = Fold(c);
  return folded;
}

bool Accept(std::u16string_view text, std::size_t pos, std::size_t length, bool wholeWord) {
  // A match never begins or ends between the halves of a surrogate pair.
  auto low = [&](std::size_t i) { return i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF; };
  if (low(pos) || low(pos + length)) return false;
  return !wholeWord || IsWholeWord(text, pos, length);
}

bool IsSentenceEnd(char16_t c) {
  return c == u'。' || c == u'．' || c == u'！' || c == u'？' || c == u'!' || c == u'?' || c == u'.';
}

}  // namespace

bool IsWholeWord(std::u16string_view text, std::size_t start, std::size_t length) {
  return IsBoundary(text, start) && IsBoundary(text, start + length);
}

std::optional<TextMatch> FindForward(std::u16string_view text, std::u16string_view term, std::size_t from,
                                     bool wholeWord) {
  if (term.empty() || term.size() > text.size()) return std::nullopt;
  const std::u16string folded = FoldAll(term);
  const std::size_t last = text.size() - folded.size();
  for (std::size_t pos = from; pos <= last; ++pos) {
    if (Fold(text[pos]) != folded[0] || !MatchesAt(text, folded, pos)) continue;
    if (Accept(text, pos, folded.size(), wholeWord)) return TextMatch{pos, folded.size()};
  }
  return std::nullopt;
}

std::optional<TextMatch> FindBackward(std::u16string_view text, std::u16string_view term, std::size_t before,
                                      bool wholeWord) {
  before = std::min(before, text.size());
  if (term.empty() || term.size() > before) return std::nullopt;
  const std::u16string folded = FoldAll(term);
  for (std::size_t pos = before - folded.size() + 1; pos-- > 0;) {
    if (Fold(text[pos]) != folded[0] || !MatchesAt(text, folded, pos)) continue;
    if (Accept(text, pos, folded.size(), wholeWord)) return TextMatch{pos, folded.size()};
  }
  return std::nullopt;
}

std::optional<TextMatch> SearchTowardBeginning(std::u16string_view text, std::u16string_view term,
                                               std::size_t selectionStart, bool wholeWord) {
  if (std::optional<TextMatch> match = FindBackward(text, term, selectionStart, wholeWord)) return match;
  return FindBackward(text, term, text.size(), wholeWord);
}

std::optional<TextMatch> SearchTowardEnd(std::u16string_view text, std::u16string_view term, std::size_t selectionEnd,
                                         bool wholeWord) {
  if (std::optional<TextMatch> match = FindForward(text, term, selectionEnd, wholeWord)) return match;
  if (selectionEnd == 0) return std::nullopt;
  return FindForward(text, term, 0, wholeWord);
}

std::vector<std::size_t> DisplayBreaks(std::u16string_view text, std::size_t target) {
  std::vector<std::size_t> breaks;
  if (target < 2) target = 2;
  std::size_t start = 0;
  while (text.size() - start > target + target / 2) {
    const std::size_t aim = start + target;
    std::size_t cut = 0;
    // The first sentence end after the aim, else the last one before it (after half a block).
    for (std::size_t i = aim; i < aim + target / 2 && cut == 0; ++i)
      if (IsSentenceEnd(text[i - 1])) cut = i;
    for (std::size_t i = aim; i > start + target / 2 && cut == 0; --i)
      if (IsSentenceEnd(text[i - 1])) cut = i;
    if (cut == 0) {
      cut = aim;
      if (text[cut] >= 0xDC00 && text[cut] <= 0xDFFF) ++cut;  // not between a surrogate pair
    }
    breaks.push_back(cut);
    start = cut;
  }
  return breaks;
}

}  // namespace folidex
