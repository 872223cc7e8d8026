// folidex-cli [--settings FILE] [--store DIR] COMMAND [ARGS...]

#include <QCoreApplication>
#include <QString>
#include <cstring>
#include <iostream>
#include <map>

#include "cli/Cli.h"
#include "common/Cp932.h"
#include "common/qt/QtSettings.h"

namespace {

using folidex::cli::Context;

struct Command {
  int (*run)(Context&);
  const char* synopsis;
};

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"record", {folidex::cli::CommandRecord, "record SERIAL        the seventeen fields of a record"}},
      {"counter", {folidex::cli::CommandCounter, "counter              the serial counter"}},
      {"search",
       {folidex::cli::CommandSearch,
        "search [--title T ... --body B | --all TEXT [--space-cut]] [--created|--acquired] [--from D] [--to D] "
        "[--max N]\n                       the database search; each hit as the row's seventeen cells"}},
      {"import",
       {folidex::cli::CommandImport,
        "import [--copy|--link] [--skip-duplicates] [--no-ocr] PATH...\n                       PDF files and folders "
        "(recursively, *.pdf) into the store: --copy keeps a copy in the store, --link only the\n"
        "                       file's path (default: the desktop program's last choice); --skip-duplicates skips "
        "PDFs\n                       already stored (same SHA-256); --no-ocr stores image-only pages without "
        "text recognition"}},
      {"info", {folidex::cli::CommandInfo, "info FILE.pdf...     what the import reads from each PDF: PT..PM"}},
      {"ocr", {folidex::cli::CommandOcr, "ocr FILE.pdf         text recognised on the PDF's pages that have no text"}},
      {"list",
       {folidex::cli::CommandList, "list FILE|NAME       rows of a saved list: a path, or a name in DOCDATA/LIST"}},
      {"export",
       {folidex::cli::CommandExport,
        "export [LIST] OUT.xlsx the list as a workbook (LIST: a path or a name in DOCDATA/LIST, default "
        "ListData.csv)"}},
      {"dupes",
       {folidex::cli::CommandDupes,
        "dupes [--all | LIST] duplicate PDFs in all records, or in a saved list (ListData.csv)"}},
  };
  return commands;
}

int Usage() {
  std::cerr << "usage: folidex-cli [--settings FILE] [--store DIR] [--no] COMMAND [ARGS...]\n"
               "  --settings FILE   settings file in the desktop program's format (default: the user's)\n"
               "  --store DIR       storage location for this run (overrides KanSet/StorePath)\n"
               "  --no              answer No to questions (default: Yes)\n"
               "commands:\n";
  for (const auto& [name, command] : Commands()) std::cerr << "  " << command.synopsis << '\n';
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QString settingsFile;
  std::string storeDir;
  bool answerNo = false;
  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    std::string option = argv[i];
    if (option == "--settings" && i + 1 < argc) {
      settingsFile = QString::fromLocal8Bit(argv[++i]);
    } else if (option == "--store" && i + 1 < argc) {
      storeDir = argv[++i];
    } else if (option == "--no") {
      answerNo = true;
    } else if (option == "--help" || option == "-h") {
      Usage();
      return 0;
    } else {
      break;  // a command's own option
    }
  }
  if (i >= argc) return Usage();
  auto command = Commands().find(argv[i]);
  if (command == Commands().end()) {
    std::cerr << "folidex-cli: unknown command " << argv[i] << '\n';
    return Usage();
  }

  folidex::QtSettings settings = settingsFile.isEmpty() ? folidex::QtSettings() : folidex::QtSettings(settingsFile);
  folidex::cli::CliPrompter prompter;
  prompter.answerNo = answerNo;
  folidex::Store store(settings, prompter);
  store.SetLocation(storeDir.empty() ? settings.GetPath(folidex::setting::StorePath) : storeDir);

  Context context{settings, prompter, store, {}};
  for (int a = i + 1; a < argc; ++a) context.args.emplace_back(argv[a]);
  int status = command->second.run(context);
  settings.Sync();
  return status;
}
