#pragma once
// Saved lists: the rows of the list written to a list file in StoreRoot/LIST and read back.
// The current list lives in "ListData.csv" across runs; named lists are "name.list".
//
// File format (CP932, lines ended by CR LF, no header): one line per row, the seventeen cells
// of the row each followed by ","; a "," inside a cell is written "@@", and an "@" that is
// followed by "@" or "," is written "@" and a DEL byte (0x7F), so that every cell reads back as
// written. Writer and reader go byte by byte. Column 0 (the row number at saving time) is
// ignored when reading.

#include <string>
#include <string_view>
#include <vector>

#include "common/Prompter.h"
#include "list/ListRows.h"
#include "store/Store.h"

namespace folidex {

inline constexpr std::string_view kCurrentListFile = "ListData.csv";
inline constexpr std::string_view kListExtension = ".list";
inline constexpr std::size_t kMaxListNameBytes = 100;

// Result codes of SaveListFile and LoadListFile.
enum ListFileResult : int {
  kListFileDone = 1,
  kListFileExists = 2,      // saving a named list that already exists: nothing is written
  kListFileOpenFailed = 3,  // the file (or the list folder) cannot be opened or created
  kListFileMissing = 4,     // the file to read does not exist
};

// StoreRoot/LIST (CP932), created when missing. On failure shows the folder path, a line
// break and 30017, and returns an empty path.
std::string EnsureListFolder(Store& store, Prompter& prompter);

// One line of the list file for a row (with its CR LF).
std::string FormatListLine(const ListRows::Cells& cells);
// The cells of one line (without its line end): field k is column k; column 0 stays empty.
ListRows::Cells ParseListLine(std::string_view line);

// The rows of a list file's bytes, one per line (CR LF or LF), column 0 left empty.
std::vector<ListRows::Cells> ParseListFile(std::string_view bytes);

// Writes every row to `fileName` (no folder: "ListData.csv" or name + ".list") in the list
// folder. The current-list file is replaced atomically; a named list that exists is never
// overwritten (result 2). A failed write leaves no partial file and gives 3.
int SaveListFile(const ListRows& list, Store& store, Prompter& prompter, const std::string& fileName);

// Appends the rows of `fileName` in the list folder to the list, numbered on from the rows
// already there, not selected; the duplicate table is not touched.
int LoadListFile(ListRows& list, Store& store, Prompter& prompter, const std::string& fileName);

// The first of \ / : * ? " < > | (tested in that order) that occurs in `name` as a character,
// or an empty text.
std::string FindBadNameChar(std::string_view name);
// What makes `name` unusable as a list name, for message 30042: a character FindBadNameChar
// finds, "." for a name beginning with a dot (hidden: no dialog would show it), or
// "(空白のみ)" for a name of spaces only; an empty text for a good name.
std::string FindBadListName(std::string_view name);

// The number of lines of the file (native path) that contain at least one ","; -1 after 30026
// when the file cannot be opened.
long CountListEntries(const std::string& path, Prompter& prompter);

}  // namespace folidex
