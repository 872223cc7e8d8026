#include "pdf/tesseract/TesseractRecognizer.h"

#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "pdf/PdfText.h"

namespace folidex {

namespace {

constexpr const char* kLanguages = "jpn+jpn_vert+eng";

struct Monitored {
  tesseract::ETEXT_DESC desc;
  RecognitionMonitor* monitor;
};

bool CancelThunk(void* self, int /*words*/) { return static_cast<Monitored*>(self)->monitor->Cancelled(); }

bool ProgressThunk(tesseract::ETEXT_DESC* desc, int, int, int, int) {
  static_cast<Monitored*>(desc->cancel_this)->monitor->PageProgress(std::clamp<int>(desc->progress, 0, 100));
  return true;
}

// Tesseract writes its diagnostics (a missing model, an unusual resolution) to stderr; what
// matters reaches the caller through Check and the results instead.
void SilenceDiagnostics() {
  tesseract::TessBaseAPI quiet;
  quiet.SetVariable("debug_file", "/dev/null");
}

}  // namespace

TesseractRecognizer::TesseractRecognizer(std::string dataPath) : dataPath_(std::move(dataPath)) {}
TesseractRecognizer::~TesseractRecognizer() = default;

RecognizerCheck TesseractRecognizer::Check() {
  if (checked_) return check_;
  checked_ = true;
  SilenceDiagnostics();
  const std::string version = std::string("Tesseract ") + tesseract::TessBaseAPI::Version();
  const char* path = dataPath_.empty() ? nullptr : dataPath_.c_str();
  auto api = std::make_unique<tesseract::TessBaseAPI>();
  if (api->Init(path, kLanguages, tesseract::OEM_LSTM_ONLY) != 0) {
    check_ = {RecognizerState::EngineMissing,
              version + ": no language data in " + (dataPath_.empty() ? "the default folder" : dataPath_)};
    return check_;
  }
  // Tesseract goes on with the languages it found: without Japanese it would read English only.
  std::vector<std::string> loaded;
  api->GetLoadedLanguagesAsVector(&loaded);
  dataFolder_ = api->GetDatapath();
  std::string detail = version + ", " + dataFolder_ + ":";
  for (const std::string& language : loaded) detail += " " + language;
  if (std::find(loaded.begin(), loaded.end(), "jpn") == loaded.end()) {
    check_ = {RecognizerState::JapaneseDataMissing, detail + "; missing: jpn"};
    return check_;
  }
  std::string missing;
  for (const char* wanted : {"jpn_vert", "eng"}) {
    if (std::find(loaded.begin(), loaded.end(), wanted) == loaded.end()) missing += std::string(" ") + wanted;
  }
  const bool osd = std::filesystem::exists(std::filesystem::path(dataFolder_) / "osd.traineddata");
  if (osd) {
    detail += " osd";
  } else {
    missing += " osd";
  }
  if (!missing.empty()) detail += "; missing:" + missing;
  api->SetPageSegMode(osd ? tesseract::PSM_AUTO_OSD : tesseract::PSM_AUTO);
  api_ = std::move(api);
  check_ = {RecognizerState::Ready, detail};
  return check_;
}

RecognitionStatus TesseractRecognizer::Recognize(const PageImage& page, RecognitionMonitor& monitor,
                                                 std::u16string& text) {
  text.clear();
  if (!Check().Ready() || page.Empty() || page.bytesPerLine < page.width ||
      page.bytes.size() < static_cast<std::size_t>(page.bytesPerLine) * static_cast<std::size_t>(page.height)) {
    return RecognitionStatus::Failed;
  }
  if (monitor.Cancelled()) return RecognitionStatus::Cancelled;
  // Tesseract's OpenMP teams spin on every core for small pieces of work and make a page several
  // times slower on a busy machine; this thread reads one page with one core.
  omp_set_max_active_levels(0);

  api_->SetImage(page.bytes.data(), page.width, page.height, 1, page.bytesPerLine);
  api_->SetSourceResolution(page.dpi > 0 ? page.dpi : 300);
  Monitored monitored{{}, &monitor};
  monitored.desc.cancel = &CancelThunk;
  monitored.desc.cancel_this = &monitored;
  monitored.desc.progress_callback2 = &ProgressThunk;
  const int result = api_->Recognize(&monitored.desc);
  RecognitionStatus status = RecognitionStatus::Done;
  if (monitor.Cancelled()) {
    status = RecognitionStatus::Cancelled;
  } else if (result != 0) {
    status = RecognitionStatus::Failed;
  } else {
    std::unique_ptr<char[]> utf8(api_->GetUTF8Text());
    if (utf8) text = Utf8ToUtf16(utf8.get());
    monitor.PageProgress(100);
  }
  api_->Clear();  // the page's image and results go; the models stay
  return status;
}

}  // namespace folidex
