#pragma once
// The texts the search index holds for a record, and the pieces of a search term it is asked
// for. Both sides are brought to one form — FoldForMatch, white space dropped, bytes that are
// no CP932 character replaced — so that every text holding a term holds each of its pieces:
// the index only ever proposes too many records, never too few.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace folidex {

// The searchable parts of a record file as the search reads them: the values of the first four
// header lines (title, author, subtitle, keywords) and the rest of the file after the sixteenth
// line (the body, without its tag and closing line end). False for a file of fewer than sixteen
// lines: such a record never matches and is not indexed.
struct RecordTextParts {
  std::array<std::string_view, 4> fields;
  std::string_view body;
};
bool SplitRecordText(std::string_view bytes, RecordTextParts& parts);

// The index form of a text: folded, every half-width space removed, and every byte that does
// not start or end a CP932 character made 0x7F.
std::string IndexForm(std::string_view text);

// The pieces the index is asked for, for a term that a text's raw form (`folded` false) or
// folded form (`folded` true) must contain: each in index form and at least two characters
// long. A text holding the term holds every piece in its index form. Empty when the term has no
// such piece: the index cannot narrow it.
//
// In raw form a piece never holds a character whose fold depends on its neighbours (white
// space, a dash that may follow a kana, half-width katakana and their voiced marks) nor a byte
// that is no character: such characters end a piece, so the edges of the term cannot hide a hit.
std::vector<std::string> QueryPieces(std::string_view term, bool folded);

}  // namespace folidex
