#include <unistd.h>

#include <iostream>

#include "cli/Cli.h"
#include "common/Messages.h"
#include "common/SettingsTable.h"
#include "store/NewStore.h"

namespace folidex::cli {

// init DIR [--force] [--use]: a new, empty store at DIR; --use makes DIR the storage location
// in the settings with the serial counter at 0, as choosing it in the settings sheet does.
int CommandInit(Context& context) {
  const char* usage = "usage: folidex-cli init DIR [--force] [--use]";
  std::string dir;
  bool force = false, use = false;
  for (const std::string& arg : context.args) {
    if (arg == "--force")
      force = true;
    else if (arg == "--use")
      use = true;
    else if (!arg.empty() && arg[0] != '-' && dir.empty())
      dir = arg;
    else
      return Fail(usage, 2);
  }
  if (dir.empty()) return Fail(usage, 2);
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir[0] != '/') {  // relative to the current folder
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) dir = std::string(cwd) + (dir == "." ? "" : "/" + dir);
  }

  Msg refusal = Msg::InitCannotCreate;
  switch (CreateNewStore(dir, force)) {
    case NewStoreResult::Created:
      refusal = Msg::InitCreated;
      break;
    case NewStoreResult::NotAbsolute:
      refusal = Msg::InitNotAbsolute;
      break;
    case NewStoreResult::NotAFolder:
      refusal = Msg::InitNotAFolder;
      break;
    case NewStoreResult::HasStore:
      refusal = Msg::InitHasStore;
      break;
    case NewStoreResult::NotEmpty:
      refusal = Msg::InitNotEmpty;
      break;
    case NewStoreResult::CannotCreate:
      break;
  }
  if (refusal != Msg::InitCreated) return Fail(dir + ": " + MessageTextUtf8(refusal));
  std::cerr << dir << ": " << MessageTextUtf8(Msg::InitCreated) << '\n';
  if (use) {
    context.settings.SetPath(setting::StorePath, NativePath(dir));
    context.settings.SetText(setting::SerialCounter, "00000000");
    std::cerr << dir << ": " << MessageTextUtf8(Msg::InitInUse) << '\n';
  }
  return 0;
}

}  // namespace folidex::cli
