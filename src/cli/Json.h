#pragma once
// One JSON object per line for `--json` output: UTF-8 values under the record's field tags, so
// scripts need not split tab-separated cells.

#include <string>
#include <string_view>

namespace folidex::cli {

// `text` as a JSON string: quotes, backslashes and control characters escaped; a byte sequence
// that is not UTF-8 becomes U+FFFD, so the output is always valid JSON.
std::string JsonQuote(std::string_view text);

// Builds one object: {"key":value,...}.
class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view utf8Text);
  JsonObject& Add(std::string_view key, long number);
  // The object and a line end.
  std::string Line() const { return text_ + "}\n"; }

 private:
  void Key(std::string_view key);
  std::string text_ = "{";
};

}  // namespace folidex::cli
