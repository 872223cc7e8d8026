#include "common/DocumentName.h"

#include "common/ByteText.h"

#include <cctype>

namespace folidex {
namespace {

std::string LastSegment(std::string_view path) {
  const std::size_t cut = path.find_last_of("/\\");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The value of parameter `name` ("filename", "filename*") in a header, unquoted; npos-safe.
bool ParameterValue(std::string_view header, std::string_view name, std::string& value) {
  const std::string lower = Lower(header);
  std::size_t pos = 0;
  while ((pos = lower.find(name, pos)) != std::string::npos) {
    const bool startsParameter = pos == 0 || lower[pos - 1] == ';' || lower[pos - 1] == ' ' || lower[pos - 1] == '\t';
    std::size_t at = pos + name.size();
    while (at < lower.size() && (lower[at] == ' ' || lower[at] == '\t')) ++at;
    if (!startsParameter || at >= lower.size() || lower[at] != '=') {
      pos += name.size();
      continue;
    }
    ++at;
    while (at < header.size() && (header[at] == ' ' || header[at] == '\t')) ++at;
    value.clear();
    if (at < header.size() && header[at] == '"') {
      for (++at; at < header.size() && header[at] != '"'; ++at) {
        if (header[at] == '\\' && at + 1 < header.size()) ++at;
        value.push_back(header[at]);
      }
    } else {
      const std::size_t end = header.find(';', at);
      value = std::string(header.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
      while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    }
    return true;
  }
  return false;
}

}  // namespace

std::string DispositionFileName(std::string_view header) {
  std::string value;
  if (ParameterValue(header, "filename*", value)) {
    // charset'language'percent-encoded
    const std::size_t first = value.find('\'');
    const std::size_t second = first == std::string::npos ? std::string::npos : value.find('\'', first + 1);
    if (second != std::string::npos) {
      const std::string name = LastSegment(PercentDecodedBytes(std::string_view(value).substr(second + 1)));
      if (!name.empty()) return name;
    }
  }
  if (ParameterValue(header, "filename", value)) return LastSegment(value);
  return {};
}

std::string KeptDocumentName(std::string_view disposition, std::string_view address) {
  std::string name = DispositionFileName(disposition);
  if (name.empty()) {
    std::string_view path = address.substr(0, address.find_first_of("?#"));
    const std::size_t scheme = path.find("://");
    if (scheme != std::string_view::npos) {
      // Only the path: "http://host" has no segment of its own.
      const std::size_t slash = path.find('/', scheme + 3);
      path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash);
    }
    name = PercentDecodedBytes(LastSegment(path));
  }
  if (name.empty() || name == "." || name == "..") name = "document";
  if (name.find('.') == std::string::npos || name.back() == '.') {
    if (name.back() == '.') name.pop_back();
    name += ".pdf";
  }
  return name;
}

std::string AddressWithName(std::string_view address, std::string_view name) {
  std::string_view path = address.substr(0, address.find_first_of("?#"));
  const std::size_t slash = path.rfind('/');
  std::string result(slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1));
  if (result.empty()) result = "/";
  return result + std::string(name);
}

}  // namespace folidex
