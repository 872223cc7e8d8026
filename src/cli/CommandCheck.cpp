#include <unistd.h>

#include <iostream>

#include "cli/Cli.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "store/StoreCheck.h"

namespace folidex::cli {

// check: examines the store and prints one summary line of counts, then one line per problem,
// "path: message". Reads only: nothing is written and the writer's lock is not taken, so it may
// run beside an import. Exit status 0 without problems, 1 with, 2 for a usage error or no store.
int CommandCheck(Context& context) {
  if (!context.args.empty()) return Fail("usage: folidex-cli [--store DIR] check", 2);
  if (context.store.StoreRoot().empty()) return Fail(MessageTextUtf8(Msg::CliNoStore), 2);
  const std::string root = context.store.StoreRoot();
  if (!IsDirectory(root)) {
    std::cerr << root << '\n' << MessageTextUtf8(Msg::StoreFolderMissing) << '\n';
    return 2;
  }

  CheckInputs inputs;
  inputs.storeRoot = root;
  inputs.sysNo = context.settings.GetText(setting::SerialCounter);
  inputs.settingsPath = context.settings.Location();
  const bool tty = ::isatty(STDERR_FILENO) == 1;
  if (tty) {
    inputs.progress = [](long done, long total) { std::cerr << "\r[" << done << '/' << total << "] " << std::flush; };
  }
  const CheckReport report = CheckStore(inputs);
  if (tty) std::cerr << "\r\033[K" << std::flush;

  std::string summary = MessageText(Msg::CheckSummary);
  const long counts[] = {report.records, report.copies, static_cast<long>(report.problems.size()), report.temporaries,
                         report.duplicateGroups};
  for (int k = 0; k < 5; ++k)
    summary = ReplaceAllCp932(summary, "%" + std::to_string(k + 1), std::to_string(counts[k]));
  std::cout << Out(summary) << '\n';
  for (const CheckFinding& problem : report.problems) std::cout << problem.path << ": " << Out(problem.text) << '\n';
  return report.problems.empty() ? 0 : 1;
}

}  // namespace folidex::cli
