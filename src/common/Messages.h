#pragma once
// The program's string resources, numbered as the program numbers them: messages 30001..30076
// and 30163, the version history 30200..30204, and the descriptions of a few commands.
// Every text is kept here once; MessageText returns its CP932 form.

#include <string>

namespace folidex {

// The CP932 text of resource `id`; an unknown id gives an empty text.
const std::string& MessageText(int id);

// The resource as UTF-8 (for tests and the terminal).
const char* MessageTextUtf8(int id);

}  // namespace folidex
