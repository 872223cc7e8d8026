#pragma once
// Adding a PDF: a file dropped on the list area, a link to a PDF, or the PDF the HTML area
// shows. Each entry brings the PDF to a local file and shows it in the HTML area; then one
// pipeline, ImportDocument, gives it the next serial, fills the file fields, keeps a copy in the
// store (unless it is an outside link), captures the body text from the viewer, writes the
// record file, lists the record as a selected row and advances the counter.
//
// Paths handed in are native (UTF-8 here); addresses are UTF-8 in their percent-encoded form.
// What the record stores (FN, FG) is CP932.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Clock.h"
#include "common/HtmlArea.h"
#include "common/Progress.h"
#include "common/Prompter.h"
#include "common/Settings.h"
#include "import/Downloader.h"
#include "list/ListRows.h"
#include "pdf/DocumentText.h"
#include "pdf/RecognizerPool.h"
#include "pdf/ViewerBridge.h"
#include "pdf/ViewerCapture.h"
#include "store/Store.h"

namespace folidex {

// The ports and data an import works with.
struct ImportPorts {
  Store& store;
  Settings& settings;
  Prompter& prompter;
  Progress& progress;
  const Clock& clock;
  ListRows& list;
  HtmlArea& html;
  ViewerBridge& viewer;
  Downloader& downloader;
  // Fits the widths of the list's columns (KanSet/ColumnMnt after an import).
  std::function<void()> fitColumns;
  // The PDF engine: the information reader's fallback for metadata it cannot see, and with the
  // recognizers the text recognition of pages without text (KanSet/Ocr), the pages of a document
  // read at once on the pool's recognizers. Null: neither.
  PdfEngine* pdf = nullptr;
  RecognizerPool* recognizers = nullptr;
  // Runs BuildDocumentText for the document open in the engine, behind the desktop program's
  // progress window; unset, it runs directly.
  std::function<DocumentText(PdfEngine&, RecognizerPool&)> recognize = {};
};

// The confirmation dialog's answer for a dropped file: Yes copy, No outside link, Cancel.
using AskLinkKind = std::function<Answer()>;

// The dialog's answer applied: with the box ticked KanSet/Ques becomes 0; KanSet/Link keeps the
// last answer ("I" for Yes, "O" for No). Cancel changes nothing.
void ApplyLinkAnswer(Answer answer, bool dontAskAgain, Settings& settings);

// FC of a PDF fetched from the HTML area: the browser's last-modified text, rearranged from
// MM/DD/YYYY hh:mm:ss to YYYY/MM/DD hh:mm:ss when its third character is "/".
std::string RearrangeLastModified(const std::string& lastModified);

// The last path segment of an address (the text after its last "/"), percent-escapes decoded
// as UTF-8 when they form UTF-8 (kept as they are otherwise), converted to CP932.
std::string AddressFileName(const std::string& address);

// Whether an address (UTF-8) is one the downloader fetches: http or https, either letter case.
bool IsHttpAddress(std::string_view address);

// The native path of a local file address (file:///a.pdf, file://localhost/a.pdf; escapes
// decoded to their bytes); empty for any other address.
NativePath LocalFileAddressPath(std::string_view address);

// True when a path (or a file name) ends in ".pdf" in any case: how a PDF is known by its name.
bool EndsWithPdf(const std::string& path);

// True when a native path has an exact CP932 form (FG can hold it).
bool HasExactCp932Form(const NativePath& nativePath);

// FS, FC (the file's own time), FA (now) and Y2 of `record` for a local file; the import of a
// dropped file and folidex-cli import fill them alike.
void FillLocalFileFields(IndexRecord& record, const NativePath& sourcePath, const Clock& clock);
// The same for a file already read: FS and Y2 are those of its `size` bytes read and their
// `digest`, not of the file as it is now.
void FillLocalFileFields(IndexRecord& record, const NativePath& sourcePath, const Clock& clock, std::uint64_t size,
                         std::string digest);

// With KanSet/AutoTitle 1, an empty PT becomes the title derived from the first page's `heading`
// (else the file name `fileName` without ".pdf"); the import of a dropped file, of a link,
// of the shown PDF and folidex-cli import derive it alike.
void FillDerivedTitle(IndexRecord& record, Settings& settings, std::u16string_view heading, const Cp932Text& fileName);

// Whether text recognition may run: KanSet/Ocr on, and an engine and recognizer that are ready.
bool RecognitionAvailable(Settings& settings, PdfEngine* pdf, TextRecognizer* recognizer);
bool RecognitionAvailable(Settings& settings, PdfEngine* pdf, RecognizerPool* recognizers);

class Importer {
 public:
  explicit Importer(ImportPorts ports);

  // Files dropped on the list area (native paths). Several: 30008. One that is not a PDF, or a
  // relative path: ignored. The link kind comes from `ask` (KanSet/Ques 1) or KanSet/Link.
  void ImportDroppedFile(const std::vector<NativePath>& paths, const AskLinkKind& ask);
  // A link to a PDF dropped on the list area: downloaded, shown, then imported (always a copy).
  // `fileName` (CP932) is FN; empty: the address's last segment.
  void ImportFromUrl(const std::string& address, const std::string& fileName = {});
  // "PDF 取得": the PDF the HTML area shows, downloaded and imported at once. The caller has
  // emptied the working record. True when stored.
  bool ImportShownPdf();

  // An import waits for the HTML area to load the document: the list area's timer (1000 ms)
  // calls Tick while Waiting. After at most 21 ticks the import runs.
  bool Waiting() const { return pending_; }
  void Tick();

  // The common pipeline. `url` the address of a fetched page (empty for a drop), `keySource` the
  // text the viewer title key is made from (the native path of a dropped file, the address of a
  // fetched one: UTF-8 either way). True when stored.
  bool ImportDocument(const NativePath& sourcePath, const std::string& url, const std::string& keySource);

  // Fills TY and FN (only with `url`), FS, FC, FA and Y2 of the working record.
  void FillFileFields(const std::string& url, const NativePath& sourcePath);

  // How long the text capture waits for the viewer (a hundred polls, 100 ms apart).
  void SetCaptureTiming(CaptureTiming timing) { timing_ = timing; }

  // Downloads `address` into tmp.pdf of the work folder; its native path, or empty after 30076
  // (also for an answer whose first byte is "<": a web page instead of a PDF).
  NativePath DownloadPdf(const std::string& address);

 private:
  void Wait(const NativePath& sourcePath, bool fromLink);
  // Whether the engine opens the file within its limits; after the engine's message when not
  // (31121 not a PDF, 31122 damaged, 31123 encrypted, or why the engine gave up). A file that
  // hangs, exhausts or defeats the engine never reaches the viewer pane or the store.
  // When a stored record's Y2 is this file's digest: whether the user still wants it stored.
  bool AcceptsDuplicate(const NativePath& path);
  // While it is open, the first page's heading is kept for the title (KanSet/AutoTitle 1).
  bool EngineAccepts(const NativePath& path);
  // The document's text into the work text file: captured from the viewer, or recognised when the
  // document (or some of its pages) has no text to capture. False when there is none.
  bool TakeBodyText(const NativePath& sourcePath, const std::string& key, const NativePath& workText);
  bool RecogniseBodyText(const NativePath& workText);

  ImportPorts ports_;
  CaptureTiming timing_;
  bool pending_ = false;
  NativePath pendingSource_;
  bool pendingFromLink_ = false;
  std::u16string heading_;  // of the file EngineAccepts opened last
};

}  // namespace folidex
