#include <iostream>

#include "cli/Cli.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "list/RecordRow.h"
#include "store/Trash.h"

namespace folidex::cli {
namespace {

// The title of a trashed record, read from its file in the trash.
std::string TrashedTitle(const TrashedRecord& record) {
  std::string bytes;
  if (!ReadFileBytes(record.folder + kPathSeparator + record.serial + "." + std::string(kKindText), bytes)) return {};
  IndexRecord fields;
  ParseRecordFile(bytes, true, fields);
  return fields[FieldTag::PT];
}

std::string RunName(const std::string& folder) { return folder.substr(folder.rfind(kPathSeparator) + 1); }

}  // namespace

// restore SERIAL...: deleted records back from the store's trash (the newest deletion of each
// serial). Prints SERIAL<TAB>title for each record put back; a serial not in the trash, or in use
// again, is reported on stderr and the run ends with status 1.
int CommandRestore(Context& context) {
  if (context.args.empty()) return Fail("usage: folidex-cli restore SERIAL...", 2);
  std::vector<std::string> serials;
  for (const std::string& arg : context.args) {
    if (arg.empty() || arg.find_first_not_of("0123456789") != std::string::npos)
      return Fail("not a serial number: " + arg, 2);
    serials.push_back(arg.size() < 8 ? FormatSerial(LeadingNumber(arg)) : arg);
  }
  if (int status = RequireStore(context)) return status;
  if (!context.store.CheckStoreRoot()) return 1;
  int status = 0;
  for (const std::string& serial : serials) {
    switch (RestoreFromTrash(context.store, serial)) {
      case RestoreOutcome::Restored: {
        std::string title;
        if (context.store.ReadRecordFile(serial, true)) title = context.store.WorkingRecord()[FieldTag::PT];
        std::cout << serial << '\t' << Out(title) << '\n';
        continue;
      }
      case RestoreOutcome::NotInTrash:
        std::cerr << serial << ": " << Out(MessageText(Msg::TrashNotThere)) << '\n';
        break;
      case RestoreOutcome::InUse:
        std::cerr << serial << ": " << Out(MessageText(Msg::TrashSerialInUse)) << '\n';
        break;
      case RestoreOutcome::Failed:
        std::cerr << serial << ": " << Out(MessageText(Msg::TrashRestoreFailed)) << '\n';
        break;
    }
    status = 1;
  }
  return status;
}

// trash [--empty [--yes]]: the records in the store's trash, SERIAL<TAB>deleted-at<TAB>title, and
// a summary; --empty removes them for good after a y on the terminal (or --yes).
int CommandTrash(Context& context) {
  bool empty = false, yes = false;
  for (const std::string& arg : context.args) {
    if (arg == "--empty")
      empty = true;
    else if (arg == "--yes")
      yes = true;
    else
      return Fail("usage: folidex-cli trash [--empty [--yes]]", 2);
  }
  if (yes && !empty) return Fail("usage: folidex-cli trash [--empty [--yes]]", 2);
  if (int status = RequireStore(context)) return status;
  if (!context.store.CheckStoreRoot()) return 1;

  const std::vector<TrashedRecord> records = TrashContents(context.store);
  const std::string size = GroupDigits(std::to_string(TrashSize(context.store)));
  if (!empty) {
    for (const TrashedRecord& record : records)
      std::cout << record.serial << '\t' << RunName(record.folder) << '\t' << Out(TrashedTitle(record)) << '\n';
    std::cerr << Out(Filled(Msg::TrashSummary, {std::to_string(records.size()), size})) << '\n';
    return 0;
  }
  if (records.empty() && TrashSize(context.store) == 0) {
    std::cerr << Out(MessageText(Msg::TrashIsEmpty)) << '\n';
    return 0;
  }
  if (!yes) {
    if (int status =
            ConfirmOnTerminal(context, Filled(Msg::TrashEmptyQuestion, {std::to_string(records.size()), size})))
      return status;
  }
  int removed = 0;
  if (!EmptyTrash(context.store, removed)) return Fail(Out(MessageText(Msg::TrashEmptyFailed)));
  std::cerr << Out(MessageText(Msg::TrashEmptied)) << '\n';
  return 0;
}

}  // namespace folidex::cli
