#pragma once
// The text normalisations on which matching rests: the 28 variant kanji folded onto their
// standard forms, and the stored form of body text and of body / full-text search terms.

#include <array>
#include <string>
#include <string_view>

namespace folidex {

// Each entry: the variant's two CP932 bytes followed by the replacement's two.
extern const std::array<std::string_view, 28> VariantKanjiTable;

std::string FoldVariantKanji(std::string_view text);
std::string NormalizeSearchTerm(std::string_view term);
std::string NormalizeBodyText(std::string_view text);

}  // namespace folidex
