#include "search/RecordScan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/ByteText.h"
#include "common/Normalize.h"
#include "store/Store.h"

namespace folidex {
namespace {

constexpr std::size_t kHeaderRead = 4096;       // enough for the sixteen header lines of most records
constexpr std::size_t kWholeRead = 256 * 1024;  // one read takes most record files whole
constexpr std::size_t kKeepBuffer = 16 << 20;   // a larger buffer is released after its file

constexpr std::string_view kNoLowerBound = "00000000";
constexpr std::string_view kNoUpperBound = "99999999";

constexpr int kPC = 4, kTY = 6, kFC = 10, kFA = 11;
static_assert(kTY == static_cast<int>(FieldTag::TY));

std::string WithoutSpaces(const std::string& term) {
  // The ideographic space (CP932 0x81 0x40) character by character, then every half-width one.
  std::string out = ReplaceAllCp932(term, "\x81\x40", "");
  out.erase(std::remove(out.begin(), out.end(), ' '), out.end());
  return out;
}

}  // namespace

SearchMatcher::SearchMatcher(const SearchConditions& c) {
  if (!c.hasTextCondition && !c.hasDateCondition) {
    test_ = Test::HeaderOnly;
  } else if (c.flags.zenbun) {
    test_ = Test::FullText;
  } else {
    test_ = Test::PerField;
  }
  checkDate_ = !(c.dateFrom == kNoLowerBound && c.dateTo == kNoUpperBound);
  onCreationDate_ = c.flags.onCreationDate;
  dateFrom_ = c.dateFrom;
  dateTo_ = c.dateTo;
  fold_ = c.flags.yure;
  // Folded, a term meets the texts in the same folded form; exact, it is taken as it is.
  auto form = [this](const std::string& term) { return fold_ ? FoldForMatch(term) : term; };
  if (test_ == Test::PerField) {
    for (int k = 0; k < 4; ++k) fieldTerms_[k] = form(c.goku[k]);
    body_ = Cp932Finder(form(c.goku[4]));
    mayNeedBody_ = !c.goku[4].empty();
  } else if (test_ == Test::FullText) {
    for (int k = 0; k < 4; ++k) fieldTerms_[k] = form(c.rawFullTextTerm);
    spaceCut_ = c.flags.spaceCut;
    body_ = Cp932Finder(spaceCut_ ? WithoutSpaces(form(c.goku[5])) : form(c.goku[5]));
    mayNeedBody_ = !c.rawFullTextTerm.empty();
  }
  if (fold_ && !body_.needle().empty())
    for (std::string& anchor : FoldAnchors(body_.needle())) anchors_.emplace_back(std::move(anchor));
}

bool SearchMatcher::DateInRange(const std::array<std::string_view, kHeaderLines>& fields) const {
  std::string_view date = onCreationDate_ ? (fields[kPC].empty() ? fields[kFC] : fields[kPC]) : fields[kFA];
  if (date.empty()) return false;
  char key[8];
  std::size_t n = 0;
  for (char ch : date) {
    if (ch == '/' || ch == '.') continue;
    key[n++] = ch;
    if (n == sizeof key) break;
  }
  std::string_view k(key, n);
  return !(k < std::string_view(dateFrom_) || k > std::string_view(dateTo_));
}

ScanStatus SearchMatcher::MatchHeader(const std::array<std::string_view, kHeaderLines>& fields, int lines,
                                      bool& needBody) const {
  needBody = false;
  if (lines < kHeaderLines) return ScanStatus::Damaged;
  if (test_ == Test::HeaderOnly) return ScanStatus::Match;
  if (checkDate_ && !DateInRange(fields)) return ScanStatus::NoMatch;
  thread_local std::string folded;
  auto contains = [this](std::string_view field, const std::string& term) {
    if (!fold_) return ContainsCp932(field, term);
    FoldForMatch(field, folded);
    return ContainsCp932(folded, term);
  };
  if (test_ == Test::PerField) {
    for (int k = 0; k < 4; ++k) {
      if (!fieldTerms_[k].empty() && !contains(fields[k], fieldTerms_[k])) return ScanStatus::NoMatch;
    }
    if (body_.needle().empty()) return ScanStatus::Match;
  } else {
    for (int k = 0; k < 4; ++k) {
      if (contains(fields[k], fieldTerms_[k])) return ScanStatus::Match;
    }
  }
  needBody = true;
  return ScanStatus::NoMatch;
}

bool SearchMatcher::MatchBody(char* body, std::size_t size) const {
  if (fold_) {
    // Folding is the costly part: a text without a raw form of the term's most telling
    // character cannot match.
    const std::string_view raw(body, size);
    if (!anchors_.empty() && std::none_of(anchors_.begin(), anchors_.end(),
                                          [raw](const Cp932Finder& anchor) { return anchor.FoundIn(raw); }))
      return false;
    // The stored text in its folded form, made once per record in a buffer of the thread's own.
    thread_local std::string folded;
    FoldForMatch(std::string_view(body, size), folded);
    if (spaceCut_) folded.resize(RemoveSpaces(folded.data(), folded.size()));
    return body_.FoundIn(folded);
  }
  if (spaceCut_) size = RemoveSpaces(body, size);
  return body_.FoundIn(std::string_view(body, size));
}

bool RecordScanner::Fill(int fd, std::size_t want, bool& eof) {
  // Never more than one byte past the largest record file: a file that grows while it is read
  // shows itself as oversize instead of filling the memory.
  want = std::min<std::size_t>(want, kMaxRecordFileSize + 1);
  if (size_ >= want) {
    eof = true;
    return true;
  }
  if (buffer_.size() < want) buffer_.resize(want);
  if (size_ == 0) {
    // The first read takes only what is in memory: when that is nothing, the file had to come
    // from the disk (a miss, which tells the read-ahead that the walk is cold); it is read
    // again as usual. Where non-waiting reads are not supported every file counts as a miss.
    struct iovec piece = {buffer_.data(), want};
    const ssize_t got = ::preadv2(fd, &piece, 1, -1, RWF_NOWAIT);
    if (got > 0) {
      size_ = static_cast<std::size_t>(got);
    } else if (got < 0) {
      missed_ = true;  // the read below decides what an error means
    }
  }
  while (size_ < want) {
    ssize_t got = ::read(fd, buffer_.data() + size_, want - size_);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) {
      eof = true;
      break;
    }
    size_ += static_cast<std::size_t>(got);
  }
  return true;
}

