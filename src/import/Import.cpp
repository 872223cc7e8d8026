#include "import/Import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/ByteText.h"
#include "common/Cp932.h"
#include "common/DocumentName.h"
#include "common/FileSystem.h"
#include "import/StoredDigest.h"
#include "list/RecordRow.h"
#include "pdf/DerivedTitle.h"
#include "pdf/PdfInfo.h"
#include "pdf/ViewerCapture.h"
#include "store/Digest.h"

namespace folidex {
namespace {

// The most ticks the timed import waits for the document (the 21st runs it anyway).
constexpr int kMostWaitTicks = 20;

bool IsWellFormedUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || (length == 2 && lead < 0xC2) || i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

// The text after the last platform separator of a native path.
NativePath NativeFileName(const NativePath& path) {
  const std::size_t cut = path.str().rfind(kPathSeparator);
  return cut == std::string::npos ? path : NativePath(path.str().substr(cut + 1));
}

}  // namespace

bool IsHttpAddress(std::string_view address) {
  auto startsWith = [address](std::string_view prefix) {
    return address.size() >= prefix.size() && UpperCaseAsciiCp932(std::string(address.substr(0, prefix.size()))) ==
                                                  UpperCaseAsciiCp932(std::string(prefix));
  };
  return startsWith("http://") || startsWith("https://");
}

NativePath LocalFileAddressPath(std::string_view address) {
  constexpr std::string_view kPrefix = "file://";
  if (address.size() <= kPrefix.size() ||
      UpperCaseAsciiCp932(std::string(address.substr(0, kPrefix.size()))) != "FILE://")
    return {};
  std::string_view rest = address.substr(kPrefix.size());
  if (rest.starts_with("localhost/")) rest.remove_prefix(9);
  if (!rest.starts_with('/')) return {};  // another host's file
  rest = rest.substr(0, rest.find_first_of("?#"));
  return NativePath(PercentDecodedBytes(rest));
}

void ApplyLinkAnswer(Answer answer, bool dontAskAgain, Settings& settings) {
  if (answer != Answer::Yes && answer != Answer::No) return;
  if (dontAskAgain) settings.SetInt(setting::Ques, 0);
  settings.SetText(setting::Link, std::string(answer == Answer::Yes ? kLinkCopy : kLinkOutside));
}

std::string RearrangeLastModified(const std::string& lastModified) {
  if (lastModified.size() < 10 || lastModified[2] != '/') return lastModified;
  return lastModified.substr(6, 4) + "/" + lastModified.substr(0, 5) + lastModified.substr(10);
}

std::string AddressFileName(const std::string& address) {
  const std::size_t slash = address.rfind('/');
  const std::string segment = slash == std::string::npos ? address : address.substr(slash + 1);
  const std::string decoded = PercentDecodedBytes(segment);
  return IsWellFormedUtf8(decoded) ? Utf8ToCp932(decoded) : Utf8ToCp932(segment);
}

bool EndsWithPdf(const std::string& path) {
  if (path.size() < 4) return false;
  return UpperCaseAsciiCp932(path.substr(path.size() - 4)) == ".PDF";
}

bool HasExactCp932Form(const NativePath& nativePath) {
  return IsWellFormedUtf8(nativePath.str()) && ToNativePath(FromNativePath(nativePath)) == nativePath;
}

Importer::Importer(ImportPorts ports) : ports_(std::move(ports)) {}

void Importer::ImportDroppedFile(const std::vector<NativePath>& paths, const AskLinkKind& ask) {
  if (paths.size() > 1) {
    ports_.prompter.Error(Msg::DropOneFileOnly);
    return;
  }
  if (paths.empty()) return;
  const NativePath& path = paths.front();
  // A PDF by its name, at an absolute path.
  if (!EndsWithPdf(path) || path.str().front() != kPathSeparator) return;

  // A file the engine cannot open is refused before the question, so nothing is written for it.
  if (!EngineAccepts(path) || !AcceptsDuplicate(path)) return;
  std::string kind;
  if (ports_.settings.GetInt(setting::Ques) == 1) {
    const Answer answer = ask ? ask() : Answer::Cancel;
    if (answer == Answer::Cancel) return;
    kind = std::string(answer == Answer::Yes ? kLinkCopy : kLinkOutside);
  } else {
    kind = ports_.settings.GetText(setting::Link);
  }
  // An outside link is found again by FG, which is CP932: a path without an exact CP932 form
  // could never be found, so such a file is always copied into the store.
  if (kind != kLinkCopy && !HasExactCp932Form(path)) {
    ports_.prompter.Information(Msg::OutsideLinkImpossible);
    kind = std::string(kLinkCopy);
  }

  IndexRecord& record = ports_.store.WorkingRecord();
  record.Clear();
  PdfInfo(ports_.prompter, ports_.pdf).ReadInfoFile(path, record);
  FillDerivedTitle(record, ports_.settings, heading_, FromNativePath(NativeFileName(path)));
  ports_.html.SetDocumentLoaded(false);
  ports_.html.SetWaitTicks(0);
  ports_.html.Navigate2(path);
  record[FieldTag::TY] = kind;
  record[FieldTag::FN] = FromNativePath(NativeFileName(path));
  record[FieldTag::FG] = FromNativePath(path);
  Wait(path, false);
}

void Importer::ImportFromUrl(const std::string& address, const std::string& fileName) {
  const NativePath local = DownloadPdf(address);
  if (local.empty()) return;
  if (address.find('/') == std::string::npos) return;

  if (!EngineAccepts(local) || !AcceptsDuplicate(local)) return;
  IndexRecord& record = ports_.store.WorkingRecord();
  record.Clear();
  PdfInfo(ports_.prompter, ports_.pdf).ReadInfoFile(local, record);
  FillDerivedTitle(record, ports_.settings, heading_,
                   Cp932Text(fileName.empty() ? AddressFileName(address) : fileName));
  ports_.html.SetDocumentLoaded(false);
  ports_.html.SetWaitTicks(0);
  ports_.html.Navigate2(address);
  // A dropped link is always copied into the store.
  record[FieldTag::TY] = std::string(kLinkCopy);
  record[FieldTag::FN] = fileName.empty() ? AddressFileName(address) : fileName;
  record[FieldTag::FG] = Utf8ToCp932(address);
  Wait(local, true);
}

bool Importer::ImportShownPdf() {
  if (ports_.store.ReadSerialCounter().empty()) return false;
  const std::string url = ports_.html.GetLocationURL();
  IndexRecord& record = ports_.store.WorkingRecord();
  record[FieldTag::FG] = Utf8ToCp932(url);
  if (ports_.html.PageType() != "PDF") return false;
  const NativePath local = DownloadPdf(url);
  if (local.empty() || !EngineAccepts(local) || !AcceptsDuplicate(local)) return false;
  PdfInfo(ports_.prompter, ports_.pdf).ReadInfoFile(local, record);
  // The document is named by the file name the area keeps ("get?id=5" served as a PDF is
  // "get.pdf"): the viewer's title key and FN come from it, FG keeps the real address.
  const std::string name = ports_.html.ShownFileName();
  const std::string named = name.empty() ? url : AddressWithName(url, name);
  FillDerivedTitle(record, ports_.settings, heading_, Cp932Text(AddressFileName(named)));
  return ImportDocument(local, named, named);
}

bool Importer::EngineAccepts(const NativePath& path) {
  heading_.clear();
  if (!ports_.pdf) return true;
  const PdfOpenResult opened = ports_.pdf->Open(path);
  if (opened == PdfOpenResult::Opened && ports_.settings.GetInt(setting::AutoTitle) == 1)
    heading_ = ports_.pdf->PageHeading(0);
  // Given up on (too slow, too much memory, crashed), or not a PDF the engine can read: the
  // message folidex-cli import gives for it.
  std::optional<Msg> failure = ports_.pdf->Failure();
  if (!failure && opened != PdfOpenResult::Opened) failure = PdfOpenFailureMessage(opened);
  ports_.pdf->Close();
  if (failure) ports_.prompter.Error(*failure, FromNativePath(path) + "\n");
  return !failure;
}

bool Importer::AcceptsDuplicate(const NativePath& path) {
  const std::optional<StoredDocument> stored = FindStoredDigest(ports_.store, FileDigestHexNative(path));
  return !stored || ConfirmDuplicateImport(ports_.prompter, *stored);
}

void Importer::Wait(const NativePath& sourcePath, bool fromLink) {
  // A drop while another import waits replaces it.
  pending_ = true;
  pendingSource_ = sourcePath;
  pendingFromLink_ = fromLink;
}

void Importer::Tick() {
  if (!pending_) return;
  if (!ports_.html.DocumentLoaded()) {
    ports_.html.SetWaitTicks(ports_.html.WaitTicks() + 1);
    if (ports_.html.WaitTicks() > kMostWaitTicks) ports_.html.SetDocumentLoaded(true);
    if (!ports_.html.DocumentLoaded()) return;
  }
  pending_ = false;
  const bool fromLink = pendingFromLink_;
  if (ImportDocument(pendingSource_, {}, pendingSource_) && fromLink) ports_.html.GoBack();
}

bool Importer::ImportDocument(const NativePath& sourcePath, const std::string& url, const std::string& keySource) {
  Store& store = ports_.store;
  // The whole import of the document — serial, copy, text, record — holds the writer's lock.
  const StoreWriteLock lock = store.LockForWriting();
  if (!lock) return false;
  // The serial is reserved (both counters saved) before any file of the record is written.
  const std::string serial = store.TakeNewSerial();
  if (serial.empty()) return false;
  FillFileFields(url, sourcePath);
  IndexRecord& record = store.WorkingRecord();
  if (record[FieldTag::TY] == kLinkCopy && !store.StorePdfCopy(sourcePath, serial)) return false;
  // From here on a failure takes the copy away again: no copy without its record.
  struct CopyGuard {
    Store& store;
    const std::string& serial;
    bool keep = false;
    ~CopyGuard() {
      if (!keep) store.RemoveDocumentCopy(serial);
    }
  } copyGuard{store, serial, record[FieldTag::TY] != kLinkCopy};
  if (store.WorkFolderPath().empty() || !store.ResetWorkText()) return false;

  const std::string key = ViewerTitleKey(FromNativePath(keySource));
  if (key.empty()) return false;
  NativePath workText = store.WorkTextPath();
  if (!TakeBodyText(sourcePath, key, workText)) {
    if (ports_.prompter.AskYesNo(Msg::ContinueWithoutTextQuestion) != Answer::Yes) return false;
    workText = NativePath();  // the record gets no text
  }
  // The capture and the question ran: the working record is this import's still.
  if (!store.StoreDocumentFile(kKindText, workText, serial)) return false;
  copyGuard.keep = true;  // the record stands
  // The new document's row is the only selected one, so the next command acts on it alone.
  ports_.list.SetAllSelected(false);
  if (!AppendRecordRow(ports_.list, record, serial, kMarkAvailable, true)) return false;
  if (ports_.settings.GetInt(setting::ColumnMnt) == 1 && ports_.fitColumns) ports_.fitColumns();
  return true;
}

bool Importer::TakeBodyText(const NativePath& sourcePath, const std::string& key, const NativePath& workText) {
  // Which pages have text is asked of the engine first: a document of page images needs no
  // capture, and one with some image pages takes its page texts from the engine and the
  // recognition, as folidex-cli import does.
  bool recognition = RecognitionAvailable(ports_.settings, ports_.pdf, ports_.recognizers);
  TextLayer layer = TextLayer::Everywhere;
  if (recognition) {
    if (ports_.pdf->Open(sourcePath) == PdfOpenResult::Opened) {
      layer = FindTextLayer(*ports_.pdf);
    } else {
      recognition = false;  // the viewer may still show it: the capture goes on as before
    }
  }
  if (layer == TextLayer::Everywhere) {
    std::string text;
    const CaptureResult captured =
        CaptureViewerText(ports_.viewer, ports_.prompter, true, workText, key, text, timing_, !recognition);
    // An empty copy or a viewer that never copied: the recognition is the next step.
    if (captured == CaptureResult::Captured || captured == CaptureResult::Cancelled || !recognition) {
      if (ports_.pdf) ports_.pdf->Close();
      return captured == CaptureResult::Captured;
    }
  }
  const bool stored = RecogniseBodyText(workText);
  ports_.pdf->Close();
  return stored;
}

bool Importer::RecogniseBodyText(const NativePath& workText) {
  class Uncancelled : public DocumentTextMonitor {
    bool Cancelled() override { return false; }
  };
  DocumentText document;
  if (ports_.recognize) {
    document = ports_.recognize(*ports_.pdf, *ports_.recognizers);
  } else {
    Uncancelled monitor;
    document = BuildDocumentText(*ports_.pdf, *ports_.recognizers, monitor);
  }
  switch (document.outcome) {
    case DocumentTextOutcome::Text:
      if (!WriteFileAtomic(workText, PrepareBodyText(document.text))) {
        ports_.prompter.Error(Msg::FileOpenFailed);
        return false;
      }
      return true;
    case DocumentTextOutcome::NothingFound:
      ports_.prompter.Error(Msg::ViewerTextUnavailable);
      return false;
    case DocumentTextOutcome::Cancelled:
      return false;
  }
  return false;
}

void FillLocalFileFields(IndexRecord& record, const NativePath& sourcePath, const Clock& clock) {
  const std::optional<FileStatus> status = StatFile(sourcePath);
  if (status) record[FieldTag::FS] = std::to_string(status->size);
  record[FieldTag::FC] = FormatLocalTime(status ? status->created : 0, "%Y/%m/%d %H:%M:%S");
  record[FieldTag::FA] = FormatLocalTime(clock.Now(), "%Y/%m/%d %H:%M");
  record[FieldTag::Y2] = FileDigestHexNative(sourcePath);
}

void FillLocalFileFields(IndexRecord& record, const NativePath& sourcePath, const Clock& clock, std::uint64_t size,
                         std::string digest) {
  const std::optional<FileStatus> status = StatFile(sourcePath);
  record[FieldTag::FS] = std::to_string(size);
  record[FieldTag::FC] = FormatLocalTime(status ? status->created : 0, "%Y/%m/%d %H:%M:%S");
  record[FieldTag::FA] = FormatLocalTime(clock.Now(), "%Y/%m/%d %H:%M");
  record[FieldTag::Y2] = std::move(digest);
}

void FillDerivedTitle(IndexRecord& record, Settings& settings, std::u16string_view heading, const Cp932Text& fileName) {
  if (settings.GetInt(setting::AutoTitle) != 1 || !record[FieldTag::PT].empty()) return;
  record[FieldTag::PT] = DerivedTitle(heading, fileName.str());
}

bool RecognitionAvailable(Settings& settings, PdfEngine* pdf, TextRecognizer* recognizer) {
  return settings.GetInt(setting::Ocr) == 1 && pdf && recognizer && recognizer->Check().Ready();
}

bool RecognitionAvailable(Settings& settings, PdfEngine* pdf, RecognizerPool* recognizers) {
  return settings.GetInt(setting::Ocr) == 1 && pdf && recognizers && recognizers->Check().Ready();
}

void Importer::FillFileFields(const std::string& url, const NativePath& sourcePath) {
  IndexRecord& record = ports_.store.WorkingRecord();
  if (!url.empty()) {
    record[FieldTag::TY] = std::string(kLinkCopy);
    if (url.find('/') != std::string::npos) record[FieldTag::FN] = AddressFileName(url);
  }
  FillLocalFileFields(record, sourcePath, ports_.clock);
  if (!url.empty()) {
    // A fetched document's date is the server's, when it gave one.
    record[FieldTag::FC].clear();
    const std::string lastModified = ports_.html.LastModified();
    if (!lastModified.empty()) record[FieldTag::FC] = RearrangeLastModified(lastModified);
  }
}

NativePath Importer::DownloadPdf(const std::string& address) {
  // Only the web is downloaded. A PDF the area shows from a local file is that file, taken
  // through the checks of a dropped file (a regular file, never a device or a FIFO); any other
  // scheme is refused.
  if (!IsHttpAddress(address)) {
    const NativePath path = LocalFileAddressPath(address);
    if (path.empty()) {
      ports_.prompter.Information(Msg::AddressNotFetchable);
      return {};
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status {};
    const bool regular = fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (fd >= 0) ::close(fd);
    if (!regular) {
      ports_.prompter.Error(Msg::NotARegularFile, FromNativePath(path) + "\n");
      return {};
    }
    return path;
  }
  const NativePath folder = ports_.store.WorkFolderPath();
  if (folder.empty()) return {};
  const NativePath target = folder + kPathSeparator + "tmp.pdf";
  if (!ports_.downloader.Download(address, target)) {
    ports_.prompter.Information(Msg::DownloadFailed);
    return {};
  }
  // A server that answers with a web page instead of the PDF.
  const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    char first = 0;
    const bool isPage = ::read(fd, &first, 1) == 1 && first == '<';
    ::close(fd);
    if (isPage) {
      ports_.prompter.Information(Msg::DownloadFailed);
      return {};
    }
  }
  return target;
}

}  // namespace folidex
