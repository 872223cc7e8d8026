#include "pdf/tesseract/TesseractRecognizer.h"

#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "pdf/PdfText.h"

namespace folidex {

namespace {

namespace fs = std::filesystem;

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

// The orientation and script detection wants a page with some text; below this share of the
// detection's confidence the page is read with the Japanese models.
constexpr float kLatinConfidence = 0.5f;

// The recognised words in the engine's reading order: blocks, paragraphs and lines as its layout
// analysis found them, the words of a line one space apart, each line on a line of its own.
std::string LayoutText(tesseract::TessBaseAPI& api) {
  std::string out;
  std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
  if (!it) return out;
  bool lineStart = true;
  do {
    lineStart = lineStart || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE);
    std::unique_ptr<char[]> word(it->GetUTF8Text(tesseract::RIL_WORD));
    if (!word || word[0] == '\0') continue;
    if (!out.empty()) out += lineStart ? "\n" : " ";
    out += word.get();
    lineStart = false;
  } while (it->Next(tesseract::RIL_WORD));
  return out;
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
  if (api->Init(path, "jpn+jpn_vert", tesseract::OEM_LSTM_ONLY) != 0) {
    // Without the Japanese model: whether the engine runs at all, with English.
    tesseract::TessBaseAPI probe;
    if (probe.Init(path, "eng", tesseract::OEM_LSTM_ONLY) != 0) {
      check_ = {RecognizerState::EngineMissing,
                version + ": no language data in " + (dataPath_.empty() ? "the default folder" : dataPath_)};
      return check_;
    }
    dataFolder_ = probe.GetDatapath();
    check_ = {RecognizerState::JapaneseDataMissing, version + ", " + dataFolder_ + ": eng; missing: jpn"};
    return check_;
  }
  std::vector<std::string> loaded;
  api->GetLoadedLanguagesAsVector(&loaded);
  dataFolder_ = api->GetDatapath();
  std::string detail = version + ", " + dataFolder_ + ":";
  std::string missing;
  for (const std::string& language : loaded) {
    detail += " " + language;
    japaneseLanguages_ += (japaneseLanguages_.empty() ? "" : "+") + language;
  }
  if (std::find(loaded.begin(), loaded.end(), "jpn_vert") == loaded.end()) missing += " jpn_vert";
  englishData_ = fs::exists(fs::path(dataFolder_) / "eng.traineddata");
  detail += englishData_ ? " eng" : "";
  missing += englishData_ ? "" : " eng";
  if (fs::exists(fs::path(dataFolder_) / "osd.traineddata")) {
    auto osd = std::make_unique<tesseract::TessBaseAPI>();
    if (osd->Init(path, "osd", tesseract::OEM_TESSERACT_ONLY) == 0) {
      osd->SetPageSegMode(tesseract::PSM_OSD_ONLY);
      osd_ = std::move(osd);
      osdData_ = true;
    }
  }
  detail += osdData_ ? " osd" : "";
  missing += osdData_ ? "" : " osd";
  if (!missing.empty()) detail += "; missing:" + missing;
  // With the detection's data a page turned sideways is turned upright before it is read.
  api->SetPageSegMode(osdData_ ? tesseract::PSM_AUTO_OSD : tesseract::PSM_AUTO);
  japanese_ = std::move(api);
  check_ = {RecognizerState::Ready, detail};
  return check_;
}

tesseract::TessBaseAPI* TesseractRecognizer::EnglishEngine() {
  if (english_ || englishTried_ || !englishData_) return english_.get();
  englishTried_ = true;
  auto api = std::make_unique<tesseract::TessBaseAPI>();
  if (api->Init(dataPath_.empty() ? nullptr : dataPath_.c_str(), "eng", tesseract::OEM_LSTM_ONLY) != 0) return nullptr;
  api->SetPageSegMode(osdData_ ? tesseract::PSM_AUTO_OSD : tesseract::PSM_AUTO);
  english_ = std::move(api);
  return english_.get();
}

PageScript TesseractRecognizer::DetectScript(const PageImage& page) {
  if (!osd_) return PageScript::Unknown;
  osd_->SetImage(page.bytes.data(), page.width, page.height, 1, page.bytesPerLine);
  osd_->SetSourceResolution(page.dpi > 0 ? page.dpi : 300);
  int degrees = 0;
  float orientationConfidence = 0, scriptConfidence = 0;
  const char* script = nullptr;
  PageScript found = PageScript::Unknown;
  if (osd_->DetectOrientationScript(&degrees, &orientationConfidence, &script, &scriptConfidence) && script) {
    if (std::strcmp(script, "Latin") == 0) {
      found = scriptConfidence >= kLatinConfidence ? PageScript::Latin : PageScript::Unknown;
    } else if (std::strcmp(script, "Japanese") == 0 || std::strcmp(script, "Han") == 0 ||
               std::strcmp(script, "Hiragana") == 0 || std::strcmp(script, "Katakana") == 0) {
      found = PageScript::Japanese;
    }
  }
  osd_->Clear();
  return found;
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

  // A page in Latin script is read with the English model alone; every other page with the
  // Japanese ones, which read the Latin words of a Japanese page as well.
  lastScript_ = DetectScript(page);
  tesseract::TessBaseAPI* api = japanese_.get();
  lastLanguages_ = japaneseLanguages_;
  if (lastScript_ == PageScript::Latin) {
    if (tesseract::TessBaseAPI* english = EnglishEngine()) {
      api = english;
      lastLanguages_ = "eng";
    }
  }
  if (monitor.Cancelled()) return RecognitionStatus::Cancelled;

  api->SetImage(page.bytes.data(), page.width, page.height, 1, page.bytesPerLine);
  api->SetSourceResolution(page.dpi > 0 ? page.dpi : 300);
  Monitored monitored{{}, &monitor};
  monitored.desc.cancel = &CancelThunk;
  monitored.desc.cancel_this = &monitored;
  monitored.desc.progress_callback2 = &ProgressThunk;
  const int result = api->Recognize(&monitored.desc);
  RecognitionStatus status = RecognitionStatus::Done;
  if (monitor.Cancelled()) {
    status = RecognitionStatus::Cancelled;
  } else if (result != 0) {
    status = RecognitionStatus::Failed;
  } else {
    text = Utf8ToUtf16(LayoutText(*api));
    monitor.PageProgress(100);
  }
  api->Clear();  // the page's image and results go; the models stay
  return status;
}

}  // namespace folidex
