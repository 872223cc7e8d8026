#pragma once
// Finding a stored record by its document's SHA-256 (Y2) before an import writes anything, so
// that the same document is not stored twice without a word.

#include <optional>
#include <string>
#include <unordered_map>

#include "store/Store.h"

namespace folidex {

struct StoredDocument {
  std::string serial;
  std::string title;  // PT, CP932
};

// The first record (lowest serial) whose Y2 is `digestHex` (either letter case), or nothing.
// Every record file of the store is opened, but only its lines up to TX are read; a missing or
// unreadable record file is passed over. The working record is not touched.
std::optional<StoredDocument> FindStoredDigest(Store& store, const std::string& digestHex);

// The Y2 (upper case) of the records from serial `from` up to `to` (excluded), each with the
// record's serial; a missing or unreadable record file is passed over. An existing entry stays.
void CollectStoredDigests(Store& store, long from, long to, std::unordered_map<std::string, std::string>& digests);

// The duplicate question naming `stored` (31163, its serial and title, 31165; いいえ the default): true when the import
// goes on.
bool ConfirmDuplicateImport(Prompter& prompter, const StoredDocument& stored);

}  // namespace folidex
