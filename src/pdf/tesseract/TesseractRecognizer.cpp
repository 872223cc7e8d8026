#include "pdf/tesseract/TesseractRecognizer.h"

#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "pdf/PdfText.h"
#include "pdf/tesseract/PagePreparation.h"
#include "pdf/tesseract/ReadingRegions.h"

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
// Below this margin of the detected orientation over the next one, the engine's own detection
// does not believe a page upside down unless its script is Japanese.
constexpr float kOrientationMargin = 7.0f;

// The mean word confidence (0..100) a line the layout analysis dropped must be read again with
// to be kept.
constexpr int kLostLineConfidence = 50;

// Type whose lines are lower than this many pixels at 300 dpi (type of 8 points or less: the
// ink of a line of Japanese is some 0.85 of its type size; TypeHeight) is small; the
// resolution the engine is told for it at 300 dpi; the largest page read so (A4 or Letter at
// 300 dpi, with room to spare).
constexpr int kSmallType = 29;
constexpr int kSmallTypeResolution = 120;
constexpr long long kSmallTypePixels = 10'000'000;

// A recognised line of text: its rows on the page, its words one space apart.
struct TextLine {
  int left = 0, top = 0, right = 0, bottom = 0;  // its box on the page, right and bottom exclusive
  std::string text;
};

// The recognised lines in the engine's reading order: blocks, paragraphs and lines as its layout
// analysis found them.
std::vector<TextLine> LayoutLines(tesseract::TessBaseAPI& api) {
  std::vector<TextLine> lines;
  std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
  if (!it) return lines;
  bool lineStart = true;
  do {
    if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) lineStart = true;
    std::unique_ptr<char[]> word(it->GetUTF8Text(tesseract::RIL_WORD));
    if (!word || word[0] == '\0') continue;
    if (lineStart) {
      TextLine line;
      it->BoundingBox(tesseract::RIL_TEXTLINE, &line.left, &line.top, &line.right, &line.bottom);
      lines.push_back(std::move(line));
    } else {
      lines.back().text += ' ';
    }
    lines.back().text += word.get();
    lineStart = false;
  } while (it->Next(tesseract::RIL_WORD));
  return lines;
}

// The engine's layout analysis drops some lines outright: a title in very large type is taken
// for a picture. The bands of rows of `region` with ink that no recognised line covers, each
// widened into the blank rows around it (to their middle), to be read again on their own.
std::vector<std::pair<int, int>> LostBands(const PageImage& page, const Region& region,
                                           const std::vector<TextLine>& lines) {
  constexpr int kPad = 4;                              // pixels a line's box is taken wider by
  constexpr int kGap = 8;                              // blank rows a band may have within it (between strokes)
  constexpr int kTallest = 40;                         // blank rows at most a band is widened by on each side
  const int minInk = std::max(8, region.width / 150);  // dark pixels of a row that are not specks
  const int minHeight = std::max(12, (page.dpi > 0 ? page.dpi : 300) / 12);  // about 2 mm
  const int rows = region.height;
  std::vector<std::uint8_t> inked(static_cast<std::size_t>(rows), 0), covered(static_cast<std::size_t>(rows), 0);
  for (int r = 0; r < rows; ++r) {
    const std::uint8_t* row = page.bytes.data() +
                              static_cast<std::size_t>(region.top + r) * static_cast<std::size_t>(page.bytesPerLine) +
                              static_cast<std::size_t>(region.left);
    int dark = 0;
    for (int x = 0; x < region.width; ++x) dark += row[x] < 128 ? 1 : 0;
    inked[static_cast<std::size_t>(r)] = dark >= minInk;
  }
  for (const TextLine& line : lines)
    for (int y = std::max(line.top - kPad, region.top); y < std::min(line.bottom + kPad, region.top + rows); ++y)
      covered[static_cast<std::size_t>(y - region.top)] = 1;
  auto lost = [&](int r) { return inked[static_cast<std::size_t>(r)] && !covered[static_cast<std::size_t>(r)]; };
  auto clear = [&](int r) { return !inked[static_cast<std::size_t>(r)] && !covered[static_cast<std::size_t>(r)]; };
  std::vector<std::pair<int, int>> bands;
  for (int r = 0; r < rows;) {
    if (!lost(r)) {
      ++r;
      continue;
    }
    int first = r, last = r;
    for (int next = r + 1; next < rows && next <= last + kGap + 1; ++next) {
      if (covered[static_cast<std::size_t>(next)]) break;
      if (lost(next)) last = next;
    }
    r = last + 1;
    if (last - first + 1 < minHeight) continue;
    int above = first, below = last;
    while (above > 0 && first - above < kTallest && clear(above - 1)) --above;
    while (below + 1 < rows && below - last < kTallest && clear(below + 1)) ++below;
    bands.emplace_back(region.top + (above + first) / 2, region.top + (last + below) / 2 + 1);
  }
  return bands;
}

