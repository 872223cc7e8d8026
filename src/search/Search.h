#pragma once
// The database search: the conditions of the search tab, their validation, confirmation and
// persistence, and the walk over every record of the store.

#include <array>
#include <string>

#include "common/Clock.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex {

// The seven check boxes of the search tab, as saved in section Search.
struct SearchFlags {
  bool zenbun = false;         // full-text mode
  bool onCreationDate = true;  // Chk0: the date range is on the creation date (off: acquisition date)
  bool useDateFrom = false;    // Chk1: the lower date bound is in use
  bool useDateTo = false;      // Chk2: the upper date bound is in use
  bool spaceCut = false;       // remove spaces when matching the full text
  bool addList = false;        // append hits to the list instead of clearing it first
  bool yure = false;           // 表記ゆれ forgiven (Search/Yure; off here: matching as typed)
};

// Reads the seven flags from section Search (with their defaults).
SearchFlags LoadSearchFlags(const Settings& settings);

enum class SearchToggle { Zenbun, CreationDate, DateFrom, DateTo, SpaceCut, AddList, Yure };

// A toggle command: inverts the flag and writes it (0/1) to its Search value at once. For a date
// bound turned on, a date text holding exactly "00000000" (from) or "99999999" (to) is
// replaced by today's date "%Y/%m/%d" (pass the date edit's text, CP932). Returns the new value.
bool ToggleSearchFlag(SearchFlags& flags, SearchToggle toggle, Settings& settings, const Clock& clock,
                      std::string* dateText = nullptr);

// What the search tab holds when ID_DB_SEARCH starts (CP932 texts).
struct SearchInputs {
  std::array<std::string, 6> editTexts;  // ID_EDIT1 .. ID_EDIT6
  std::string date1Text;                 // ID_DATE1; rewritten when the bounds are swapped
  std::string date2Text;                 // ID_DATE2; rewritten when the bounds are swapped
  SearchFlags flags;
};

struct SearchConditions {
  std::array<std::string, 6> goku;  // Goku0..Goku5; Goku4 / Goku5 normalised after collection
  SearchFlags flags;
  std::string dateFrom = "00000000";
  std::string dateTo = "99999999";
  bool hasTextCondition = false;
  bool hasDateCondition = false;
  std::string rawFullTextTerm;  // Goku5 as typed
};

// YYYYMMDD, or empty after an information message prefixed by `label` ("(自) " / "(至) ").
std::string ParseSearchDate(const std::string& text, const std::string& label, Prompter& prompter);
// A date as typed with its full-width digits ０..９ and slashes ／ (CP932) made half-width.
std::string HalfWidthDateText(std::string_view text);

// The summary shown before a search (built before the terms are normalised).
std::string BuildConfirmationText(const SearchConditions& conditions);

// The first half of ID_DB_SEARCH: clears the duplicate colouring, collects and validates the
// conditions, asks about swapped dates, saves Search/Date1, Date2, Goku0..Goku5, confirms when
// KanSet/Kakunin is 1, and normalises the body or full-text term. False: the search is abandoned.
bool CollectSearchConditions(SearchInputs& inputs, ListRows& list, Settings& settings, Prompter& prompter,
                             SearchConditions& conditions);

// The second half: walks serials 0..N-1 of the store, lists the hits (up to KanSet/HitMax),
// repairs the index file, reports progress, the elapsed time (pane 123) and the result.
// Returns the number of hits of this search.
int RunDbSearch(const SearchConditions& conditions, Store& store, ListRows& list, Settings& settings,
                Prompter& prompter, Progress& progress, const Clock& clock);

}  // namespace folidex
