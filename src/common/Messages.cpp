#include "common/Messages.h"

#include <map>

#include "common/Cp932.h"

namespace folidex {
namespace {

struct Entry {
  Msg id;
  const char* text;
};

constexpr Entry kTable[] = {
#define MESSAGE(name, number, text) {Msg::name, text},
#include "common/MessageTable.inc"
#undef MESSAGE
};

const std::map<Msg, std::string>& Converted() {
  static const std::map<Msg, std::string> converted = [] {
    std::map<Msg, std::string> result;
    for (const Entry& entry : kTable) result.emplace(entry.id, Utf8ToCp932(entry.text));
    return result;
  }();
  return converted;
}

}  // namespace

const char* MessageTextUtf8(Msg id) {
  for (const Entry& entry : kTable)
    if (entry.id == id) return entry.text;
  return "";
}

const std::string& MessageText(Msg id) {
  static const std::string empty;
  auto it = Converted().find(id);
  return it == Converted().end() ? empty : it->second;
}

const std::vector<Msg>& AllMessages() {
  static const std::vector<Msg> all = [] {
    std::vector<Msg> ids;
    for (const Entry& entry : kTable) ids.push_back(entry.id);
    return ids;
  }();
  return all;
}

}  // namespace folidex