// The lines of `part` of the page read on an image of its own, with their boxes on the page, and
// the engine's mean confidence in them (0 when it failed). Read through a rectangle of the whole
// page instead, the engine makes a part that is mostly white black and white badly and reads
// next to nothing, or Latin garbage. Leaves the engine holding that image.
std::vector<TextLine> ReadAlone(tesseract::TessBaseAPI& api, const PageImage& page, const Region& part, int resolution,
                                tesseract::ETEXT_DESC* monitor, int& sureness) {
  sureness = 0;
  const std::uint8_t* first = page.bytes.data() +
                              static_cast<std::size_t>(part.top) * static_cast<std::size_t>(page.bytesPerLine) +
                              static_cast<std::size_t>(part.left);
  api.SetImage(first, part.width, part.height, 1, page.bytesPerLine);
  api.SetSourceResolution(resolution);
  if (api.Recognize(monitor) != 0) return {};
  sureness = api.MeanTextConf();
  std::vector<TextLine> lines = LayoutLines(api);
  for (TextLine& line : lines) {
    line.left += part.left;
    line.right += part.left;
    line.top += part.top;
    line.bottom += part.top;
  }
  return lines;
}

std::string WithoutSpaces(std::string_view text) {
  std::string out;
  for (char c : text)
    if (c != ' ') out += c;
  return out;
}

