#pragma once
// The bar's home-change command: the page shown now, or a blank page, becomes KanSet/Home.

#include <string>

namespace folidex {

class Settings;
class Prompter;

// Does nothing for an empty address or about:blank. Otherwise asks 30030 (Yes/No/Cancel): Yes
// writes `currentUrl` (CP932) to KanSet/Home, No writes "about:blank"; after either, 30031.
// Cancel changes nothing. Returns true when KanSet/Home was written.
bool ChangeHomePage(const std::string& currentUrl, Settings& settings, Prompter& prompter);

}  // namespace folidex
