#pragma once
// The text normalisations on which matching rests: the 28 variant kanji folded onto their
// standard forms, and the stored form of body text and of body / full-text search terms.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace folidex {

// Each entry: the variant's two CP932 bytes followed by the replacement's two.
extern const std::array<std::string_view, 28> VariantKanjiTable;

std::string FoldVariantKanji(std::string_view text);
std::string NormalizeSearchTerm(std::string_view term);
std::string NormalizeBodyText(std::string_view text);

}  // namespace folidex

namespace folidex {

// The folded form in which a term and the texts it is compared with meet when 表記ゆれ is
// forgiven (CP932 in, CP932 out): full-width ASCII as half-width, half-width katakana as
// full-width with their voiced marks combined, hiragana as katakana, Latin letters upper-case,
// circled numbers as digits, the 28 variant kanji folded, ー － ― ‐ after a kana as ー, and white
// space between two Japanese characters left out. One table-driven pass.
std::string FoldForMatch(std::string_view text);

// The same into `out` (cleared first), for a caller that reuses its buffer.
void FoldForMatch(std::string_view text, std::string& out);

// The same, with `origin` telling where each byte of `out` comes from: origin[k] is the offset
// in `text` of the character byte k was made from, and origin[out.size()] is text.size().
// Offsets never decrease.
void FoldForMatch(std::string_view text, std::string& out, std::vector<std::uint32_t>& origin);

// The raw characters one of which a text must hold for its folded form to contain `foldedTerm`
// (a FoldForMatch result): every text whose folded form holds the term on a character boundary
// holds one of these on a character boundary, so a text without any of them can be passed over
// unfolded. They are the raw forms of the term's most telling character. Empty when the term
// has no character but spaces.
std::vector<std::string> FoldAnchors(std::string_view foldedTerm);

}  // namespace folidex
