#pragma once
// Reading and matching one record file for the database search. A RecordScanner holds the
// compiled conditions of one search (read only, so several scanners may run at once on reader
// threads) and a reusable read buffer; Scan opens a record file, reads its sixteen header lines
// by position and, when the conditions need it, the body, and tells whether the record matches.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/Cp932Finder.h"
#include "search/Search.h"

namespace folidex {

inline constexpr int kHeaderLines = 16;

enum class ScanStatus : std::uint8_t {
  Missing,     // the record file does not exist: its index entry becomes '0'
  Unreadable,  // it exists but cannot be opened now, or is not a regular file (a FIFO is never
               // waited on): skipped, the index is left alone
  Oversize,    // larger than kMaxRecordFileSize: skipped with its message, the index left alone
  NoMemory,    // too large for memory: skipped with its message, the index left alone
  Damaged,     // fewer than sixteen header lines: skipped without marking
  NoMatch,
  Match,
};

// What a scan hands back: the status and the header lines read (their values, tags removed).
struct ScanResult {
  ScanStatus status = ScanStatus::Missing;
  int lines = 0;                                   // header lines read (0..16)
  std::string header;                              // the values, one after another
  std::array<std::uint32_t, kHeaderLines> ends{};  // end offset of value k in `header`

  std::string_view Field(int k) const {
    std::uint32_t begin = k == 0 ? 0 : ends[k - 1];
    return std::string_view(header).substr(begin, ends[k] - begin);
  }
};

// The conditions of one search in the form the scan needs them.
class SearchMatcher {
 public:
  explicit SearchMatcher(const SearchConditions& conditions);

  enum class Test { HeaderOnly, PerField, FullText };
  Test test() const { return test_; }
  // Whether a record's body may be needed (then the whole file is read in one go).
  bool MayNeedBody() const { return mayNeedBody_; }

  // The header tests: date, field terms. Returns Match / NoMatch, or Damaged for a header of
  // fewer than sixteen lines; `needBody` is set when the body decides.
  ScanStatus MatchHeader(const std::array<std::string_view, kHeaderLines>& fields, int lines, bool& needBody) const;
  // The body test on the text after the header (its line tag and closing line end removed);
  // `body` may be changed in place (spaces removed).
  bool MatchBody(char* body, std::size_t size) const;

  // The body test's term as it compares it, and its rule: folded, spaces cut.
  const std::string& BodyTerm() const { return body_.needle(); }
  bool Folds() const { return fold_; }
  bool CutsSpaces() const { return spaceCut_; }

 private:
  bool DateInRange(const std::array<std::string_view, kHeaderLines>& fields) const;

  Test test_;
  bool mayNeedBody_ = false;
  bool checkDate_ = false;
  bool onCreationDate_ = true;
  bool spaceCut_ = false;
  bool fold_ = false;  // 表記ゆれ forgiven: terms and texts compared in their folded form
  std::string dateFrom_, dateTo_;
  std::array<std::string, 4> fieldTerms_;  // Goku0..Goku3 (per field) or the raw term 4 times
  Cp932Finder body_;
  std::vector<Cp932Finder> anchors_;  // folded: a body holding none of these is passed over unfolded
};

class RecordScanner {
 public:
  explicit RecordScanner(const SearchMatcher& matcher) : matcher_(matcher) {}

  // Reads and matches the record file `name` of the folder open as `folder` into `result`. A
  // negative `folder` is the error (-errno) with which the folder itself could not be opened.
  void Scan(int folder, const char* name, ScanResult& result);
  // Whether the last Scan's file was not in memory when its first read came (it was read from
  // the disk).
  bool Missed() const { return missed_; }

 private:
  bool Fill(int fd, std::size_t want, bool& eof);

  const SearchMatcher& matcher_;
  std::vector<char> buffer_;
  std::size_t size_ = 0;  // bytes of the current file in buffer_
  bool missed_ = false;
};

}  // namespace folidex
