#pragma once
// The program's string resources by name: Msg::FileOpenFailed is message 30026, and so on.
// Every text is kept once, in MessageTable.inc; MessageText returns its CP932 form.

#include <string>
#include <vector>

namespace folidex {

enum class Msg : int {
#define MESSAGE(name, number, text) name = number,
#include "common/MessageTable.inc"
#undef MESSAGE
};

// The resource's number as the program numbers it.
constexpr int MessageNumber(Msg id) { return static_cast<int>(id); }

// The CP932 text of a resource; a number without a text gives an empty text.
const std::string& MessageText(Msg id);

// The resource as UTF-8 (for the widgets' own texts, tests and the terminal).
const char* MessageTextUtf8(Msg id);

// Every resource of the table, in table order.
const std::vector<Msg>& AllMessages();

}  // namespace folidex
