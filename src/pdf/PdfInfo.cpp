#include "pdf/PdfInfo.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

#include "common/Cp932.h"
#include "pdf/PdfKeyScan.h"
#include "pdf/PdfText.h"

namespace folidex {
namespace {

// At most this many bytes of a raw value are looked at.
constexpr std::size_t kValueLimit = 1024;

// The names of PT..PM in XMP and in the information dictionary.
constexpr PdfKey kXmpNames[6] = {PdfKey::DcTitle,  PdfKey::DcCreator,  PdfKey::DcDescription,
                                 PdfKey::Keywords, PdfKey::CreateDate, PdfKey::ModifyDate};
constexpr PdfKey kDictionaryKeys[6] = {PdfKey::Title,    PdfKey::Author,       PdfKey::Subject,
                                       PdfKey::Keywords, PdfKey::CreationDate, PdfKey::ModDate};
constexpr int kFirstDateField = 4;  // PC, then PM

constexpr std::size_t npos = std::string_view::npos;

std::size_t NameLength(PdfKey key) { return kPdfKeyNames[static_cast<int>(key)].size(); }

// The first position of `c` in [from, end), or npos.
std::size_t FindByte(std::string_view bytes, char c, std::size_t from, std::size_t end) {
  if (from >= end) return npos;
  const void* hit = std::memchr(bytes.data() + from, c, end - from);
  return hit ? static_cast<const char*>(hit) - bytes.data() : npos;
}

bool IsLayoutByte(char c) { return c == ' ' || c == '\r' || c == '\n'; }

// From the first XMP element name at p, the first element text that holds at least two bytes other than spaces and
// line breaks, and fewer than kValueLimit bytes in all. Whitespace between nested elements and
// one-byte texts are passed over; a "/>" met first ends the search.
std::optional<std::string_view> XmpElementText(std::string_view bytes, std::size_t p, std::size_t len) {
  if (p == npos) return std::nullopt;
  const std::size_t n = bytes.size();

  const std::size_t start = p + len, end = n - len;
  std::size_t lt = 0;  // the next '<' at or after the text being looked at, or n
  bool ltKnown = false;
  for (std::size_t i = start;;) {
    std::size_t q = FindByte(bytes, '>', i, end);
    if (q == npos) return std::nullopt;
    if (q > start && bytes[q - 1] == '/') return std::nullopt;
    const std::size_t text = q + 1;
    if (!ltKnown || lt < text) {
      lt = FindByte(bytes, '<', text, n);
      if (lt == npos) lt = n;
      ltKnown = true;
    }
    if (lt - text < kValueLimit) {
      int solid = 0;
      for (std::size_t k = text; k < lt && solid < 2; ++k) solid += IsLayoutByte(bytes[k]) ? 0 : 1;
      if (solid >= 2) return bytes.substr(text, lt - text);
    }
    i = q + 1;
  }
}

bool AllPrintableAscii(std::string_view v) {
  return std::all_of(v.begin(), v.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

bool HasHighByte(std::string_view v) {
  return std::any_of(v.begin(), v.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

enum class Source { Xmp, Dictionary };

// UTF-16 in a literal: the byte-order mark as raw bytes or written as octal escapes.
bool IsUtf16Literal(std::string_view v) { return v.starts_with("\xFE\xFF") || v.starts_with("\\376\\377"); }

// The end of a literal string that starts at `text`, read as PDF writes it: a backslash takes
// the next byte, and unescaped parentheses nest (UTF-16 bytes 0x28, 0x29 and 0x5C, parts of many
// kanji — 山 is 0x5C71 — come escaped or balanced as well). npos when the literal does not end
// before `limit`.
std::size_t LiteralEnd(std::string_view bytes, std::size_t text, std::size_t limit) {
  int depth = 0;
  for (std::size_t i = text; i < limit; ++i) {
    char c = bytes[i];
    if (c == '\\') {
      ++i;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && depth-- == 0) {
      return i;
    }
  }
  return npos;
}

// The value rules: a raw value to its CP932 text. `fromUtf8` tells that the value was UTF-8.
std::string DecodeValue(std::string_view v, Source source, bool& fromUtf8) {
  fromUtf8 = false;
  if (source == Source::Xmp) {
    // A PDF hexadecimal string copied into the XMP text with its brackets escaped.
    std::size_t lt = v.find("&lt;");
    if (lt != npos) {
      std::size_t from = lt + 4;
      std::size_t gt = v.find("&gt;");
      std::string_view hex = v.substr(from, gt != npos && gt >= from ? gt - from : npos);
      std::string bytes = DecodeHexText(hex);
      std::size_t zero = bytes.find('\0');
      if (zero != std::string::npos) bytes.resize(zero);
      return bytes;
    }
  }
  if (IsUtf16Literal(v)) return DecodeLiteralUtf16(v);
  // A "<" inside a dictionary literal is text ("a < b"): hexadecimal strings are read before.
  if (source == Source::Xmp && HasHighByte(v)) {
    // XMP text is UTF-8; a text that begins in ASCII may still hold Japanese further on.
    fromUtf8 = true;
    return Utf8TextToCp932(v);
  }
  if (source == Source::Xmp) return AllPrintableAscii(v) ? std::string(v) : std::string();
  // A text literal, which may break its lines: its escapes undone, then its bytes read as
  // PDFDocEncoding. Raw bytes of 0x80 and above (CP932 written straight in) give no value.
  const bool plain = std::all_of(
      v.begin(), v.end(), [](char c) { return (c >= 0x20 && c <= 0x7E) || c == '\t' || c == '\r' || c == '\n'; });
  if (!plain) return {};
  // A line end written into the literal as it is (CR, LF or CR LF) is one line feed.
  std::string lines;
  lines.reserve(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\r') {
      lines.push_back('\n');
      if (i + 1 < v.size() && v[i + 1] == '\n') ++i;
    } else {
      lines.push_back(v[i]);
    }
  }
  return PdfDocEncodingToCp932(UnescapeLiteral(lines));
}

bool IsZoneMark(char c) { return c == '+' || c == '-' || c == 'Z'; }

// 2010-12-01T10:20:30+09:00 and 2010-12-01T10:20+09:00; anything else gives an empty text.
std::string XmpDate(std::string_view v) {
  if (v.find(':') == npos) return {};
  std::string date;
  if (v.size() > 19 && IsZoneMark(v[19])) {
    date.append(v.substr(0, 4)).append(".").append(v.substr(5, 2)).append(".").append(v.substr(8, 2));
    date.append(" ").append(v.substr(11, 8));
  } else if (v.size() > 16 && IsZoneMark(v[16])) {
    date.append(v.substr(0, 4)).append(".").append(v.substr(5, 2)).append(".").append(v.substr(8, 2));
    date.append(" ").append(v.substr(11, 5)).append(":00");
  }
  return date;
}

// D:YYYYMMDDhhmmss… (the time may be missing) and the asctime form Wed Dec 01 10:20:30 2010.
std::string DictionaryDate(std::string_view v) {
  if (v.starts_with("D:")) {
    if (v.size() < 10) return {};  // not even a day
    std::string w = std::string(v) + "000000";
    return w.substr(2, 4) + "." + w.substr(6, 2) + "." + w.substr(8, 2) + " " + w.substr(10, 2) + ":" +
           w.substr(12, 2) + ":" + w.substr(14, 2);
  }
  if (std::count(v.begin(), v.end(), ' ') == 4) {
    std::string_view fields[5];
    std::size_t from = 0;
    for (int k = 0; k < 5; ++k) {
      std::size_t space = k < 4 ? v.find(' ', from) : v.size();
      fields[k] = v.substr(from, space - from);
      from = space + 1;
    }
    static constexpr std::string_view kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int m = 0; m < 12; ++m) {
      if (fields[1] == kMonths[m]) {
        char month[3];
        std::snprintf(month, sizeof month, "%02d", m + 1);
        return std::string(fields[4]) + "." + month + "." + std::string(fields[2]) + " " + std::string(fields[3]);
      }
    }
    return std::string(v);
  }
  return {};
}

// The XMP scan: fills what it finds and reports whether any value was accepted.
bool ScanXmp(std::string_view bytes, const PdfKeyPositions& keys, IndexRecord& record) {
  bool accepted = false;
  for (int k = 0; k < 6; ++k) {
    PdfKey name = kXmpNames[k];
    std::optional<std::string_view> raw = XmpElementText(bytes, keys.element[static_cast<int>(name)], NameLength(name));
    if (!raw) continue;
    bool fromUtf8 = false;
    std::string value = k < kFirstDateField ? DecodeValue(*raw, Source::Xmp, fromUtf8) : XmpDate(*raw);
    if (!value.empty() || fromUtf8) accepted = true;
    record.fields[k] = std::move(value);
  }
  return accepted;
}

// Dates written as attributes, xmp:CreateDate='2010-12-01T10:20:30+09:00': the day only.
std::string AttributeDate(std::string_view bytes, const PdfKeyPositions& keys, PdfKey name) {
  const std::size_t p = keys.first[static_cast<int>(name)], len = NameLength(name);
  if (p == npos) return {};
  const std::size_t from = p + len;
  const std::size_t end = std::min(from + kValueLimit, bytes.size() - len);
  if (end <= from) return {};
  std::string_view copy = bytes.substr(from, end - from);
  std::size_t apostrophe = copy.find('\'');
  if (apostrophe == npos) return {};
  std::string_view t = copy.substr(apostrophe + 1);
  if (t.size() < 10) return {};
  return std::string(t.substr(0, 4)) + "." + std::string(t.substr(5, 2)) + "." + std::string(t.substr(8, 2)) +
         " 00:00:00";
}

// The value of the first occurrence of `key`: the next literal or hexadecimal string after it.
std::string DictionaryValue(std::string_view bytes, const PdfKeyPositions& keys, PdfKey key) {
  // The key as a name of its own: "Title" inside "/DisplayDocTitle" (LibreOffice writes it
  // before the information dictionary) is not the title's key.
  const std::size_t p = keys.name[static_cast<int>(key)], len = NameLength(key);
  if (p == npos) return {};
  const std::size_t from = p + len, end = bytes.size() - len;
  std::size_t paren = FindByte(bytes, '(', from, end);
  std::size_t angle = FindByte(bytes, '<', from, paren == npos ? end : paren);
  std::size_t open = angle != npos ? angle : paren;
  if (open == npos) return {};
  const std::size_t text = open + 1;
  const std::size_t limit = std::min(text + kValueLimit, bytes.size());
  std::size_t close = angle != npos ? FindByte(bytes, '>', text, limit) : LiteralEnd(bytes, text, limit);
  std::string_view value = bytes.substr(text, (close == npos ? limit : close) - text);
  if (angle != npos) return DecodeHexUtf16(value);
  if (value.empty()) return {};
  bool fromUtf8 = false;
  return DecodeValue(value, Source::Dictionary, fromUtf8);
}

void ScanDictionary(std::string_view bytes, const PdfKeyPositions& keys, IndexRecord& record) {
  for (int k = 0; k < 6; ++k) {
    std::string value = DictionaryValue(bytes, keys, kDictionaryKeys[k]);
    record.fields[k] = k < kFirstDateField ? std::move(value) : DictionaryDate(value);
  }
}

// A record field is one line of the record file: it ends at a zero byte, and a line break inside
// a value (UTF-8 or UTF-16 text may hold one) becomes a space.
void CleanField(std::string& field) {
  std::size_t zero = field.find('\0');
  if (zero != std::string::npos) field.resize(zero);
  std::replace_if(
      field.begin(), field.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
}

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) ::close(fd);
  }
};

// A regular file's bytes mapped read-only: the pages are read in as the scan reaches them and
// can be dropped again by the system, so a file of gigabytes never sits in memory as a whole.
class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { Unmap(); }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // False when the file cannot be mapped (errno tells why); an empty file maps to no bytes.
  bool Map(int fd, std::size_t size) {
    Unmap();
    if (size == 0) return true;
    void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (at == MAP_FAILED) return false;
    ::madvise(at, size, MADV_SEQUENTIAL);
    data_ = static_cast<const char*>(at);
    size_ = size;
    return true;
  }
  void Unmap() {
    if (data_) ::munmap(const_cast<char*>(data_), size_);
    data_ = nullptr;
    size_ = 0;
  }
  std::string_view Bytes() const { return data_ ? std::string_view(data_, size_) : std::string_view(); }

