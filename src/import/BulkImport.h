#pragma once
// Adding many PDFs at once without the desktop program (folidex-cli import). Each file becomes the
// record a dropped file becomes — the same fields, the same serials, the same normalised text —
// except that the body text comes straight from the PDF engine (every page's text joined with
// CR LF, as the viewer's copy gives it) instead of through the viewer, and pages without text are
// read by the text recognizer when it is available and wanted.
//
// A file is written only when everything about it is known: first its serial is reserved (the
// counters saved to disk), then the PDF copy, then the record file. A kill at any moment leaves
// every stored record complete and the counters past it; at most a serial stays without a
// record.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "common/Clock.h"
#include "pdf/DocumentText.h"
#include "pdf/PdfEngine.h"
#include "pdf/RecognizerPool.h"
#include "pdf/TextRecognizer.h"
#include "store/Store.h"

namespace folidex {

struct BulkImportOptions {
  std::string linkKind{"I"};    // kLinkCopy: a copy in the store; kLinkOutside: FG only
  bool skipDuplicates = false;  // skip a file whose SHA-256 is the Y2 of a stored record
  bool recognise = true;        // recognise pages without text (when the recognizer is ready)
  // A file up to this size is read once into memory: its information keys, its digest and its
  // copy in the store come from the same bytes. A larger one is read again for each, and its
  // copy is stored only when the bytes copied have the digest taken before.
  std::uint64_t heldFileBytes = std::uint64_t{32} << 20;
};

enum class FileOutcome {
  Stored,
  StoredWithoutText,  // stored with TX empty and TS "0"
  Skipped,            // a duplicate
  Failed,             // nothing written for this file
};

struct FileReport {
  FileOutcome outcome = FileOutcome::Failed;
  std::string serial;  // the stored record's serial
  std::string title;   // its PT (CP932)
  std::string note;    // CP932: why it was skipped or failed, or what is worth knowing about it
  int recognisedPages = 0;
  bool stopRun = false;  // the store cannot take records now: the run ends (with a message)
};

// The PDFs named by command-line arguments (native paths): a file as named, whatever its name; a
// folder's files whose names end in ".pdf" in any case, through all its subfolders (symbolic
// links to folders are not followed). Sorted by path, each file once. An argument that is neither
// a file nor a folder is put into `unusable`.
std::vector<NativePath> CollectPdfFiles(const std::vector<NativePath>& args, std::vector<NativePath>& unusable);

// The body text (UTF-16) of the document open in `pdf`, as the import takes it: every page's text
// joined with CR LF; when some page has no text and `recognizer` is given, the pages without text
// are recognised and the others keep their own text. `recognisedPages` counts the recognised
// pages. False when `monitor` stopped the recognition.
bool ReadDocumentBodyText(PdfEngine& pdf, TextRecognizer* recognizer, DocumentTextMonitor& monitor,
                          std::u16string& text, int& recognisedPages);
// The same with the pages recognised at once on the pool's recognizers (null: no recognition).
bool ReadDocumentBodyText(PdfEngine& pdf, RecognizerPool* pool, DocumentTextMonitor& monitor, std::u16string& text,
                          int& recognisedPages);

// A file read and not yet stored: all an import learns about it before it writes.
struct PendingFile {
  NativePath path;
  bool ready = false;  // to be stored; otherwise `report` tells why not (skipped, failed)
  FileReport report;
  IndexRecord info;    // every field the file gives, the body text (TX, TS) included
  std::string digest;  // upper-case SHA-256
  bool held = false;   // `bytes` are the file's bytes (the ones the digest was taken of)
  std::string bytes;
  // The memory the file takes while it waits to be stored.
  std::size_t HeldBytes() const { return bytes.size() + info[FieldTag::TX].size(); }
};

class BulkImporter {
 public:
  // `recognizer` may be null (no recognition). `monitor` reports the recognition of a file's
  // pages and is asked whether to stop.
  BulkImporter(Store& store, const Clock& clock, PdfEngine& pdf, TextRecognizer* recognizer, BulkImportOptions options,
               DocumentTextMonitor& monitor);
  // The same with the recognizers of `pool`, shared by the files read at once.
  BulkImporter(Store& store, const Clock& clock, PdfEngine& pdf, RecognizerPool& pool, BulkImportOptions options,
               DocumentTextMonitor& monitor);

  // Reads the Y2 of every record of the store (with skipDuplicates). False after a message when
  // the counter cannot be read.
  bool Prepare();

  // Imports one file.
  FileReport ImportFile(const NativePath& path);

  // The two halves of ImportFile. Read opens the file with `pdf` and takes all there is to
  // know, writing nothing; several files may be read at once, each on its own thread with its
  // own engine. Write stores a file read (serial, copy, record), on one thread at a time.
  PendingFile Read(const NativePath& path, PdfEngine& pdf, DocumentTextMonitor& monitor);
  FileReport Write(PendingFile& file);

  // Imports `files` in their order, reading as many at once as `engines` has engines, each file
  // on a thread of its own; the records are stored one after the other in the files' order
  // (each complete before the next serial is taken), and `stored` hears of each file in that
  // order on this thread. When it answers false, or the monitor asks to stop, the files not yet
  // stored are left alone. The monitor is called one call at a time, from the reading threads.
  // The writer's lock stays held from one file to the next while the next one is already read
  // (for at most a second at a time); it is let go whenever the files wait for the engine.
  void ImportFiles(const std::vector<NativePath>& files, const std::vector<PdfEngine*>& engines,
                   const std::function<bool(std::size_t, const FileReport&)>& stored);

  // Whether recognition will run for files that need it.
  bool Recognising() const { return recognising_; }

 private:
  bool KnownDigest(const std::string& digest);
  // The body text's fields (TX, TS) of `file` from the engine's text; false after a note.
  bool PrepareText(PendingFile& file, const std::u16string& text);

  Store& store_;
  const Clock& clock_;
  PdfEngine& pdf_;
  TextRecognizer* recognizer_;
  RecognizerPool* pool_ = nullptr;
  BulkImportOptions options_;
  DocumentTextMonitor& monitor_;
  bool recognising_ = false;
  bool autoTitle_ = false;
  std::mutex mutex_;  // the settings and the digests, between reading and storing threads
  std::unordered_set<std::string> digests_;
  bool keepLock_ = false;  // Write leaves the writer's lock in heldLock_
  StoreWriteLock heldLock_;
};

}  // namespace folidex