void RecordScanner::Scan(int folder, const char* name, ScanResult& result) {
  missed_ = false;
  result.lines = 0;
  result.header.clear();
  // Opened without waiting: a FIFO in place of a record file must not stop the search.
  int fd = folder >= 0 ? ::openat(folder, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
  if (fd < 0) {
    // Only a file that is not there is marked missing; a file that exists but cannot be opened
    // just now (permissions, too many open files, I/O error) must not vanish from later searches.
    int error = folder >= 0 ? errno : -folder;
    result.status = (error == ENOENT || error == ENOTDIR) ? ScanStatus::Missing : ScanStatus::Unreadable;
    return;
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result.status = ScanStatus::Unreadable;
    return;
  }
  if (static_cast<std::uint64_t>(st.st_size) > kMaxRecordFileSize) {
    result.status = ScanStatus::Oversize;
    return;
  }
  size_ = 0;
  bool eof = false;
  bool readable = Fill(fd, matcher_.MayNeedBody() ? std::max(kWholeRead, buffer_.size()) : kHeaderRead, eof);

  // The header: lines by position, each value without its first four characters and line end.
  std::size_t pos = 0;
  while (readable && result.lines < kHeaderLines) {
    const char* lf = static_cast<const char*>(std::memchr(buffer_.data() + pos, '\n', size_ - pos));
    std::size_t end;
    if (lf) {
      end = static_cast<std::size_t>(lf - buffer_.data());
    } else if (!eof) {
      readable = Fill(fd, std::max(size_ * 2, std::size_t{64 * 1024}), eof);
      continue;
    } else if (pos < size_) {
      end = size_;  // a last line without a line end is still a line
    } else {
      break;
    }
    std::size_t valueEnd = end;
    if (lf && valueEnd > pos && buffer_[valueEnd - 1] == '\r') --valueEnd;
    if (valueEnd > pos + 4) result.header.append(buffer_.data() + pos + 4, valueEnd - pos - 4);
    result.ends[result.lines++] = static_cast<std::uint32_t>(result.header.size());
    pos = lf ? end + 1 : end;
  }

  if (size_ > kMaxRecordFileSize) {
    result.status = ScanStatus::Oversize;
    return;
  }
  std::array<std::string_view, kHeaderLines> fields{};
  for (int k = 0; k < result.lines; ++k) fields[k] = result.Field(k);
  bool needBody = false;
  result.status = matcher_.MatchHeader(fields, result.lines, needBody);
  if (needBody) {
    // The body is the rest of the file: the TX line, read whole, without its tag and line end.
    while (readable && !eof) readable = Fill(fd, std::max(size_ * 2, std::size_t{64 * 1024}), eof);
    if (size_ > kMaxRecordFileSize) {
      result.status = ScanStatus::Oversize;
      if (buffer_.size() > kKeepBuffer) std::vector<char>().swap(buffer_);
      return;
    }
    if (readable) {
      std::size_t begin = std::min(pos + 4, size_), end = size_;
      if (end > begin && buffer_[end - 1] == '\n') --end;
      if (end > begin && buffer_[end - 1] == '\r') --end;
      if (matcher_.MatchBody(buffer_.data() + begin, end - begin)) result.status = ScanStatus::Match;
    }
  }
  if (buffer_.size() > kKeepBuffer) std::vector<char>().swap(buffer_);
}

}  // namespace folidex
