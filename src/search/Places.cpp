#include "search/Places.h"

#include <algorithm>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
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
    : term_(std::move(term)), fold_(fold), spaceCut_(spaceCut), finder_(term_) {
  if (fold_ && !term_.empty())
    for (std::string& anchor : FoldAnchors(term_)) anchors_.emplace_back(std::move(anchor));
}

namespace {
PlaceMatcher FromSearch(const SearchConditions& conditions) {
  const SearchMatcher matcher(conditions);
  return PlaceMatcher(matcher.BodyTerm(), matcher.Folds(), matcher.CutsSpaces());
}
}  // namespace

PlaceMatcher::PlaceMatcher(const SearchConditions& conditions) : PlaceMatcher(FromSearch(conditions)) {}

std::vector<Span> PlaceMatcher::Find(std::string_view text, bool stored) const {
  std::vector<Span> spans;
  if (term_.empty()) return spans;
  // Folded, a text without a raw form of the term's most telling character holds no place.
  if (fold_ && !anchors_.empty() &&
      std::none_of(anchors_.begin(), anchors_.end(), [text](const Cp932Finder& a) { return a.FoundIn(text); }))
    return spans;
  // The text in the form the body test compares, with where each of its bytes came from; the
  // buffers are the thread's own, kept from one text to the next (a stored text may be 5 MB).
  thread_local Mapped normalized, folded, cut;
  std::string_view compared = text;
  const std::vector<std::uint32_t>* origin = nullptr;
  if (!stored) {
    normalized = NormalizeMapped(text);
    compared = normalized.text;
    origin = &normalized.origin;
  }
  if (fold_) {
    FoldForMatch(compared, folded.text, folded.origin);
    if (origin)
      for (std::uint32_t& at : folded.origin) at = (*origin)[at];
    compared = folded.text;
    origin = &folded.origin;
  }
  if (spaceCut_ && compared.find(' ') != std::string_view::npos) {
    cut.text.assign(compared);
    if (origin) {
      cut.origin = *origin;
    } else {
      cut.origin.clear();
    }
    RemoveSpacesMapped(cut);
    compared = cut.text;
    origin = &cut.origin;
  }

  const std::string_view haystack = compared;
  const Cp932Finder& finder = finder_;
  auto at = [origin](std::size_t k) -> std::size_t { return origin ? (*origin)[k] : k; };
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
    if (span.end >= 2 + span.begin && text.substr(span.end - 2, 2) == "\x81\x40" && term_.back() != ' ') span.end -= 2;
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

RecordPlaceFiles PlaceFilesOfRecord(const Store& store, std::string_view serial) {
  if (!IsSerialText(serial)) return {};
  return {store.RecordFilePath(serial, kKindText), store.RecordFilePath(serial, kKindPdf)};
}

Places FindPlacesOfRecordFiles(const PlaceMatcher& matcher, const RecordPlaceFiles& files, PdfEngine* pdf,
                               std::size_t keep) {
  if (!matcher.HasTerm() || files.record.empty()) return {};
  std::string bytes;
  if (ReadRegularFile(files.record, bytes, kMaxRecordFileSize) != FileRead::Ok) return {};
  IndexRecord record;
  ParseRecordFile(bytes, true, record);
  const DocumentLocation where = ResolveDocumentPath(files.copy, record[FieldTag::TY], record[FieldTag::FG]);
  return FindRecordPlaces(matcher, where.mark == kMarkAvailable ? pdf : nullptr, where.path, record[FieldTag::TX],
                          keep);
}

Places FindPlacesOfRecord(const PlaceMatcher& matcher, Store& store, PdfEngine* pdf, std::string_view serial,
                          std::size_t keep) {
  if (!matcher.HasTerm()) return {};
  return FindPlacesOfRecordFiles(matcher, PlaceFilesOfRecord(store, serial), pdf, keep);
}

namespace {
// A page's text may hold long runs of white space (a table's columns, a line end): one line
// shows each run as one space (0x20, 0x09, 0x0D, 0x0A are never trail bytes).
void AppendOneLine(std::string& line, std::string_view text) {
  bool blank = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool space = IsSpaceAt(text, i);
    if (!space) {
      line += text[i];
    } else if (!blank) {
      line += ' ';
    }
    blank = space;
  }
}
}  // namespace

std::string PlaceLine(const Place& place) {
  std::string line = place.page == kUnknownPage ? "[page ?] " : "[page " + std::to_string(place.page + 1) + "] ";
  AppendOneLine(line, place.before);
  line += "\x81\x79";  // 【
  AppendOneLine(line, place.term);
  line += "\x81\x7A";  // 】
  AppendOneLine(line, place.after);
  return line;
}

}  // namespace folidex
