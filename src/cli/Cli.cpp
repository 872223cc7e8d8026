#include "cli/Cli.h"

#include <unistd.h>

#include "cli/Json.h"
#include "cli/Terminal.h"
#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/FileSystem.h"
#include "common/Messages.h"
#include "list/ListCommands.h"
#include "list/SavedLists.h"

namespace folidex::cli {

Answer CliPrompter::Show(MessageKind kind, const std::string& text) {
  ++shown;
  std::cerr << Cp932ToUtf8(text) << '\n';
  switch (kind) {
    case MessageKind::Error:
    case MessageKind::Information:
      return Answer::Ok;
    case MessageKind::RetryCancel:
      return Answer::Cancel;
    default:
      return answerNo ? Answer::No : Answer::Yes;
  }
}

std::string Out(const std::string& cp932) { return Cp932ToUtf8(cp932); }

std::string RowJson(const ListRows::Cells& cells) {
  JsonObject object;
  for (int column = 0; column < ListRows::kColumns; ++column)
    if (*kListColumnKeys[column] != '\0') object.Add(kListColumnKeys[column], Out(cells[column]));
  return object.Line();
}

std::string Filled(Msg id, std::initializer_list<std::string> values) {
  std::string text = MessageText(id);
  int k = 0;
  for (const std::string& value : values) text = ReplaceAllCp932(text, "%" + std::to_string(++k), value);
  return text;
}

int ConfirmOnTerminal(Context& context, const std::string& question) {
  const auto cancelled = [] {
    std::cerr << Line(MessageText(Msg::RemovalCancelled)) << '\n';
    return 1;
  };
  if (context.prompter.answerNo) return cancelled();
  if (::isatty(STDIN_FILENO) != 1) return Fail(Line(MessageText(Msg::RemovalNeedsTerminal)));
  std::cerr << Out(question) << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  if (answer != "y" && answer != "Y" && answer != "yes" && answer != "YES") return cancelled();
  return 0;
}

int Fail(const std::string& utf8Message, int status) {
  std::cerr << "folidex-cli: " << utf8Message << '\n';
  return status;
}

int RequireStore(Context& context) {
  if (!context.store.StoreRoot().empty()) return 0;
  return Fail(MessageTextUtf8(Msg::CliNoStore));
}

int ReadListArgument(Context& context, const std::string& arg, std::vector<ListRows::Cells>& rows) {
  std::string path;
  if (arg.find('/') != std::string::npos) {
    path = arg;
  } else {
    std::string folder = ListFolderPath(context.store);
    if (folder.empty()) return RequireStore(context);
    std::string base = folder + kPathSeparator;
    path = IsFile(base + arg) ? base + arg : base + arg + std::string(kListExtension);
  }
  std::string bytes;
  if (!IsFile(path) || !ReadFileBytes(path, bytes)) return Fail("cannot read list file " + path);
  rows = ParseListFile(bytes);
  return 0;
}

}  // namespace folidex::cli
