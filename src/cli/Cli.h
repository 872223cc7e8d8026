#pragma once
// folidex-cli: the store and search from a terminal. Each command is a function over the shared
// context below, registered in the command table of main.cpp.

#include <initializer_list>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex::cli {

// Messages go to stderr as UTF-8; questions are answered Yes unless --no was given.
class CliPrompter : public Prompter {
 public:
  bool answerNo = false;
  int shown = 0;
  Answer Show(MessageKind kind, const std::string& text) override;
};

struct Context {
  Settings& settings;
  CliPrompter& prompter;
  Store& store;
  std::vector<std::string> args;  // the command's own arguments (UTF-8, as typed)
  bool json = false;              // --json: one JSON object per line instead of tab-separated cells
};

// UTF-8 output of a CP932 text.
std::string Out(const std::string& cp932);

// One list row as a JSON object line (columns by kListColumnKeys; the blank column left out).
std::string RowJson(const ListRows::Cells& cells);

// A message's text (CP932) with %1, %2, ... replaced by `values` in turn.
std::string Filled(Msg id, std::initializer_list<std::string> values);

// Asks the CP932 `question` on the terminal before something is removed for good: 0 when the
// user typed y (or yes); otherwise the exit status 1 after saying why (--no was given, no
// terminal to ask on, another answer).
int ConfirmOnTerminal(Context& context, const std::string& question);

// Prints "folidex-cli: <message>" to stderr and returns the exit status 2 (usage) or 1.
int Fail(const std::string& utf8Message, int status = 1);

// The rows of the saved list an argument names: a path when it holds a "/", otherwise a name in
// the store's list folder (with or without ".list"; "ListData.csv" is the current list).
// Returns 0, or the exit status after an error message.
int ReadListArgument(Context& context, const std::string& arg, std::vector<ListRows::Cells>& rows);

// 0 when a storage location is set; otherwise says so, naming init and --store, and returns 1.
int RequireStore(Context& context);

// Commands: exit status 0 on success.
int CommandRecord(Context& context);
int CommandCounter(Context& context);
int CommandList(Context& context);
int CommandDupes(Context& context);
int CommandSearch(Context& context);
int CommandInfo(Context& context);
int CommandExport(Context& context);
int CommandOcr(Context& context);
int CommandImport(Context& context);
// import --watch / --once: the inbox (CommandInbox.cpp).
int CommandImportInbox(Context& context);
int CommandRetext(Context& context);
int CommandInit(Context& context);
int CommandRestore(Context& context);
int CommandTrash(Context& context);
int CommandCheck(Context& context);
int CommandIndex(Context& context);

}  // namespace folidex::cli
