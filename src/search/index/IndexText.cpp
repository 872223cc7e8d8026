#include "search/index/IndexText.h"

#include <cstring>

#include "common/ByteText.h"
#include "common/Normalize.h"

namespace folidex {
namespace {

constexpr char kNoCharacter = '\x7F';

// In raw text: a character whose fold may depend on what stands before or after it.
bool FoldsByNeighbours(std::string_view c) {
  const auto b = static_cast<unsigned char>(c[0]);
  if (c.size() == 1) return b >= 0xA1 && b <= 0xDF;  // half-width katakana, ｰ and the voiced marks
  const auto t = static_cast<unsigned char>(c[1]);
  const unsigned code = (static_cast<unsigned>(b) << 8) | t;
  return code == 0x815B || code == 0x817C || code == 0x815C || code == 0x815D;
}

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += Cp932CharLength(text, i)) ++count;
  return count;
}

}  // namespace

bool SplitRecordText(std::string_view bytes, RecordTextParts& parts) {
  std::size_t pos = 0;
  int lines = 0;
  while (lines < 16) {
    if (pos >= bytes.size()) return false;
    const std::size_t lf = bytes.find('\n', pos);
    const std::size_t end = lf == std::string_view::npos ? bytes.size() : lf;
    std::size_t valueEnd = end;
    if (lf != std::string_view::npos && valueEnd > pos && bytes[valueEnd - 1] == '\r') --valueEnd;
    if (lines < 4)
      parts.fields[lines] = valueEnd > pos + 4 ? bytes.substr(pos + 4, valueEnd - pos - 4) : std::string_view();
    ++lines;
    pos = lf == std::string_view::npos ? end : end + 1;
  }
  std::size_t begin = std::min(pos + 4, bytes.size()), end = bytes.size();
  if (end > begin && bytes[end - 1] == '\n') --end;
  if (end > begin && bytes[end - 1] == '\r') --end;
  parts.body = bytes.substr(begin, end - begin);
  return true;
}

std::string CleanForm(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Cp932CharLength(text, i);
    const auto b = static_cast<unsigned char>(text[i]);
    if (length == 2) {
      out.append(text, i, 2);
    } else if (b == ' ') {
      // dropped: the index never sees white space
    } else if (b == 0 || b == 0x80 || b == 0xA0 || b >= 0xFD || IsCp932LeadByte(b)) {
      out.push_back(kNoCharacter);
    } else {
      out.push_back(static_cast<char>(b));
    }
    i += length;
  }
  return out;
}

std::string IndexForm(std::string_view text) { return CleanForm(FoldForMatch(text)); }

std::vector<std::string> QueryPieces(std::string_view term, bool folded) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  auto close = [&](std::size_t end) {
    if (end <= start) return;
    const std::string_view span = term.substr(start, end - start);
    // A folded term is already in the form of the folded texts; a raw one is folded as they are.
    std::string piece = folded ? CleanForm(span) : IndexForm(span);
    if (piece.find(kNoCharacter) == std::string::npos && CharacterCount(piece) >= 2) pieces.push_back(std::move(piece));
  };
  for (std::size_t i = 0; i < term.size();) {
    const std::size_t length = Cp932CharLength(term, i);
    const std::string_view c = term.substr(i, length);
    const auto b = static_cast<unsigned char>(c[0]);
    // White space stays inside a piece (the index form drops it on both sides); a byte that is
    // no character, or a lead byte at the end, ends the piece.
    const bool stray =
        length == 1 && (b == 0 || b == 0x7F || b == 0x80 || b == 0xA0 || b >= 0xFD || IsCp932LeadByte(b));
    if (stray || (!folded && FoldsByNeighbours(c))) {
      close(i);
      start = i + length;
    }
    i += length;
  }
  close(term.size());
  return pieces;
}

}  // namespace folidex
