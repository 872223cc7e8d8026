#include "search/Places.h"

#include <algorithm>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/Normalize.h"
#include "pdf/DocumentText.h"
#include "search/Cp932Finder.h"
#include "search/RecordScan.h"

namespace folidex {
namespace {

// A text made from another, with the offset in the other of each of its bytes (and one more
// entry for the end). An empty `origin` stands for the text itself.
struct Mapped {
  std::string text;
  std::vector<std::uint32_t> origin;
};

// `next` was made from `previous.text`: its origins are taken on to what `previous` was made from.
void Compose(const Mapped& previous, Mapped& next) {
  if (previous.origin.empty()) return;
  for (std::uint32_t& at : next.origin) at = previous.origin[at];
}

// Every occurrence of `removed` left out in one left-to-right pass, as ReplaceAllCp932 with an
// empty replacement does.
void RemoveAll(Mapped& m, std::string_view removed) {
  if (FindCp932(m.text, removed) == std::string_view::npos) return;
  Mapped out;
  out.text.reserve(m.text.size());
  out.origin.reserve(m.text.size() + 1);
  std::size_t pos = 0;
  auto keep = [&](std::size_t from, std::size_t to) {
    out.text.append(m.text, from, to - from);
    for (std::size_t k = from; k < to; ++k) out.origin.push_back(m.origin[k]);
  };
  for (std::size_t hit = FindCp932(m.text, removed); hit != std::string_view::npos;
       hit = FindCp932(m.text, removed, pos)) {
    keep(pos, hit);
    pos = hit + removed.size();
  }
  keep(pos, m.text.size());
  out.origin.push_back(m.origin.back());
  m = std::move(out);
}

// A page's text normalised as NormalizeBodyText stores it, with where each byte came from.
Mapped NormalizeMapped(std::string_view text) {
  Mapped m;
  m.text = FoldVariantKanji(text);  // two bytes for two: the offsets stay
  m.origin.resize(m.text.size() + 1);
  for (std::size_t k = 0; k <= m.text.size(); ++k) m.origin[k] = static_cast<std::uint32_t>(k);
  for (std::string_view removed : {std::string_view("--"), std::string_view("\x81\x40"), std::string_view("...."),
                                   std::string_view("\x81\x45\x81\x45"), std::string_view("    ")})
    RemoveAll(m, removed);
  std::size_t out = 0;
  for (std::size_t i = 0; i < m.text.size(); ++i) {
    const char c = m.text[i];
    const std::uint32_t from = m.origin[i];
    if (c == '\r' && i + 1 < m.text.size() && m.text[i + 1] == '\n') ++i;
    m.origin[out] = from;
    m.text[out++] = (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
  }
  m.origin[out] = m.origin.back();
  m.text.resize(out);
  m.origin.resize(out + 1);
  m.text = UpperCaseCp932(m.text);  // byte for byte
  return m;
}

void RemoveSpacesMapped(Mapped& m) {
  if (m.text.find(' ') == std::string::npos) return;
  if (m.origin.empty()) {
    m.origin.resize(m.text.size() + 1);
    for (std::size_t k = 0; k <= m.text.size(); ++k) m.origin[k] = static_cast<std::uint32_t>(k);
  }
  std::size_t out = 0;
  for (std::size_t i = 0; i < m.text.size(); ++i) {
    if (m.text[i] == ' ') continue;  // 0x20 is never a trail byte
    m.origin[out] = m.origin[i];
    m.text[out++] = m.text[i];
  }
  m.origin[out] = m.origin.back();
  m.text.resize(out);
  m.origin.resize(out + 1);
}

bool IsSpaceAt(std::string_view text, std::size_t at) {
  const char c = text[at];
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

constexpr std::string_view kEllipsis = "\x81\x63";  // …

}  // namespace

PlaceMatcher::PlaceMatcher(std::string term, bool fold, bool spaceCut)
    : term_(std::move(term)), fold_(fold), spaceCut_(spaceCut) {}

PlaceMatcher::PlaceMatcher(const SearchConditions& conditions) {
  const SearchMatcher matcher(conditions);
  term_ = matcher.BodyTerm();
  fold_ = matcher.Folds();
  spaceCut_ = matcher.CutsSpaces();
}

std::vector<Span> PlaceMatcher::Find(std::string_view text, bool stored) const {
  std::vector<Span> spans;
  if (term_.empty()) return spans;
  // The text in the form the body test compares, with where each of its bytes came from.
  Mapped compared;
  if (stored) {
    compared.text.assign(text);
  } else {
    compared = NormalizeMapped(text);
  }
  if (fold_) {
    Mapped folded;
    FoldForMatch(compared.text, folded.text, folded.origin);
    Compose(compared, folded);
    compared = std::move(folded);
  }
  if (spaceCut_) RemoveSpacesMapped(compared);

  const std::string_view haystack = compared.text;
  const Cp932Finder finder(term_);
  const std::vector<std::uint32_t>& origin = compared.origin;
  auto at = [&](std::size_t k) -> std::size_t { return origin.empty() ? k : origin[k]; };
  std::size_t from = 0;
  while (from < haystack.size()) {
    const std::size_t found = finder.Find(haystack.substr(from));
    if (found == std::string_view::npos) break;
    const std::size_t s = from + found, e = s + term_.size();
    Span span{at(s), at(e)};
    // A match ending inside what one character became (⑩ is "10") ends after that character.
    if (e < haystack.size() && at(e) == at(e - 1)) {
      std::size_t k = e;
      while (k < haystack.size() && at(k) == at(e - 1)) ++k;
      span.end = at(k);
    }
    // White space the matching left out after the term is not part of the place.
    while (span.end > span.begin + 1 && IsSpaceAt(text, span.end - 1) && term_.back() != ' ') --span.end;
    if (span.end >= 2 + span.begin && text.substr(span.end - 2, 2) == "\x81\x40" && term_.back() != ' ')
      span.end -= 2;
    spans.push_back(span);
    from = e;  // the next place starts after this one (on a character boundary)
  }
  return spans;
}

void PlaceMatcher::Collect(std::string_view text, bool stored, int page, std::size_t keep, Places& out) const {
  const std::vector<Span> spans = Find(text, stored);
  out.count += spans.size();
  // Character boundaries are only known walking forward: one walk over the text up to the last
  // place kept, holding the starts of the last kPlaceContext characters.
  std::size_t starts[kPlaceContext] = {};
  std::size_t seen = 0, i = 0;
  for (const Span& span : spans) {
    if (out.places.size() >= keep) break;
    while (i < span.begin) {
      starts[seen++ % kPlaceContext] = i;
      i += Cp932CharLength(text, i);
    }
    const std::size_t first = seen == 0 ? span.begin : seen < kPlaceContext ? starts[0] : starts[seen % kPlaceContext];
    Place place;
    place.page = page;
    place.span = span;
    if (first > 0) place.before = kEllipsis;
    place.before.append(text.substr(first, span.begin - first));
    place.term.assign(text.substr(span.begin, span.end - span.begin));
    std::size_t j = span.end;
    for (int n = 0; n < kPlaceContext && j < text.size(); ++n) j += Cp932CharLength(text, j);
    place.after.assign(text.substr(span.end, j - span.end));
    if (j < text.size()) place.after.append(kEllipsis);
    out.places.push_back(std::move(place));
  }
}

Places FindRecordPlaces(const PlaceMatcher& matcher, PdfEngine* pdf, const std::string& nativePath,
                        std::string_view storedBody, std::size_t keep) {
  Places result;
  if (!matcher.HasTerm()) return result;
  if (pdf && !nativePath.empty() && pdf->Open(nativePath) == PdfOpenResult::Opened) {
    const int pages = pdf->PageCount();
    for (int p = 0; p < pages; ++p) matcher.Collect(PrepareBodyText(pdf->PageText(p)), false, p, keep, result);
    pdf->Close();
    if (result.count > 0) {
      result.fromDocument = true;
      return result;
    }
    result = Places{};
  }
  matcher.Collect(storedBody, true, kUnknownPage, keep, result);
  return result;
}

std::string PlaceLine(const Place& place) {
  std::string line = place.page == kUnknownPage ? "[page ?] " : "[page " + std::to_string(place.page + 1) + "] ";
  line += place.before;
  line += "\x81\x79";  // 【
  line += place.term;
  line += "\x81\x7A";  // 】
  line += place.after;
  return line;
}

}  // namespace folidex