// The last line of a paragraph with a character or two on it (「た。」) is read as Latin
// garbage: the engine takes a line's size from the line itself. Such a line is read again after
// the line above it, on one image, and what follows that line's own text is its text.
void RereadShortLines(tesseract::TessBaseAPI& api, const PageImage& page, int resolution, std::vector<TextLine>& lines,
                      tesseract::ETEXT_DESC* monitor) {
  for (std::size_t k = 1; k < lines.size(); ++k) {
    TextLine& line = lines[k];
    const TextLine& above = lines[k - 1];
    const int height = above.bottom - above.top, width = line.right - line.left;
    const bool aboveIsLine = height > 0 && above.right - above.left >= 4 * height;
    const bool short_ = width > 0 && width < 5 * height / 2 && line.bottom - line.top <= height * 3 / 2;
    const bool next = line.top >= above.bottom - height / 4 && line.top - above.bottom < height &&
                      std::abs(line.left - above.left) < height;
    if (!aboveIsLine || !short_ || !next || line.right > page.width || above.right > page.width) continue;
    // Both lines on one white line, the short one bottom-aligned with the one above.
    const int margin = height / 2, gap = height / 2;
    const int shortTop = std::max(0, line.bottom - height);
    PageImage joined;
    joined.width = margin + (above.right - above.left) + gap + width + margin;
    joined.height = height + 2 * margin;
    joined.bytesPerLine = joined.width;
    joined.dpi = page.dpi;
    joined.bytes.assign(static_cast<std::size_t>(joined.width) * static_cast<std::size_t>(joined.height), 255);
    auto copy = [&](int fromLeft, int fromTop, int w, int toLeft) {
      for (int y = 0; y < height && fromTop + y < page.height; ++y)
        std::copy_n(
            page.bytes.data() + static_cast<std::size_t>(fromTop + y) * static_cast<std::size_t>(page.bytesPerLine) +
                static_cast<std::size_t>(fromLeft),
            w,
            joined.bytes.data() + static_cast<std::size_t>(margin + y) * static_cast<std::size_t>(joined.width) +
                static_cast<std::size_t>(toLeft));
    };
    copy(above.left, above.top, above.right - above.left, margin);
    copy(line.left, shortTop, width, margin + (above.right - above.left) + gap);
    api.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    api.SetImage(joined.bytes.data(), joined.width, joined.height, 1, joined.bytesPerLine);
    api.SetSourceResolution(resolution);
    if (api.Recognize(monitor) != 0) continue;
    std::unique_ptr<char[]> read(api.GetUTF8Text());
    const std::string both = read ? WithoutSpaces(read.get()) : std::string();
    const std::string own = WithoutSpaces(above.text);
    std::string rest = both.size() > own.size() && both.compare(0, own.size(), own) == 0 ? both.substr(own.size()) : "";
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.pop_back();
    if (!rest.empty()) line.text = rest;
  }
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

TesseractRecognizer::Detected TesseractRecognizer::DetectScript(const PageImage& page) {
  Detected found;
  if (!osd_) return found;
  osd_->SetImage(page.bytes.data(), page.width, page.height, 1, page.bytesPerLine);
  osd_->SetSourceResolution(page.dpi > 0 ? page.dpi : 300);
  int degrees = 0;
  float orientationConfidence = 0, scriptConfidence = 0;
  const char* script = nullptr;
  if (osd_->DetectOrientationScript(&degrees, &orientationConfidence, &script, &scriptConfidence) && script) {
    if (std::strcmp(script, "Latin") == 0) {
      found.script = scriptConfidence >= kLatinConfidence ? PageScript::Latin : PageScript::Unknown;
    } else if (std::strcmp(script, "Japanese") == 0 || std::strcmp(script, "Han") == 0 ||
               std::strcmp(script, "Hiragana") == 0 || std::strcmp(script, "Katakana") == 0) {
      found.script = PageScript::Japanese;
    }
    // As the engine's own detection does: the orientation found is taken even when its margin
    // over the next is weak, except upside down for a script other than Japanese.
    const bool weak = orientationConfidence < kOrientationMargin;
    if (degrees == 90 || degrees == 270 || (degrees == 180 && (found.script == PageScript::Japanese || !weak)))
      found.clockwise = degrees;
  }
  osd_->Clear();
  return found;
}

TesseractRecognizer::Detected TesseractRecognizer::DetectPageScript(const PageImage& page,
                                                                    RecognitionMonitor& monitor) {
  // The detection takes a second of a full page, and nothing stops it meanwhile: it looks at
  // the page at half its resolution, which tells Japanese ordinary type as well. Small type comes
  // out as Latin there, so a page found Latin is looked at again in full.
  const std::optional<PageImage> half = Halved(page);
  const Detected found = DetectScript(half ? *half : page);
  if (found.script != PageScript::Latin || !half || monitor.Cancelled()) return found;
  return DetectScript(page);
}

RecognitionStatus TesseractRecognizer::Recognize(const PageImage& page, RecognitionMonitor& monitor,
                                                 std::u16string& text) {
  text.clear();
  if (!Check().Ready() || page.Empty()) return RecognitionStatus::Failed;
  return Read(page, monitor, text);
}

RecognitionStatus TesseractRecognizer::RecognizeTaken(PageImage&& page, RecognitionMonitor& monitor,
                                                      std::u16string& text) {
  PageImage taken = std::move(page);
  page = PageImage{};
  return Read(std::move(taken), monitor, text);
}

RecognitionStatus TesseractRecognizer::Read(PageImage levelPage, RecognitionMonitor& monitor, std::u16string& text) {
  text.clear();
  if (!Check().Ready() || levelPage.Empty() || levelPage.bytesPerLine < levelPage.width ||
      levelPage.bytes.size() <
          static_cast<std::size_t>(levelPage.bytesPerLine) * static_cast<std::size_t>(levelPage.height)) {
    return RecognitionStatus::Failed;
  }
  if (monitor.Cancelled()) return RecognitionStatus::Cancelled;
  // A sheet fed askew is turned level first: the engine reads level lines best, and the columns
  // of a page are told apart by a gutter straight down the page. Small type is not: turning
  // interpolates its pixels, and its thin strokes blur into each other more than the slope of its
  // lines costs the engine. It is read with the engine told a low resolution instead: below 140
  // dpi the engine reads a page at twice its size, as small type needs (measured on 7-point type:
  // 0.989 of its characters kept, turned 0.975, unturned at the true resolution 0.979). That
  // larger copy is the engine's: a page of more than kSmallTypePixels is read as any other, so
  // the worker's memory stays bounded.
  const int dpi = levelPage.dpi > 0 ? levelPage.dpi : 300;
  const std::optional<double> slope = Slope(levelPage);
  if (monitor.Cancelled()) return RecognitionStatus::Cancelled;
  // Tesseract's OpenMP teams spin on every core for small pieces of work and make a page several
  // times slower on a busy machine; this thread reads one page with one core.
  omp_set_max_active_levels(0);
  // A page in Latin script is read with the English model alone; every other page with the
  // Japanese ones, which read the Latin words of a Japanese page as well. (The script and the
  // orientation are told as well before the page is turned level.)
  const Detected detected = DetectPageScript(levelPage, monitor);
  const int typeHeight = detected.script == PageScript::Latin ? 0 : TypeHeight(levelPage, slope.value_or(0));
  const bool smallType = typeHeight > 0 && typeHeight * 300 < kSmallType * dpi &&
                         static_cast<long long>(levelPage.width) * levelPage.height <= kSmallTypePixels;
  const int resolution = smallType ? dpi * kSmallTypeResolution / 300 : dpi;
  if (slope && !smallType) Turn(levelPage, *slope);
  lastScript_ = detected.script;
  tesseract::TessBaseAPI* api = japanese_.get();
  lastLanguages_ = japaneseLanguages_;
  if (lastScript_ == PageScript::Latin) {
    if (tesseract::TessBaseAPI* english = EnglishEngine()) {
      api = english;
      lastLanguages_ = "eng";
    }
  }
  if (monitor.Cancelled()) return RecognitionStatus::Cancelled;
  // The page's parts in reading order, found on the page turned upright by the detection above.
  // A page of one part is left to the engine as it came: its layout analysis detects the
  // orientation once more, which also tells its line finding to join Japanese strokes into
  // characters. A page of several parts is read upright without that, or the detection would
  // run for each part, each time as long as above.
  std::optional<PageImage> upright = TurnedBack(levelPage, detected.clockwise);
  std::vector<Region> regions = ReadingRegions(upright ? *upright : levelPage);
  const bool inParts = regions.size() > 1;
  // One image of the page stays while the engine reads it.
  if (inParts && upright) levelPage = std::move(*upright);
  upright.reset();
  const PageImage& page = levelPage;
  if (!inParts) regions = {Region{0, 0, page.width, page.height}};
  const tesseract::PageSegMode mode = inParts || !osdData_ ? tesseract::PSM_AUTO : tesseract::PSM_AUTO_OSD;
  api->SetPageSegMode(mode);

  bool pageSet = false;  // whether the engine holds the whole page (not a band of it)
  Monitored monitored{{}, &monitor};
  monitored.desc.cancel = &CancelThunk;
  monitored.desc.cancel_this = &monitored;
  monitored.desc.progress_callback2 = &ProgressThunk;
  RecognitionStatus status = RecognitionStatus::Done;
  std::string utf8;
  for (const Region& region : regions) {
    if (!pageSet) {
      api->SetImage(page.bytes.data(), page.width, page.height, 1, page.bytesPerLine);
      api->SetSourceResolution(resolution);
      pageSet = true;
    }
    if (inParts) api->SetRectangle(region.left, region.top, region.width, region.height);
    const int result = api->Recognize(&monitored.desc);
    if (monitor.Cancelled()) {
      status = RecognitionStatus::Cancelled;
      break;
    }
    if (result != 0) {
      status = RecognitionStatus::Failed;
      break;
    }
    std::vector<TextLine> lines = LayoutLines(*api);
    // A part the engine is unsure of is read again on an image of its own: through a rectangle
    // of the page it makes a part that is mostly white (a heading above the columns) black and
    // white badly, and reads a clean heading as Latin garbage. The surer reading is kept.
    if (inParts && !lines.empty()) {
      const int sureness = api->MeanTextConf();
      if (sureness < kLostLineConfidence) {
        pageSet = false;
        int surenessAlone = 0;
        std::vector<TextLine> alone = ReadAlone(*api, page, region, resolution, &monitored.desc, surenessAlone);
        if (monitor.Cancelled()) {
          status = RecognitionStatus::Cancelled;
          break;
        }
        if (surenessAlone > sureness) lines = std::move(alone);
      }
    }
    // What the layout analysis dropped is read again as one block, and kept where it lies when
    // the engine is fairly sure of it (a picture read so gives words it is not sure of).
    if (detected.clockwise == 0 || inParts) {
      for (const auto& [top, bottom] : LostBands(page, region, lines)) {
        // The band on its own image, read as one block.
        api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
        pageSet = false;
        int sureness = 0;
        std::vector<TextLine> found = ReadAlone(*api, page, Region{region.left, top, region.width, bottom - top},
                                                resolution, &monitored.desc, sureness);
        if (monitor.Cancelled()) break;
        if (sureness < kLostLineConfidence) found.clear();
        auto at = std::find_if(lines.begin(), lines.end(), [&](const TextLine& line) { return line.top > top; });
        lines.insert(at, std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
      }
      api->SetPageSegMode(mode);
    }
    if (api == japanese_.get() && !monitor.Cancelled()) {
      RereadShortLines(*api, page, resolution, lines, &monitored.desc);
      api->SetPageSegMode(mode);
      pageSet = false;
    }
    if (monitor.Cancelled()) {
      status = RecognitionStatus::Cancelled;
      break;
    }
    for (const TextLine& line : lines) utf8 += (utf8.empty() ? "" : "\n") + line.text;
  }
  if (status == RecognitionStatus::Done) {
    text = Utf8ToUtf16(utf8);
    monitor.PageProgress(100);
  }
  api->Clear();  // the page's image and results go; the models stay
  return status;
}

}  // namespace folidex
