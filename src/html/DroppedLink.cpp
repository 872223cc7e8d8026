#include "html/DroppedLink.h"

#include <algorithm>

#include "common/ByteText.h"
#include "html/PercentText.h"

namespace folidex {
namespace {

constexpr std::size_t npos = std::string_view::npos;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    char p = prefix[i];
    if (p >= 'a' && p <= 'z') p = static_cast<char>(p - 'a' + 'A');
    if (c != p) return false;
  }
  return true;
}

std::string_view TrimAscii(std::string_view text) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

// How ExtractPdfUrl reads its text: CP932 characters, or plain bytes of any character set.
struct Cp932Reading {
  static std::string Upper(std::string_view text) { return UpperCaseAsciiCp932(text); }
  static std::size_t Find(std::string_view text, std::string_view needle, std::size_t from) {
    return FindCp932(text, needle, from);
  }
  static std::string Decode(std::string_view text) { return DecodePercentText(text); }
};

struct ByteReading {
  static std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
  }
  static std::size_t Find(std::string_view text, std::string_view needle, std::size_t from) {
    return text.find(needle, from);
  }
  static std::string Decode(std::string_view text) { return DecodePercentBytes(text); }
};

template <typename Reading>
std::string Extract(std::string_view url, std::string_view ext) {
  const std::string upperExt = "." + Reading::Upper(ext);
  std::string upper = Reading::Upper(url);
  const std::size_t at = Reading::Find(upper, upperExt, 0);
  if (at == npos) return {};
  const std::size_t end = at + upperExt.size();
  upper.resize(end);

  // The last "HTTP://" or "HTTPS://" of the cut copy.
  std::size_t candidate = npos;
  std::size_t scan = 0;
  for (int step = 0; step < 100; ++step) {
    const std::size_t first = std::min(Reading::Find(upper, "HTTP://", scan), Reading::Find(upper, "HTTPS://", scan));
    if (first == npos) break;
    candidate = first;
    scan = first + 1;
  }
  if (candidate == npos) return {};

  const std::string_view text = url.substr(candidate, end - candidate);
  if (text.find('%') != npos) {
    // Each decoding that changes the text shortens it, so this ends; a "%" that begins no
    // escape is left as it is.
    const std::string decoded = Reading::Decode(text);
    if (decoded != text) return Extract<Reading>(decoded, ext);
  }
  return std::string(text);
}

// The part of a CP932 text after its last "/" (0x2F is never a CP932 trail byte).
std::string AfterLastSlash(std::string_view text) {
  const std::size_t slash = text.rfind('/');
  return std::string(slash == npos ? text : text.substr(slash + 1));
}

}  // namespace

std::string ExtractPdfUrl(std::string_view url, std::string_view ext) { return Extract<Cp932Reading>(url, ext); }

std::string ExtractPdfAddress(std::string_view url, std::string_view ext) {
  std::string bytes = Extract<ByteReading>(url, ext);
  return bytes.empty() ? bytes : EncodeAddressBytes(bytes);
}

std::vector<std::string> ParseUriList(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    std::string_view line = TrimAscii(text.substr(0, newline));
    text = newline == npos ? std::string_view() : text.substr(newline + 1);
    if (!line.empty() && line.front() != '#') lines.emplace_back(line);
  }
  return lines;
}

std::string MozUrlAddress(std::string_view text) { return std::string(TrimAscii(text.substr(0, text.find('\n')))); }

bool IsWebLink(std::string_view url) {
  url = TrimAscii(url);
  return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://");
}

std::string LocalFileUrlPath(std::string_view url) {
  url = TrimAscii(url);
  if (!StartsWithNoCase(url, "file:")) return {};
  std::string_view rest = url.substr(5);
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    if (slash == npos) return {};
    const std::string_view host = rest.substr(0, slash);
    const bool localHost = host.empty() || (host.size() == 9 && StartsWithNoCase(host, "localhost"));
    if (!localHost) return {};
    rest.remove_prefix(slash);
  }
  if (!rest.starts_with('/')) return {};
  // Only the path: a query or fragment is not part of a file name.
  rest = rest.substr(0, rest.find_first_of("?#"));
  return DecodePercentBytes(rest);
}

DroppedLink DecideDroppedLink(const std::vector<std::string>& urls) {
  DroppedLink drop;
  for (const std::string& url : urls) {
    std::string path = LocalFileUrlPath(url);
    if (!path.empty()) drop.files.push_back(std::move(path));
  }
  if (!drop.files.empty()) {
    drop.kind = DropKind::Files;
    return drop;
  }
  const auto link = std::find_if(urls.begin(), urls.end(), [](const std::string& url) { return IsWebLink(url); });
  if (link == urls.end()) return drop;

  std::string address = EncodeAddressBytes(TrimAscii(*link));
  const bool endsInPdf = address.size() >= 4 && ByteReading::Upper(address.substr(address.size() - 4)) == ".PDF";
  if (!endsInPdf) address = ExtractPdfAddress(address, "PDF");
  if (address.empty()) {
    drop.kind = DropKind::NotPdf;
    return drop;
  }
  const PercentDecoded decoded = DecodePercent(address);
  drop.kind = DropKind::Link;
  drop.fetchUrl = address;
  drop.address = address;  // ASCII: the CP932 form is the same bytes
  drop.fileName = AfterLastSlash(decoded.text.empty() ? address : decoded.text);
  drop.decodedFromUtf8 = decoded.utf8;
  return drop;
}

}  // namespace folidex
