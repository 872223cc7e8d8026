#include "html/HomePage.h"

#include "common/Prompter.h"
#include "common/Settings.h"

namespace folidex {

bool ChangeHomePage(const std::string& currentUrl, Settings& settings, Prompter& prompter) {
  if (currentUrl.empty() || currentUrl == "about:blank") return false;
  Answer answer = prompter.AskYesNoCancel(Msg::SetHomeQuestion);
  if (answer == Answer::Yes) {
    settings.SetText(setting::Home, currentUrl);
  } else if (answer == Answer::No) {
    settings.SetText(setting::Home, "about:blank");
  } else {
    return false;
  }
  prompter.Information(Msg::HomeSet);
  return true;
}

}  // namespace folidex
