#include "common/Normalize.h"

#include "common/ByteText.h"

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
