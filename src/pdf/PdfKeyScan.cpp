#include "pdf/PdfKeyScan.h"

#include <cstdint>
#include <cstring>

namespace folidex {
namespace {

// Sixteen bytes at a time: a lane is a candidate when it and the next byte are the first two
// bytes of some name (dc Ke Cr Mo Ti Au Su). Random (compressed) data gives almost no candidates.
using Lanes = unsigned char __attribute__((vector_size(16)));
using Mask = signed char __attribute__((vector_size(16)));

Lanes Load(const char* at) {
  Lanes lanes;
  std::memcpy(&lanes, at, sizeof lanes);
  return lanes;
}

bool Any(Mask mask) {
  std::uint64_t halves[2];
  std::memcpy(halves, &mask, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

Mask Candidates(Lanes a, Lanes b) {
  return ((a == 'd') & (b == 'c')) | ((a == 'K') & (b == 'e')) | ((a == 'C') & (b == 'r')) | ((a == 'M') & (b == 'o')) |
         ((a == 'T') & (b == 'i')) | ((a == 'A') & (b == 'u')) | ((a == 'S') & (b == 'u'));
}

}  // namespace

bool EndsPdfName(char c) {
  switch (c) {
    case '\0':
    case '\t':
    case '\n':
    case '\f':
    case '\r':
    case ' ':
    case '(':
    case ')':
    case '<':
    case '>':
    case '[':
    case ']':
    case '{':
    case '}':
    case '/':
    case '%':
      return true;
    default:
      return false;
  }
}

namespace {

class Finder {
 public:
  explicit Finder(std::string_view bytes) : bytes_(bytes) {
    positions_.first.fill(PdfKeyPositions::npos);
    positions_.element.fill(PdfKeyPositions::npos);
    positions_.name.fill(PdfKeyPositions::npos);
  }

  void At(std::size_t s) {
    switch (bytes_[s]) {
      case 'd':
        Try(s, PdfKey::DcTitle);
        Try(s, PdfKey::DcCreator);
        Try(s, PdfKey::DcDescription);
        break;
      case 'K':
        Try(s, PdfKey::Keywords);
        break;
      case 'C':
        Try(s, PdfKey::CreateDate);
        Try(s, PdfKey::CreationDate);
        break;
      case 'M':
        Try(s, PdfKey::ModifyDate);
        Try(s, PdfKey::ModDate);
        break;
      case 'T':
        Try(s, PdfKey::Title);
        break;
      case 'A':
        Try(s, PdfKey::Author);
        break;
      case 'S':
        Try(s, PdfKey::Subject);
        break;
      default:
        break;
    }
  }

  const PdfKeyPositions& positions() const { return positions_; }

 private:
  void Try(std::size_t s, PdfKey key) {
    const int k = static_cast<int>(key);
    constexpr std::size_t npos = PdfKeyPositions::npos;
    if (positions_.element[k] != npos && positions_.name[k] != npos) return;  // nothing more to learn
    std::string_view name = kPdfKeyNames[k];
    const std::size_t n = bytes_.size(), len = name.size();
    if (s + len >= n || std::memcmp(bytes_.data() + s, name.data(), len) != 0) return;
    if (positions_.first[k] == npos) positions_.first[k] = s;
    if (positions_.element[k] == npos && (bytes_[s + len] == '>' || (s + len + 1 < n && bytes_[s + len + 1] == '>')))
      positions_.element[k] = s;
    if (positions_.name[k] == npos && s > 0 && bytes_[s - 1] == '/' && EndsPdfName(bytes_[s + len]))
      positions_.name[k] = s;
  }

  std::string_view bytes_;
  PdfKeyPositions positions_;
};

}  // namespace

PdfKeyPositions FindPdfKeys(std::string_view bytes) {
  Finder finder(bytes);
  const char* data = bytes.data();
  const std::size_t n = bytes.size();
  std::size_t s = 0;
  // Lanes s..s+15 with their successors s+1..s+16: all inside the buffer.
  for (; s + 17 <= n; s += 16) {
    Mask mask = Candidates(Load(data + s), Load(data + s + 1));
    if (!Any(mask)) continue;
    for (int lane = 0; lane < 16; ++lane) {
      if (mask[lane]) finder.At(s + lane);
    }
  }
  for (; s + 1 < n; ++s) finder.At(s);
  return finder.positions();
}

}  // namespace folidex