 private:
  const char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace

namespace {

bool HasInfoNamesAt(const PdfKeyPositions& keys) {
  for (PdfKey name : kXmpNames)
    if (keys.element[static_cast<int>(name)] != npos) return true;
  for (PdfKey key : kDictionaryKeys)
    if (keys.name[static_cast<int>(key)] != npos) return true;
  return false;
}

void ScanInfoAt(std::string_view bytes, const PdfKeyPositions& keys, IndexRecord& record) {
  if (ScanXmp(bytes, keys, record)) {
    if (record[FieldTag::PC].empty()) record[FieldTag::PC] = AttributeDate(bytes, keys, PdfKey::CreateDate);
    if (record[FieldTag::PM].empty()) record[FieldTag::PM] = AttributeDate(bytes, keys, PdfKey::ModifyDate);
  } else {
    ScanDictionary(bytes, keys, record);
  }
  for (int k = 0; k < 6; ++k) CleanField(record.fields[k]);
}

}  // namespace

bool PdfInfo::HasInfoNames(std::string_view bytes) { return HasInfoNamesAt(FindPdfKeys(bytes)); }

void PdfInfo::TakeMetaData(const PdfMetaData& meta, IndexRecord& record) {
  auto date = [](const std::optional<PdfDateTime>& when) {
    if (!when) return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%04d.%02d.%02d %02d:%02d:%02d", when->year, when->month, when->day, when->hour,
                  when->minute, when->second);
    return std::string(text);
  };
  record[FieldTag::PT] = Utf16ToCp932(meta.title);
  record[FieldTag::PA] = Utf16ToCp932(meta.author);
  record[FieldTag::PS] = Utf16ToCp932(meta.subject);
  record[FieldTag::PK] = Utf16ToCp932(meta.keywords);
  record[FieldTag::PC] = date(meta.created);
  record[FieldTag::PM] = date(meta.modified);
  for (int k = 0; k < 6; ++k) CleanField(record.fields[k]);
}

void PdfInfo::ScanInfo(std::string_view bytes, IndexRecord& record) {
  // One pass finds where every name first stands; the scans start from there.
  ScanInfoAt(bytes, FindPdfKeys(bytes), record);
}

bool PdfInfo::ScanInfoNames(std::string_view bytes, IndexRecord& record) {
  const PdfKeyPositions keys = FindPdfKeys(bytes);
  ScanInfoAt(bytes, keys, record);
  return HasInfoNamesAt(keys);
}

int PdfInfo::ReadInfo(const std::string& pathCp932, IndexRecord& record) {
  return ReadInfoFile(ToNativePath(pathCp932), record);
}

int PdfInfo::ReadInfoFile(const std::string& native, IndexRecord& record) {
  // Opened without blocking, so a FIFO under a PDF's name cannot hang the reader; only a regular
  // file is read.
  foundNames_ = false;
  FdCloser file{::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  struct stat status {};
  if (file.fd < 0 || ::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    prompter_.Error(Msg::FileOpenFailed, FromNativePath(native) + "\n");
    return 0;
  }
  MappedFile mapped;
  if (static_cast<std::uint64_t>(status.st_size) > std::numeric_limits<std::size_t>::max() ||
      !mapped.Map(file.fd, static_cast<std::size_t>(status.st_size))) {
    prompter_.Error(errno == ENOMEM ? Msg::MemoryAllocFailed : Msg::FileOpenFailed, FromNativePath(native) + "\n");
    return 0;
  }
  const std::string_view bytes = mapped.Bytes();
  const PdfKeyPositions keys = FindPdfKeys(bytes);
  ScanInfoAt(bytes, keys, record);
  foundNames_ = HasInfoNamesAt(keys);
  if (engine_ && !foundNames_) {
    mapped.Unmap();  // the engine reads the file itself
    if (engine_->Open(native) == PdfOpenResult::Opened) TakeMetaData(engine_->MetaData(), record);
    engine_->Close();
  }
  return 1;
}

}  // namespace folidex
