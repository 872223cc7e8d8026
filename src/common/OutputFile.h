#pragma once
// New output files (exported workbooks, Word documents): written completely under a hidden
// temporary name in the destination folder, flushed, then given their final name in one step
// that never replaces a file already there. A failure leaves neither a partial file nor a
// changed old one.

#include <string>
#include <string_view>

namespace folidex {

enum class NewFileResult { Done, Exists, Failed };

// Creates an empty file with a hidden unique name beginning with `stem` in `folder`, with the
// permissions an ordinary new file gets. Returns its path, or an empty text on failure.
std::string CreateTemporaryFileIn(const std::string& folder, std::string_view stem);

// Flushes a finished file to the disk.
bool SyncFile(const std::string& path);

// Gives the file at `from` the name `to` unless something (a file, a folder, a link) is there
// already: Exists then, and `from` stays. Atomic where the file system allows.
NewFileResult PublishWithoutReplacing(const std::string& from, const std::string& to);

// Writes `bytes` as the new file `path` (temporary file, flush, PublishWithoutReplacing).
NewFileResult WriteNewFile(const std::string& path, std::string_view bytes);

// The folder part of a path ("." for a bare name, "/" for a name in the root).
std::string ParentFolder(const std::string& path);

// True when something is at `path`, a dangling link included.
bool NameTaken(const std::string& path);

}  // namespace folidex
