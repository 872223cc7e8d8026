#pragma once
// The text dialog's work without its widgets: reading the record to show, saving the edited
// text as the record's TX and TS lines, the text-size cell of the list, and the dialog's
// placement in the TextDlg settings.

#include <optional>
#include <string>
#include <string_view>

#include "common/Prompter.h"
#include "common/Settings.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex {

// Reads the record of `serial` into the working record for the text dialog. A record file
// that is missing or cannot be read shows its path, a line break and 30026 (an oversize one
// 31022), so a double-click never fails silently. True when the working record holds it.
bool LoadTextRecord(Store& store, Prompter& prompter, std::string_view serial);

// Saves `shown` (the text as the dialog shows it, CP932): TX = NormalizeBodyText(shown), TS =
// its length in bytes. Only the TX and TS lines of the record file change; every other byte
// stays. The working record takes the new values too. On failure the record file's message is
// shown and nothing changes. Returns the new TS text, or nothing after a failure.
std::optional<std::string> SaveBodyText(Store& store, Prompter& prompter, std::string_view serial,
                                        const std::string& shown);

// After a save: the first selected row shows the new size, grouped, in its text-size cell —
// when that row is the record's row.
void ShowTextSize(ListRows& list, std::string_view serial, const std::string& textSize);

// The text dialog's normal rectangle and maximised state.
struct DialogPlacement {
  long x = 0;
  long y = 0;
  long width = 640;
  long height = 480;
  bool maximised = false;
};

// The smallest size the dialog takes from the settings (a damaged value of 0 would hide it).
inline constexpr long kTextDlgMinWidth = 320;
inline constexpr long kTextDlgMinHeight = 200;

DialogPlacement ReadTextDlgPlacement(const Settings& settings);
// Writes PX and PY (never below 0), SX, SY and Zoomed.
void WriteTextDlgPlacement(Settings& settings, const DialogPlacement& placement);

}  // namespace folidex
