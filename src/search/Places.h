#pragma once
// Where a search's body term stands in a record's text: the places, found with the same term and
// the same matching rule (exact or folded, spaces cut or not) as the search's body test, each
// with the characters around it. In a document page's text (the text as the import takes it from
// the page) the page is known; in the stored text (one normalised line) it is not.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/PdfEngine.h"
#include "search/Cp932Finder.h"
#include "search/Search.h"
#include "store/Store.h"

namespace folidex {

inline constexpr int kPlaceContext = 40;  // characters shown on each side of the term
inline constexpr int kUnknownPage = -1;

// One occurrence's bytes in the text it was found in.
struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;
  friend bool operator==(const Span&, const Span&) = default;
};

struct Place {
  int page = kUnknownPage;  // from 0
  Span span;                // in that page's text, or in the stored text
  std::string before;       // CP932: up to kPlaceContext characters, "…" first when cut
  std::string term;         // the text that matched, as the text has it
  std::string after;        // up to kPlaceContext characters, "…" last when cut
};

struct Places {
  std::size_t count = 0;      // the places in all
  std::vector<Place> places;  // the first ones, in text order
  bool fromDocument = false;  // found in the document's pages (else in the stored text)
};

// The body term of a search with its matching rule.
class PlaceMatcher {
 public:
  explicit PlaceMatcher(const SearchConditions& conditions);
  PlaceMatcher(std::string term, bool fold, bool spaceCut);

  // Whether the search has a body term at all (else there are no places).
  bool HasTerm() const { return !term_.empty(); }
  const std::string& Term() const { return term_; }
  bool Folds() const { return fold_; }

  // Every occurrence, in order and without overlapping, in `text`: a stored text (normalised as
  // the record keeps it) when `stored`, else a page's text as the import prepares it
  // (PrepareBodyText), which is normalised here as the import would store it.
  std::vector<Span> Find(std::string_view text, bool stored) const;

  // The places of `text` appended to `out` (its count grows by all of them, its list by as many
  // as make it `keep` long), with `page` for each.
  void Collect(std::string_view text, bool stored, int page, std::size_t keep, Places& out) const;

 private:
  std::string term_;  // in the form the body test compares
  bool fold_ = false;
  bool spaceCut_ = false;
  Cp932Finder finder_;
  std::vector<Cp932Finder> anchors_;  // folded: a text holding none of these holds no place
};

// The places of a record. The document's own pages are read through `pdf` from `nativePath`
// (the store's copy or the outside file) when it opens; when it does not, or its pages hold no
// place (a scan whose text was recognised at import), the stored text `storedBody` is used.
Places FindRecordPlaces(const PlaceMatcher& matcher, PdfEngine* pdf, const std::string& nativePath,
                        std::string_view storedBody, std::size_t keep);

// The places of the record `serial` of `store`: its record file read (the working record is left
// alone), its document resolved as the list resolves it, then FindRecordPlaces. None when the
// record file cannot be read.
Places FindPlacesOfRecord(const PlaceMatcher& matcher, Store& store, PdfEngine* pdf, std::string_view serial,
                          std::size_t keep);

// The files FindPlacesOfRecord reads for the record `serial`, named (not read) from the store: a
// worker thread may then read them through FindPlacesOfRecordFiles, the store left to its own.
struct RecordPlaceFiles {
  NativePath record;  // the record file
  NativePath copy;    // where the store's copy of its document would be
};
RecordPlaceFiles PlaceFilesOfRecord(const Store& store, std::string_view serial);
Places FindPlacesOfRecordFiles(const PlaceMatcher& matcher, const RecordPlaceFiles& files, PdfEngine* pdf,
                               std::size_t keep);

// "[page 3] …before【term】after…" (CP932; "[page ?]" when the page is unknown).
std::string PlaceLine(const Place& place);

}  // namespace folidex
