#include "html/HomePage.h"

#include "common/Prompter.h"
#include "common/Settings.h"

namespace folidex {

bool ChangeHomePage(const std::string& currentUrl, Settings& settings, Prompter& prompter) {
  if (currentUrl.empty() || currentUrl == "about:blank") return false;
  Answer answer = prompter.AskYesNoCancel(30030);
  if (answer == Answer::Yes) {
    settings.SetText(setting::Home, currentUrl);
  } else if (answer == Answer::No) {
    settings.SetText(setting::Home, "about:blank");
  } else {
    return false;
  }
  prompter.Information(30031);
  return true;
}

}  // namespace folidex
