#pragma once
// The text dialog's search over the shown text (UTF-16, as the text widget holds it): forward
// and backward with the dialog's wrap-around rules, optionally as whole words, letter case
// ignored for the Latin letters (half- and full-width), as the text search of the desktop's
// text controls does. And the places where a long one-line text is cut into display blocks.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace folidex {

struct TextMatch {
  std::size_t start = 0;
  std::size_t length = 0;
  bool operator==(const TextMatch&) const = default;
};

// The first match that starts at or after `from`.
std::optional<TextMatch> FindForward(std::u16string_view text, std::u16string_view term, std::size_t from,
                                     bool wholeWord);
// The last match that ends at or before `before`.
std::optional<TextMatch> FindBackward(std::u16string_view text, std::u16string_view term, std::size_t before,
                                      bool wholeWord);

// Search toward the beginning from a selection starting at `selectionStart`: the last match
// before it, else (wrapping) the last match of the whole text.
std::optional<TextMatch> SearchTowardBeginning(std::u16string_view text, std::u16string_view term,
                                               std::size_t selectionStart, bool wholeWord);
// Search toward the end from a selection ending at `selectionEnd`: the first match from there,
// else (wrapping, only when the selection does not end at the very start) the first match of
// the whole text.
std::optional<TextMatch> SearchTowardEnd(std::u16string_view text, std::u16string_view term, std::size_t selectionEnd,
                                         bool wholeWord);

// Whether the text between `start` and `start + length` is a whole word: a word boundary at
// both ends. Word characters are letters and digits of one kind — Latin (with digits and "_",
// half- or full-width), hiragana, katakana (with "ー"), kanji (with "々", "〆"); a boundary lies
// between a word character and anything else, and between word characters of different kinds.
// So a Japanese term inside a run of kanji is not a whole word, while one followed by a
// particle in hiragana is.
bool IsWholeWord(std::u16string_view text, std::size_t start, std::size_t length);

// Where to cut a long text into display blocks of about `target` code units: after a sentence
// end ("。", "．", "！", "？", "!", "?", ".") near the target, else at the target (never inside
// a surrogate pair). The positions are ascending and lie strictly inside the text.
std::vector<std::size_t> DisplayBreaks(std::u16string_view text, std::size_t target);

}  // namespace folidex
