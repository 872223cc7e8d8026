#include <cstdio>
#include <memory>
#include <string>

#include "cli/Cli.h"
#include "common/Clock.h"
#include "common/Cp932.h"
#include "common/Progress.h"
#include "list/ListRows.h"
#include "pdf/WorkerEngine.h"
#include "search/Places.h"
#include "search/Search.h"
#include "search/SearchRun.h"

namespace folidex::cli {
namespace {

constexpr const char* kUsage =
    "usage: folidex-cli search [--title T] [--author A] [--subtitle S] [--keywords K] [--body B]\n"
    "                          | --all TEXT [--space-cut]\n"
    "                          [--created | --acquired] [--from YYYY/MM/DD] [--to YYYY/MM/DD] [--max N]\n"
    "                          [--exact | --fold] [--scan | --index] [--json | --context]";

constexpr std::size_t kShownPlaces = 3;

bool ParseCount(const std::string& text, long& value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::stol(text);
  return value > 0;
}

}  // namespace

// search: the database search with the conditions given as options (terms UTF-8), questions
// answered as --no says. Conditions are checked, saved and confirmed as the program's search
// command does; messages go to stderr, and each hit is printed as the seventeen cells of its
// list row, tab-separated (or as one JSON object a line with --json), with --context followed by
// a line for each of the first three places of the body term, indented with a tab.
int CommandSearch(Context& context) {
  SearchInputs inputs;
  inputs.flags = SearchFlags{};
  // 表記ゆれ as the settings say (absent: forgiven); --exact / --fold decide for this run only.
  inputs.flags.yure = context.settings.GetInt(setting::Yure) != 0;
  SearchRunOptions options;
  bool fieldTerm = false, created = false, acquired = false, showPlaces = false;
  const std::vector<std::string>& args = context.args;
  for (std::size_t a = 0; a < args.size(); ++a) {
    const std::string& option = args[a];
    auto value = [&](std::string& out) {
      if (a + 1 >= args.size()) return false;
      out = args[++a];
      return true;
    };
    std::string text;
    int field = option == "--title"      ? 0
                : option == "--author"   ? 1
                : option == "--subtitle" ? 2
                : option == "--keywords" ? 3
                : option == "--body"     ? 4
                                         : -1;
    if (field >= 0) {
      if (!value(text)) return Fail(kUsage, 2);
      inputs.editTexts[field] = Utf8ToCp932(text);
      fieldTerm = true;
    } else if (option == "--all") {
      if (!value(text)) return Fail(kUsage, 2);
      inputs.editTexts[5] = Utf8ToCp932(text);
      inputs.flags.zenbun = true;
    } else if (option == "--context") {
      showPlaces = true;
    } else if (option == "--space-cut") {
      inputs.flags.spaceCut = true;
    } else if (option == "--scan" || option == "--index") {
      options.useIndex = option == "--index" ? 1 : 0;  // this run only; absent: KanSet/Index
    } else if (option == "--exact" || option == "--fold") {
      inputs.flags.yure = option == "--fold";
    } else if (option == "--created") {
      created = true;
    } else if (option == "--acquired") {
      acquired = true;
    } else if (option == "--from") {
      if (!value(text)) return Fail(kUsage, 2);
      inputs.date1Text = Utf8ToCp932(text);
      inputs.flags.useDateFrom = true;
    } else if (option == "--to") {
      if (!value(text)) return Fail(kUsage, 2);
      inputs.date2Text = Utf8ToCp932(text);
      inputs.flags.useDateTo = true;
    } else if (option == "--max") {
      if (!value(text) || !ParseCount(text, options.hitMax)) return Fail(kUsage, 2);
    } else {
      return Fail(kUsage, 2);
    }
  }
  if ((fieldTerm && inputs.flags.zenbun) || (created && acquired) || (inputs.flags.spaceCut && !inputs.flags.zenbun) ||
      (showPlaces && context.json))
    return Fail(kUsage, 2);
  inputs.flags.onCreationDate = !acquired;
  if (int status = RequireStore(context)) return status;

  ListRows list;
  SearchConditions conditions;
  if (!CollectSearchConditions(inputs, list, context.settings, context.prompter, conditions)) return 1;
  NullProgress progress;
  SystemClock clock;
  SearchRunResult result =
      RunDbSearch(conditions, context.store, list, context.settings, context.prompter, progress, clock, options);
  if (!result.ran) return 1;

  // The places of the body term: the record's PDF read by a worker (the store's copy or the
  // outside file), else its stored text.
  const PlaceMatcher places(conditions);
  std::unique_ptr<WorkerPool> pool;
  std::unique_ptr<WorkerPdfEngine> pdf;
  if (showPlaces && places.HasTerm()) {
    const std::string worker = WorkerProgramPath();
    if (!worker.empty()) {
      pool = std::make_unique<WorkerPool>(std::vector<std::string>{worker}, ReadWorkerLimits(context.settings));
      pdf = std::make_unique<WorkerPdfEngine>(*pool, [] { return false; });
    }
  }
  std::string out;
  for (const ListRows::Row& row : list.Rows()) {
    if (context.json) {
      out += RowJson(row.cells);
      continue;
    }
    for (int c = 0; c < ListRows::kColumns; ++c) {
      if (c > 0) out += '\t';
      out += Out(row.cells[c]);
    }
    out += '\n';
    if (!showPlaces || !places.HasTerm()) continue;
    const Places found = FindPlacesOfRecord(places, context.store, pdf.get(), row.cells[1], kShownPlaces);
    for (const Place& place : found.places) out += '\t' + Out(PlaceLine(place)) + '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

}  // namespace folidex::cli
